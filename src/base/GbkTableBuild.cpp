// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/GbkTableData.h"

#include "base/GbkTables.h"

#include <string_view>
#include <vector>

namespace lumora::gbk {

namespace {

// Splits a conversion of pieces joined by line feeds.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('\n', from)) != std::string_view::npos; from = at + 1)
        lines.push_back(text.substr(from, at - from));
    return lines;
}

// The code point of one complete, valid two- or three-byte UTF-8 character;
// 0 for anything else.
char32_t DecodeShortUtf8(std::string_view c) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(c[i]); };
    if (c.size() == 2 && byte(0) >= 0xC2 && byte(0) <= 0xDF && (byte(1) & 0xC0) == 0x80)
        return (byte(0) & 0x1F) << 6 | (byte(1) & 0x3F);
    if (c.size() == 3 && byte(0) >= 0xE0 && byte(0) <= 0xEF && (byte(1) & 0xC0) == 0x80 && (byte(2) & 0xC0) == 0x80) {
        const char32_t cp = (byte(0) & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
        if (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) return cp;
    }
    return 0;
}

}  // namespace

// Both tables come from one call of each base conversion over every pair,
// one per line (a line feed always begins a character in both encodings).
TableData BuildGbkTableData() {
    std::string pairs;
    pairs.reserve(kPairs * 3);
    for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
        for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail) {
            pairs += static_cast<char>(lead);
            pairs += static_cast<char>(trail);
            pairs += '\n';
        }
    }
    const std::string utf8 = IconvGbkToUtf8(pairs);
    const std::vector<std::string_view> decoded = Lines(utf8);
    if (decoded.size() != kPairs) return {};

    TableData t{std::string(kToUtf8Size, '\0'), std::string(kToGbkSize, '\0')};
    std::string back;
    std::vector<std::size_t> backIndex;
    for (std::size_t i = 0; i < kPairs; ++i) {
        const std::string_view c = decoded[i];
        // One character, and not the replacement that stands for an invalid pair.
        if (DecodeShortUtf8(c) == 0 || c == "\xEF\xBF\xBD") continue;
        t.toUtf8[i * 4] = static_cast<char>(c.size());
        c.copy(t.toUtf8.data() + i * 4 + 1, c.size());
        back.append(c);
        back += '\n';
        backIndex.push_back(i);
    }
    const std::string gbk = IconvUtf8ToGbk(back);
    const std::vector<std::string_view> encoded = Lines(gbk);
    if (encoded.size() != backIndex.size()) return {};
    for (std::size_t k = 0; k < backIndex.size(); ++k) {
        const std::size_t i = backIndex[k];
        const unsigned lead = kLeadFirst + i / kTrails;
        const unsigned trail = kTrailFirst + i % kTrails;
        const std::string_view pair = encoded[k];
        // Only a pair the encoder itself gives back goes into the reverse table.
        if (pair.size() != 2 || static_cast<unsigned char>(pair[0]) != lead ||
            static_cast<unsigned char>(pair[1]) != trail)
            continue;
        const char32_t cp = DecodeShortUtf8(std::string_view(t.toUtf8).substr(i * 4 + 1, t.toUtf8[i * 4]));
        t.toGbk[cp * 2] = static_cast<char>(lead);
        t.toGbk[cp * 2 + 1] = static_cast<char>(trail);
    }
    return t;
}

}  // namespace lumora::gbk
