// SPDX-License-Identifier: GPL-3.0-or-later
// The texts the engines give of a medium: its times and its file type.
#pragma once

#include "base/Text.h"

#include <string>

namespace lumora {

// "mm:ss" below an hour, "hh:mm:ss" from an hour on, of whole seconds.
Text ClockText(double seconds);

// "mm:ss" of whole seconds; minutes have at least two digits and go past 59.
Text MinutesText(double seconds);

// The file type of a medium: the extension of its address's path, in lower
// case, else the first name of mpv's container format.
Text MediaFileType(const Text& address, const std::string& fileFormat);

}  // namespace lumora
