// SPDX-License-Identifier: GPL-3.0-or-later
// The file name extension of what a download received.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace lumora {

// The extension a downloaded file takes when nothing tells what it is.
inline constexpr std::string_view kDefaultDownloadExtension = ".MP4";

// Every extension a download is saved with, and the longest one's length.
std::span<const std::string_view> DownloadExtensions();
inline constexpr std::size_t kLongestDownloadExtension = 5;

// The extension (with its dot, lower case) of a media type: ".flv" for
// "video/x-flv; charset=x". Empty for a type that names no media kind of
// its own (application/octet-stream, text/html, an unknown type).
std::string_view ExtensionOfType(std::string_view contentType);

// The extension of the last segment of an address's path when it is one
// of the media extensions (".mp4" for "http://h/v/Clip.MP4?x=1"), else empty.
std::string_view ExtensionOfAddress(std::string_view address);

// What a download is saved as: the extension of its Content-Type, else of the
// address it came from (after redirects), else of the address asked for, else
// kDefaultDownloadExtension.
std::string_view ReceivedExtension(std::string_view contentType, std::string_view finalAddress,
                                   std::string_view address);

}  // namespace lumora
