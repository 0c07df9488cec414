// SPDX-License-Identifier: GPL-3.0-or-later
#include "download/ReceivedType.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <utility>

namespace lumora {

namespace {

using Pair = std::pair<std::string_view, std::string_view>;

// Media types as servers send them, and the extension each is saved with.
constexpr std::array kTypes{
    Pair{"video/mp4", ".mp4"},
    Pair{"video/x-m4v", ".m4v"},
    Pair{"video/x-flv", ".flv"},
    Pair{"video/flv", ".flv"},
    Pair{"video/x-f4v", ".f4v"},
    Pair{"video/webm", ".webm"},
    Pair{"video/x-matroska", ".mkv"},
    Pair{"video/mp2t", ".ts"},
    Pair{"video/mpeg", ".mpg"},
    Pair{"video/quicktime", ".mov"},
    Pair{"video/x-msvideo", ".avi"},
    Pair{"video/avi", ".avi"},
    Pair{"video/x-ms-wmv", ".wmv"},
    Pair{"video/x-ms-asf", ".asf"},
    Pair{"video/3gpp", ".3gp"},
    Pair{"video/ogg", ".ogv"},
    Pair{"audio/mpeg", ".mp3"},
    Pair{"audio/mp3", ".mp3"},
    Pair{"audio/mp4", ".m4a"},
    Pair{"audio/x-m4a", ".m4a"},
    Pair{"audio/aac", ".aac"},
    Pair{"audio/ogg", ".ogg"},
    Pair{"audio/flac", ".flac"},
    Pair{"audio/x-flac", ".flac"},
    Pair{"audio/wav", ".wav"},
    Pair{"audio/x-wav", ".wav"},
    Pair{"audio/x-ms-wma", ".wma"},
    Pair{"audio/webm", ".webm"},
    Pair{"audio/x-matroska", ".mka"},
    Pair{"application/vnd.apple.mpegurl", ".m3u8"},
    Pair{"application/x-mpegurl", ".m3u8"},
};

// Extensions an address may give, as they are saved, and the default last.
constexpr std::array<std::string_view, 31> kExtensions{
    ".mp4", ".m4v", ".flv", ".f4v", ".hlv", ".pfv", ".webm", ".mkv", ".ts",  ".mpg",
    ".mpeg", ".vob", ".mov", ".avi", ".wmv", ".asf", ".asx", ".3gp", ".ogv", ".mp3",
    ".m4a", ".aac", ".ogg", ".oga", ".flac", ".wav", ".wma", ".mka", ".opus", ".m3u8",
    kDefaultDownloadExtension,
};
static_assert(std::ranges::all_of(kExtensions, [](std::string_view e) { return e.size() <= kLongestDownloadExtension; }));
static_assert(std::ranges::all_of(kTypes, [](const Pair& type) {
    return std::ranges::find(kExtensions, type.second) != kExtensions.end();
}));

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

}  // namespace

std::span<const std::string_view> DownloadExtensions() { return kExtensions; }

std::string_view ExtensionOfType(std::string_view contentType) {
    const std::size_t parameters = contentType.find(';');
    if (parameters != std::string_view::npos) contentType = contentType.substr(0, parameters);
    while (!contentType.empty() && (contentType.front() == ' ' || contentType.front() == '\t'))
        contentType.remove_prefix(1);
    while (!contentType.empty() && (contentType.back() == ' ' || contentType.back() == '\t'))
        contentType.remove_suffix(1);
    const std::string type = Lower(contentType);
    for (const auto& [name, extension] : kTypes)
        if (type == name) return extension;
    return {};
}

std::string_view ExtensionOfAddress(std::string_view address) {
    const std::size_t scheme = address.find("://");
    if (scheme == std::string_view::npos) return {};
    address.remove_prefix(scheme + 3);
    address = address.substr(0, address.find_first_of("?#"));
    const std::size_t slash = address.find('/');
    if (slash == std::string_view::npos) return {};
    const std::string_view name = address.substr(address.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    const std::string extension = Lower(name.substr(dot));
    for (std::string_view known : kExtensions)
        if (extension == known) return known;
    return {};
}

std::string_view ReceivedExtension(std::string_view contentType, std::string_view finalAddress,
                                   std::string_view address) {
    for (std::string_view found : {ExtensionOfType(contentType), ExtensionOfAddress(finalAddress),
                                   ExtensionOfAddress(address)})
        if (!found.empty()) return found;
    return kDefaultDownloadExtension;
}

}  // namespace lumora
