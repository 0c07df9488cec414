// SPDX-License-Identifier: GPL-3.0-or-later
// Times as texts: the hh:mm:ss form of the status display and of MediaFront.
#pragma once

#include "base/Text.h"

namespace lumora {

// Hours, minutes and seconds joined by ":", each below 10 with one leading
// "0"; hours are not limited to two digits (360000 gives "100:00:00").
// A negative count shows as "00:00:00".
Text FormatTime(long long seconds);

// Whole seconds of a time in seconds, truncated toward zero; 0 for NaN,
// clamped to the range of long long instead of overflowing.
long long WholeSeconds(double seconds);

}  // namespace lumora
