// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a local GBK text file for the verbs that take one.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace lumora::cli {

// Reads the regular file at `path` (UTF-8 file name) and hands it to `piece`
// in pieces that each end after a line feed (the last one may not): a line
// feed never belongs to a double-byte character, so each piece converts from
// GBK on its own exactly as it would inside the whole. Anything but a regular
// file (a directory, a device, a FIFO) is refused without reading, and so is
// a file of more than `maxBytes`, also one that grows past it while being
// read. Returns an empty string on success, else a one-line reason.
std::string ReadGbkFile(const std::string& path, std::size_t maxBytes,
                        const std::function<void(std::string_view gbk)>& piece);

}  // namespace lumora::cli
