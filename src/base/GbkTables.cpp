// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/GbkTables.h"

#include "base/CodePage.h"
#include "base/GbkTableData.h"

#include <cstdint>
#include <cstring>

namespace lumora {

namespace {

using gbk::kLeadFirst, gbk::kLeadLast, gbk::kTrailFirst, gbk::kTrailLast, gbk::PairIndex, gbk::kToUtf8, gbk::kToGbk;

// Appends the run of ASCII bytes at text[from], eight at a time while it
// lasts; returns where it ends.
std::size_t AppendAscii(std::string_view text, std::size_t from, std::string& out) {
    std::size_t end = from;
    for (std::uint64_t word; end + 8 <= text.size(); end += 8) {
        std::memcpy(&word, text.data() + end, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80) ++end;
    out.append(text.data() + from, end - from);
    return end;
}

// A byte that starts a character wherever it stands in GB18030: below 0x40
// (no trail byte) and not a digit (the second and fourth bytes of a
// four-byte character).
bool AlwaysStartsGbkChar(unsigned char c) { return c < 0x30 || (c > 0x39 && c < 0x40); }

}  // namespace

std::string TableGbkToUtf8(std::string_view gbk) {
    std::string out;
    AppendTableGbkToUtf8(gbk, out);
    return out;
}

void AppendTableGbkToUtf8(std::string_view gbk, std::string& out) {
    const auto* s = reinterpret_cast<const unsigned char*>(gbk.data());
    const std::size_t n = gbk.size();
    // Sized for the usual worst case (every byte in a double-byte character,
    // two bytes becoming three) and written through a pointer; only the
    // general conversion below can need more.
    std::size_t written = out.size();
    out.resize(written + n + n / 2 + 16);
    std::size_t i = 0;
    while (i < n) {
        char* o = out.data() + written;
        for (std::uint64_t word; i + 8 <= n; i += 8, o += 8) {
            std::memcpy(&word, s + i, 8);
            if (word & 0x8080808080808080ull) break;
            std::memcpy(o, &word, 8);
        }
        while (i < n && s[i] < 0x80) *o++ = static_cast<char>(s[i++]);
        while (i + 1 < n && s[i] >= kLeadFirst && s[i] <= kLeadLast && s[i + 1] >= kTrailFirst &&
               s[i + 1] <= kTrailLast) {
            const unsigned char* c = kToUtf8 + PairIndex(s[i], s[i + 1]) * 4;
            if (c[0] == 0) break;
            std::memcpy(o, c + 1, 3);
            o += c[0];
            i += 2;
        }
        written = o - out.data();
        if (i >= n || s[i] < 0x80) continue;
        // Anything else goes to the general conversion, up to a byte where
        // it is sure to stand at a character boundary again.
        std::size_t end = i + 1;
        while (end < n && !AlwaysStartsGbkChar(s[end])) ++end;
        const std::string piece = SanitizeUtf8(IconvGbkToUtf8(gbk.substr(i, end - i)));
        const std::size_t need = written + piece.size() + (n - end) + (n - end) / 2 + 16;
        if (need > out.size()) out.resize(need);
        piece.copy(out.data() + written, piece.size());
        written += piece.size();
        i = end;
    }
    out.resize(written);
}

std::string TableUtf8ToGbk(std::string_view utf8) {
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::string out;
    out.reserve(n);
    std::size_t i = 0;
    while (i < n) {
        i = AppendAscii(utf8, i, out);
        while (i < n && s[i] >= 0xC2 && s[i] <= 0xEF) {
            char32_t cp;
            std::size_t length;
            if (s[i] < 0xE0) {
                if (i + 1 >= n || (s[i + 1] & 0xC0) != 0x80) break;
                cp = (s[i] & 0x1F) << 6 | (s[i + 1] & 0x3F);
                length = 2;
            } else {
                if (i + 2 >= n || (s[i + 1] & 0xC0) != 0x80 || (s[i + 2] & 0xC0) != 0x80) break;
                cp = (s[i] & 0x0F) << 12 | (s[i + 1] & 0x3F) << 6 | (s[i + 2] & 0x3F);
                if (cp < 0x800) break;  // overlong: the general conversion replaces it
                length = 3;
            }
            const unsigned char* pair = kToGbk + cp * 2;  // never set for a surrogate
            if (pair[0] == 0) break;
            out += static_cast<char>(pair[0]);
            out += static_cast<char>(pair[1]);
            i += length;
        }
        if (i >= n || s[i] < 0x80) continue;
        // ASCII bytes always stand alone in UTF-8, valid or not.
        std::size_t end = i + 1;
        while (end < n && s[end] >= 0x80) ++end;
        out += IconvUtf8ToGbk(utf8.substr(i, end - i));
        i = end;
    }
    return out;
}

}  // namespace lumora
