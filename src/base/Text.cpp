// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Text.h"

#include "base/CodePage.h"

#include <algorithm>

namespace lumora {

namespace {

unsigned char LowerAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }
unsigned char UpperAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

template <typename Fold>
std::string FoldCase(const std::string& bytes, Fold fold) {
    std::string out = bytes;
    for (std::size_t i = 0; i < out.size();) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c >= 0x80) {
            i += 2;  // a trail byte may look like a letter; leave it alone
        } else {
            out[i] = static_cast<char>(fold(c));
            ++i;
        }
    }
    return out;
}

// Byte offset of needle in hay from `from`, stepping character by character.
std::size_t FindFrom(const std::string& hay, const std::string& needle, std::size_t from) {
    if (needle.empty() || needle.size() > hay.size()) return std::string::npos;
    const std::size_t last = hay.size() - needle.size();
    const char first = needle[0];
    for (std::size_t i = from; i <= last;) {
        if (hay[i] == first && hay.compare(i, needle.size(), needle) == 0) return i;
        i += CharWidth(static_cast<unsigned char>(hay[i]));
    }
    return std::string::npos;
}

bool IsSpaceAt(const std::string& s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == ' ') return true;
    return c == 0xA1 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xA1;
}

}  // namespace

Text::Text(const char* utf8) : bytes_(Utf8ToGbk(utf8 ? std::string_view(utf8) : std::string_view())) {}

Text Text::FromUtf8(std::string_view utf8) {
    Text t;
    t.bytes_ = Utf8ToGbk(utf8);
    return t;
}

Text Text::FromUtf16(std::u16string_view utf16) { return FromUtf8(Utf16ToUtf8(utf16)); }

Text Text::Gbk(std::string bytes) {
    Text t;
    t.bytes_ = std::move(bytes);
    return t;
}

std::string Text::ToUtf8() const { return GbkToUtf8(bytes_); }

std::u16string Text::ToUtf16() const { return Utf8ToUtf16(ToUtf8()); }

unsigned char Text::At(std::size_t position) const {
    if (position == 0 || position > bytes_.size()) return 0;
    return static_cast<unsigned char>(bytes_[position - 1]);
}

std::size_t Text::Find(const Text& needle, std::size_t start, bool ignoreCase) const {
    const std::size_t from = start == 0 ? 0 : start - 1;
    if (from >= bytes_.size()) return 0;
    const std::size_t at =
        ignoreCase ? FindFrom(Lower().bytes_, needle.Lower().bytes_, from) : FindFrom(bytes_, needle.bytes_, from);
    return at == std::string::npos ? 0 : at + 1;
}

bool Text::StartsWith(const Text& prefix) const { return bytes_.starts_with(prefix.bytes_); }

bool Text::EndsWith(const Text& suffix) const { return bytes_.ends_with(suffix.bytes_); }

Text Text::Left(std::size_t count) const { return Gbk(bytes_.substr(0, count)); }

Text Text::Right(std::size_t count) const {
    if (count >= bytes_.size()) return *this;
    return Gbk(bytes_.substr(bytes_.size() - count));
}

Text Text::Mid(std::size_t start, std::size_t count) const {
    const std::size_t from = start == 0 ? 0 : start - 1;
    if (from >= bytes_.size()) return {};
    return Gbk(bytes_.substr(from, count));
}

Text Text::Lower() const { return Gbk(FoldCase(bytes_, LowerAscii)); }

Text Text::Upper() const { return Gbk(FoldCase(bytes_, UpperAscii)); }

Text Text::Trimmed() const {
    // Walk whole characters so an A1 A1 pair is only taken when it is a
    // character of its own, never the trail of another one.
    std::size_t begin = std::string::npos, end = 0;
    for (std::size_t i = 0; i < bytes_.size();) {
        const std::size_t width = std::min(CharWidth(static_cast<unsigned char>(bytes_[i])), bytes_.size() - i);
        if (!IsSpaceAt(bytes_, i)) {
            if (begin == std::string::npos) begin = i;
            end = i + width;
        }
        i += width;
    }
    if (begin == std::string::npos) return {};
    return Gbk(bytes_.substr(begin, end - begin));
}

Text Text::WithoutSpaces() const {
    std::string out;
    out.reserve(bytes_.size());
    for (std::size_t i = 0; i < bytes_.size();) {
        if (bytes_[i] == ' ') {
            ++i;
        } else if (IsSpaceAt(bytes_, i)) {
            i += 2;
        } else {
            const std::size_t width = std::min(CharWidth(static_cast<unsigned char>(bytes_[i])), bytes_.size() - i);
            out.append(bytes_, i, width);
            i += width;
        }
    }
    return Gbk(std::move(out));
}

Text Text::ReplacedAll(const Text& from, const Text& to, bool ignoreCase) const {
    if (from.Empty()) return *this;
    const std::string hay = ignoreCase ? Lower().bytes_ : bytes_;
    const std::string needle = ignoreCase ? from.Lower().bytes_ : from.bytes_;
    std::string out;
    std::size_t copied = 0;
    for (std::size_t at = FindFrom(hay, needle, 0); at != std::string::npos; at = FindFrom(hay, needle, copied)) {
        out.append(bytes_, copied, at - copied);
        out += to.bytes_;
        copied = at + needle.size();
    }
    out.append(bytes_, copied, std::string::npos);
    return Gbk(std::move(out));
}

std::vector<Text> Text::Split(const Text& separator) const {
    std::vector<Text> pieces;
    if (bytes_.empty()) return pieces;
    if (separator.Empty()) {
        pieces.push_back(*this);
        return pieces;
    }
    std::size_t begin = 0;
    for (std::size_t at = FindFrom(bytes_, separator.bytes_, 0); at != std::string::npos;
         at = FindFrom(bytes_, separator.bytes_, begin)) {
        pieces.push_back(Gbk(bytes_.substr(begin, at - begin)));
        begin = at + separator.bytes_.size();
    }
    if (begin < bytes_.size()) pieces.push_back(Gbk(bytes_.substr(begin)));
    return pieces;
}

Text Join(const std::vector<Text>& pieces, const Text& separator) {
    Text out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i) out += separator;
        out += pieces[i];
    }
    return out;
}

}  // namespace lumora
