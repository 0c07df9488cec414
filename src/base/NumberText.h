// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers as texts and texts as numbers.
#pragma once

#include "base/Text.h"

namespace lumora {

// Shortest general form with up to 13 significant digits: 1.5, 2, 10.25.
Text NumberText(double value);

// Decimal integer reading: optional leading blanks and sign, then digits up to
// the first other character; 0 when there are none. Saturates on overflow.
long long ReadInteger(const Text& text);

}  // namespace lumora
