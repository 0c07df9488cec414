// Reading a local GBK text file for the verbs that take one.
#pragma once

#include <cstddef>
#include <string>

namespace lumora::cli {

// Reads the regular file at `path` (UTF-8 file name) as GBK text and appends
// it to `utf8` as UTF-8, converted as TableGbkToUtf8 converts it. Anything but
// a regular file (a directory, a device, a FIFO) is refused without reading,
// and so is a file of more than `maxBytes`, also one that grows past it while
// being read. Returns an empty string on success, else a one-line reason.
std::string ReadGbkFileAsUtf8(const std::string& path, std::size_t maxBytes, std::string& utf8);

}  // namespace lumora::cli
