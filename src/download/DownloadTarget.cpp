// SPDX-License-Identifier: GPL-3.0-or-later
#include "download/DownloadTarget.h"

#include "base/Config.h"
#include "download/DownloadToFile.h"
#include "download/ReceivedType.h"

#include <QDir>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace lumora {

namespace {

// Longest file name most Linux file systems take, in bytes.
constexpr std::size_t kNameMax = 255;
// The longest ending a download puts after its stem: an extension, ".part"
// or ".resume".
constexpr std::size_t kLongestEnding =
    std::max({kLongestDownloadExtension, kPartSuffix.size(), kResumeSuffix.size()});

Text WithoutTrailingSlashes(Text directory) {
    std::string& bytes = directory.Bytes();
    while (bytes.size() > 1 && bytes.back() == '/') bytes.pop_back();
    return directory;
}

// Length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// The bidirectional controls (U+061C, U+200E, U+200F, U+202A to U+202E,
// U+2066 to U+2069): in a name they make "clip\u202Egpj.MP4" read as
// "clipMP4.jpg", so a name never keeps them.
bool IsBidiControl(std::string_view piece) {
    if (piece == "\xD8\x9C") return true;  // U+061C
    if (piece.size() != 3 || piece[0] != '\xE2') return false;
    const auto second = static_cast<unsigned char>(piece[1]), third = static_cast<unsigned char>(piece[2]);
    if (second == 0x80) return third == 0x8E || third == 0x8F || (third >= 0xAA && third <= 0xAE);
    return second == 0x81 && third >= 0xA6 && third <= 0xA9;
}

// The title as one UTF-8 file name stem.
std::string SafeStem(const Text& title) {
    const std::string utf8 = title.ToUtf8();  // always valid UTF-8
    const std::size_t limit = kNameMax - kLongestEnding;
    std::string stem;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t width = std::min(SequenceLength(lead), utf8.size() - i);
        std::string piece = utf8.substr(i, width);
        i += width;
        const bool c0 = lead < 0x20 || lead == 0x7F;
        // U+0080 to U+009F: the C1 control characters.
        const bool c1 = width == 2 && lead == 0xC2 && static_cast<unsigned char>(piece[1]) < 0xA0;
        if (IsBidiControl(piece)) continue;
        if (c0 || c1 || piece == "/") piece.assign(1, '_');
        if (stem.size() + piece.size() > limit) break;
        stem += piece;
    }
    if (stem.find_first_not_of('.') == std::string::npos) stem.assign(std::max<std::size_t>(stem.size(), 1), '_');
    return stem;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX escapes as bytes; a "%" that starts no escape stays as it is.
std::string PercentDecoded(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            bytes += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// "name.ext" without ".ext" when ext is a short run of letters and digits
// after a name.
std::string WithoutExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot - 1 < 1 || name.size() - dot - 1 > 5) return name;
    for (std::size_t i = dot + 1; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return name;
    return name.substr(0, dot);
}

}  // namespace

Text DownloadDirectory() {
    const Text& configured = Config::Get().downloadDir;
    if (!configured.Empty()) return WithoutTrailingSlashes(configured);
    QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (downloads.isEmpty()) downloads = QDir::homePath();
    return WithoutTrailingSlashes(Text::FromUtf8(downloads.toStdString()));
}

Text DownloadStem(const Text& directory, const Text& title) {
    std::string path = directory.ToUtf8();
    path += '/';
    path += SafeStem(title);
    return Text::FromUtf8(path);
}

Text SavedFileName(const Text& stem, std::string_view contentType, std::string_view finalAddress,
                   const Text& address) {
    const std::string asked = address.ToUtf8();
    return Text::FromUtf8(stem.ToUtf8() + std::string(ReceivedExtension(contentType, finalAddress, asked)));
}

bool EarlierDownloadExists(const Text& directory, const Text& title) {
    const std::string stem = DownloadStem(directory, title).ToUtf8();
    struct stat info {};
    for (std::string_view extension : DownloadExtensions())
        if (lstat((stem + std::string(extension)).c_str(), &info) == 0) return true;
    return false;
}

Text TypedAddressTitle(const Text& address) {
    const std::string utf8 = address.ToUtf8();
    const std::size_t scheme = utf8.find("://");
    if (scheme == std::string::npos) return Text();
    const std::size_t rest = scheme + 3;
    const std::size_t end = std::min(utf8.find_first_of("?#", rest), utf8.size());
    const std::size_t pathStart = utf8.find('/', rest);
    if (pathStart == std::string::npos || pathStart >= end) return Text();
    const std::string_view path(utf8.data() + pathStart, end - pathStart);
    const std::string name = WithoutExtension(PercentDecoded(path.substr(path.rfind('/') + 1)));
    if (name.find('\0') != std::string::npos || Text::FromUtf8(name).ToUtf8() != name) return Text();
    const bool meaningful = std::any_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte != 0x7F && c != '.';
    });
    return meaningful ? Text::FromUtf8(name) : Text();
}

}  // namespace lumora
