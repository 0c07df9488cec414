#include "base/GbkTables.h"

#include "base/CodePage.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lumora {

namespace {

// Double-byte characters: a lead byte 81..FE and a trail byte 40..FE.
constexpr unsigned kLeadFirst = 0x81, kLeadLast = 0xFE;
constexpr unsigned kTrailFirst = 0x40, kTrailLast = 0xFE;
constexpr unsigned kTrails = kTrailLast - kTrailFirst + 1;
constexpr std::size_t kPairs = (kLeadLast - kLeadFirst + 1) * kTrails;

struct Utf8Char {
    std::uint8_t length = 0;  // 0: the pair is no character
    char bytes[3] = {};
};

struct Tables {
    std::array<Utf8Char, kPairs> toUtf8;
    std::vector<std::uint16_t> toGbk = std::vector<std::uint16_t>(0x10000, 0);  // by BMP code point; 0: none
};

std::size_t PairIndex(unsigned lead, unsigned trail) { return (lead - kLeadFirst) * kTrails + (trail - kTrailFirst); }

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

// Both tables come from one call of each base conversion over every pair,
// one per line (a line feed always begins a character in both encodings).
Tables Build() {
    Tables t;
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
    if (decoded.size() != kPairs) return t;

    std::string back;
    std::vector<std::size_t> backIndex;
    for (std::size_t i = 0; i < kPairs; ++i) {
        const std::string_view c = decoded[i];
        // One character, and not the replacement that stands for an invalid pair.
        if (DecodeShortUtf8(c) == 0 || c == "\xEF\xBF\xBD") continue;
        t.toUtf8[i].length = static_cast<std::uint8_t>(c.size());
        c.copy(t.toUtf8[i].bytes, c.size());
        back.append(c);
        back += '\n';
        backIndex.push_back(i);
    }
    const std::string gbk = IconvUtf8ToGbk(back);
    const std::vector<std::string_view> encoded = Lines(gbk);
    if (encoded.size() != backIndex.size()) return t;
    for (std::size_t k = 0; k < backIndex.size(); ++k) {
        const std::size_t i = backIndex[k];
        const unsigned lead = kLeadFirst + i / kTrails;
        const unsigned trail = kTrailFirst + i % kTrails;
        const std::string_view pair = encoded[k];
        // Only a pair the encoder itself gives back goes into the reverse table.
        if (pair.size() != 2 || static_cast<unsigned char>(pair[0]) != lead ||
            static_cast<unsigned char>(pair[1]) != trail)
            continue;
        const Utf8Char& c = t.toUtf8[i];
        t.toGbk[DecodeShortUtf8(std::string_view(c.bytes, c.length))] = static_cast<std::uint16_t>(lead << 8 | trail);
    }
    return t;
}

const Tables& GetTables() {
    static const Tables tables = Build();
    return tables;
}

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
    const Tables& t = GetTables();
    const auto* s = reinterpret_cast<const unsigned char*>(gbk.data());
    const std::size_t n = gbk.size();
    // Sized for the usual worst case (every byte in a double-byte character,
    // two bytes becoming three) and written through a pointer; only the
    // general conversion below can need more.
    std::string out(n + n / 2 + 16, '\0');
    std::size_t written = 0;
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
            const Utf8Char& c = t.toUtf8[PairIndex(s[i], s[i + 1])];
            if (c.length == 0) break;
            std::memcpy(o, c.bytes, 3);
            o += c.length;
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
    return out;
}

std::string TableUtf8ToGbk(std::string_view utf8) {
    const Tables& t = GetTables();
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
            const std::uint16_t pair = t.toGbk[cp];  // never set for a surrogate
            if (pair == 0) break;
            out += static_cast<char>(pair >> 8);
            out += static_cast<char>(pair & 0xFF);
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
