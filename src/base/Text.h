// SPDX-License-Identifier: GPL-3.0-or-later
// Text: the program's one text type, a GBK (GB18030) byte string.
//
// Rules every operation keeps:
//  - positions count from 1; 0 means "not found";
//  - searches step over double-byte characters whole (a byte of 0x80 or above
//    takes the next byte with it), so a match never starts on a trail byte;
//    a four-byte GB18030 character steps as two double-byte units;
//  - trimming removes only the ASCII space and the full-width space (A1 A1);
//  - case folding touches ASCII letters only, and never a trail byte.
//
// A string literal given to Text is UTF-8 source text and is converted to GBK
// once; Text::Gbk wraps bytes that already are GBK.
#pragma once

#include <compare>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// A counted run of bytes: HTTP bodies, file data.
using ByteSet = std::string;

class Text {
public:
    Text() = default;
    // UTF-8 source text (string literals, UTF-8 from the outside world).
    Text(const char* utf8);
    static Text FromUtf8(std::string_view utf8);
    static Text FromUtf16(std::u16string_view utf16);
    // Bytes that already are GBK: kept as they are.
    static Text Gbk(std::string bytes);

    std::string ToUtf8() const;
    std::u16string ToUtf16() const;

    const std::string& Bytes() const { return bytes_; }
    std::string& Bytes() { return bytes_; }
    const char* Data() const { return bytes_.c_str(); }
    std::size_t Length() const { return bytes_.size(); }
    bool Empty() const { return bytes_.empty(); }
    unsigned char At(std::size_t position) const;  // 1-based; 0 outside the text

    // 1-based position of needle at or after `start` (0 and 1 both mean the
    // beginning); 0 when absent or when needle is empty.
    std::size_t Find(const Text& needle, std::size_t start = 1, bool ignoreCase = false) const;
    // The same search with "absent" spelled out: the 1-based position, or
    // nothing.
    std::optional<std::size_t> Position(const Text& needle, std::size_t start = 1, bool ignoreCase = false) const {
        const std::size_t found = Find(needle, start, ignoreCase);
        return found == 0 ? std::nullopt : std::optional<std::size_t>(found);
    }
    bool Contains(const Text& needle, bool ignoreCase = false) const { return Find(needle, 1, ignoreCase) != 0; }
    bool StartsWith(const Text& prefix) const;
    bool EndsWith(const Text& suffix) const;

    Text Left(std::size_t count) const;
    Text Right(std::size_t count) const;
    // `count` bytes from 1-based `start`; npos takes the rest.
    Text Mid(std::size_t start, std::size_t count = std::string::npos) const;

    Text Lower() const;
    Text Upper() const;
    Text Trimmed() const;        // ASCII space and A1 A1 from both ends
    Text WithoutSpaces() const;  // every ASCII space and A1 A1 removed
    Text ReplacedAll(const Text& from, const Text& to, bool ignoreCase = false) const;
    // Pieces between separators, empty ones included, except that an empty
    // piece after the last separator is dropped; an empty text has no pieces.
    std::vector<Text> Split(const Text& separator) const;

    Text& operator+=(const Text& other) {
        bytes_ += other.bytes_;
        return *this;
    }
    friend Text operator+(Text a, const Text& b) {
        a += b;
        return a;
    }
    friend Text operator+(Text a, const char* b) {
        a += Text(b);
        return a;
    }
    friend Text operator+(const char* a, const Text& b) { return Text(a) + b; }
    friend bool operator==(const Text& a, const Text& b) { return a.bytes_ == b.bytes_; }
    friend bool operator==(const Text& a, const char* b) { return a == Text(b); }
    friend auto operator<=>(const Text& a, const Text& b) { return a.bytes_ <=> b.bytes_; }

private:
    std::string bytes_;
};

// Width of the character that begins with `lead`: 2 for a byte of 0x80 or above.
inline std::size_t CharWidth(unsigned char lead) { return lead >= 0x80 ? 2 : 1; }

// Joins texts with a separator.
Text Join(const std::vector<Text>& pieces, const Text& separator);

}  // namespace lumora
