// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/CodePage.h"

#include "base/GbkTables.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>

namespace lumora {

namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";
constexpr char kReplacementGb18030[] = "\x84\x31\xA4\x37";

bool IsAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

// One conversion descriptor per direction and thread: iconv_t is not
// thread-safe and opening one costs more than converting a short text.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`; at a sequence the target can't take or the source holds
    // invalidly, writes `replacement` and skips `skip` source bytes.
    std::string Run(std::string_view in, std::string_view replacement, std::size_t (*skip)(std::string_view)) {
        std::string out;
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return out;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.resize(in.size() * 2 + 16);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        std::size_t written = 0;
        while (srcLeft > 0) {
            char* dst = out.data() + written;
            std::size_t dstLeft = out.size() - written;
            const std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            written = out.size() - dstLeft;
            if (rc != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
            } else {  // EILSEQ or EINVAL (truncated at the end)
                if (out.size() - written < replacement.size()) out.resize(out.size() * 2);
                out.replace(written, replacement.size(), replacement);
                written += replacement.size();
                const std::size_t n = std::min(skip(std::string_view(src, srcLeft)), srcLeft);
                src += n;
                srcLeft -= n;
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        out.resize(written);
        return out;
    }

private:
    iconv_t cd_;
};

std::size_t SkipOneByte(std::string_view) { return 1; }

std::size_t SkipUtf8Char(std::string_view s) {
    std::size_t n = 1;
    while (n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) ++n;
    return n;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 character at s[i]; returns its length, or 0 when the
// bytes there are not a valid, shortest-form sequence of a scalar value.
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len;
    char32_t min;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

std::size_t ValidUtf8Prefix(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    const auto continuation = [s](std::size_t at) { return (s[at] & 0xC0) == 0x80; };
    std::size_t i = 0;
    while (i < n) {
        // Markup is mostly ASCII: sixteen bytes at a time while it lasts.
        for (std::uint64_t a, b; i + 16 <= n; i += 16) {
            std::memcpy(&a, s + i, 8);
            std::memcpy(&b, s + i + 8, 8);
            if ((a | b) & 0x8080808080808080ull) break;
        }
        while (i < n && s[i] < 0x80) ++i;
        // Then a run of other characters, checked without decoding them.
        while (i < n && s[i] >= 0x80) {
            const unsigned char lead = s[i];
            if (lead >= 0xE0 && lead <= 0xEF) {  // three bytes: most CJK text
                if (i + 2 >= n || !continuation(i + 1) || !continuation(i + 2)) return i;
                if ((lead == 0xE0 && s[i + 1] < 0xA0) || (lead == 0xED && s[i + 1] > 0x9F)) return i;
                i += 3;
            } else if (lead >= 0xC2 && lead <= 0xDF) {
                if (i + 1 >= n || !continuation(i + 1)) return i;
                i += 2;
            } else if (lead >= 0xF0 && lead <= 0xF4) {
                if (i + 3 >= n || !continuation(i + 1) || !continuation(i + 2) || !continuation(i + 3)) return i;
                if ((lead == 0xF0 && s[i + 1] < 0x90) || (lead == 0xF4 && s[i + 1] > 0x8F)) return i;
                i += 4;
            } else {
                return i;
            }
        }
    }
    return n;
}

std::string SanitizeUtf8(std::string_view bytes) {
    std::string_view rest = bytes;
    std::size_t valid = ValidUtf8Prefix(rest);
    if (valid == rest.size()) return std::string(bytes);
    // Valid runs are copied whole; each invalid byte becomes one U+FFFD.
    std::string out;
    out.reserve(bytes.size() + 16);
    do {
        out.append(rest.substr(0, valid));
        if (valid == rest.size()) break;
        out += kReplacementUtf8;
        rest.remove_prefix(valid + 1);
        valid = ValidUtf8Prefix(rest);
    } while (true);
    return out;
}

std::string SanitizeUtf8(std::string&& bytes) {
    if (ValidUtf8Prefix(bytes) == bytes.size()) return std::move(bytes);
    return SanitizeUtf8(std::string_view(bytes));
}

std::string IconvUtf8ToGbk(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    thread_local Converter toGbk("GB18030", "UTF-8");
    return toGbk.Run(SanitizeUtf8(utf8), kReplacementGb18030, SkipUtf8Char);
}

std::string IconvGbkToUtf8(std::string_view gbk) {
    if (IsAscii(gbk)) return std::string(gbk);
    thread_local Converter fromGbk("UTF-8", "GB18030");
    return fromGbk.Run(gbk, kReplacementUtf8, SkipOneByte);
}

// ASCII texts, the usual case, are copied as they are; the rest goes
// through the constant tables that the build made from iconv.
std::string Utf8ToGbk(std::string_view utf8) { return IsAscii(utf8) ? std::string(utf8) : TableUtf8ToGbk(utf8); }

std::string GbkToUtf8(std::string_view gbk) { return IsAscii(gbk) ? std::string(gbk) : TableGbkToUtf8(gbk); }

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp;
        std::size_t len = DecodeUtf8(utf8, i, cp);
        if (!len) cp = 0xFFFD, len = 1;
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 3);
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace lumora
