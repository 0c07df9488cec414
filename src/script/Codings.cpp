// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/Codings.h"

#include <openssl/evp.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

namespace lumora {

namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";
constexpr char kLowerHex[] = "0123456789abcdef";

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

// The byte of the two hexadecimal digits at text[at], text[at + 1]; -1 when
// either is missing or no digit.
int HexByte(std::u16string_view text, std::size_t at) {
    if (at + 1 >= text.size()) return -1;
    const int high = HexValue(text[at]);
    const int low = HexValue(text[at + 1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

bool IsUriUnescaped(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) return true;
    return std::u16string_view(u"-_.!~*'();/?:@&=+$,#").find(c) != std::u16string_view::npos;
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
}

void AppendEscapedByte(std::u16string& out, unsigned byte) {
    out += u'%';
    out += static_cast<char16_t>(kUpperHex[byte >> 4]);
    out += static_cast<char16_t>(kUpperHex[byte & 0xF]);
}

int Base64Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool IsAsciiSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

namespace ecma {

std::optional<std::u16string> DecodeUri(std::u16string_view text) {
    constexpr std::u16string_view reserved = u";/?:@&=+$,#";
    const std::size_t length = text.size();
    std::u16string out;
    out.reserve(length);
    for (std::size_t k = 0; k < length; ++k) {
        if (text[k] != u'%') {
            out += text[k];
            continue;
        }
        const std::size_t start = k;
        const int first = HexByte(text, k + 1);
        if (first < 0) return std::nullopt;
        k += 2;
        if (first < 0x80) {
            if (reserved.find(static_cast<char16_t>(first)) != std::u16string_view::npos)
                out.append(text.substr(start, k - start + 1));
            else
                out += static_cast<char16_t>(first);
            continue;
        }
        // A UTF-8 sequence: the lead byte gives its length, each following
        // byte comes as an escape of its own.
        std::size_t count;
        char32_t cp;
        char32_t least;
        if ((first & 0xE0) == 0xC0) {
            count = 2, cp = first & 0x1F, least = 0x80;
        } else if ((first & 0xF0) == 0xE0) {
            count = 3, cp = first & 0x0F, least = 0x800;
        } else if ((first & 0xF8) == 0xF0) {
            count = 4, cp = first & 0x07, least = 0x10000;
        } else {
            return std::nullopt;
        }
        for (std::size_t j = 1; j < count; ++j) {
            ++k;
            if (k >= length || text[k] != u'%') return std::nullopt;
            const int next = HexByte(text, k + 1);
            if (next < 0 || (next & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (next & 0x3F);
            k += 2;
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
        AppendUtf16(out, cp);
    }
    return out;
}

std::optional<std::u16string> EncodeUri(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size() * 3);
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char16_t c = text[k];
        if (c < 0x80 && IsUriUnescaped(c)) {
            out += c;
            continue;
        }
        char32_t cp = c;
        if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (k + 1 >= text.size() || text[k + 1] < 0xDC00 || text[k + 1] > 0xDFFF) return std::nullopt;
            cp = 0x10000 + ((c - 0xD800) << 10) + (text[k + 1] - 0xDC00);
            ++k;
        }
        if (cp < 0x80) {
            AppendEscapedByte(out, cp);
        } else if (cp < 0x800) {
            AppendEscapedByte(out, 0xC0 | (cp >> 6));
            AppendEscapedByte(out, 0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            AppendEscapedByte(out, 0xE0 | (cp >> 12));
            AppendEscapedByte(out, 0x80 | ((cp >> 6) & 0x3F));
            AppendEscapedByte(out, 0x80 | (cp & 0x3F));
        } else {
            AppendEscapedByte(out, 0xF0 | (cp >> 18));
            AppendEscapedByte(out, 0x80 | ((cp >> 12) & 0x3F));
            AppendEscapedByte(out, 0x80 | ((cp >> 6) & 0x3F));
            AppendEscapedByte(out, 0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::u16string Unescape(std::u16string_view text) {
    const std::size_t length = text.size();
    std::u16string out;
    out.reserve(length);
    for (std::size_t k = 0; k < length; ++k) {
        char16_t c = text[k];
        if (c == u'%') {
            if (k + 6 <= length && text[k + 1] == u'u') {
                const int high = HexByte(text, k + 2);
                const int low = HexByte(text, k + 4);
                if (high >= 0 && low >= 0) {
                    c = static_cast<char16_t>(high * 256 + low);
                    k += 5;
                    out += c;
                    continue;
                }
            }
            if (k + 3 <= length) {
                const int byte = HexByte(text, k + 1);
                if (byte >= 0) {
                    c = static_cast<char16_t>(byte);
                    k += 2;
                }
            }
        }
        out += c;
    }
    return out;
}

}  // namespace ecma

Text UriDecode(const Text& text) {
    const std::optional<std::u16string> decoded = ecma::DecodeUri(text.ToUtf16());
    if (!decoded || decoded->empty()) return PercentDecode(text);
    return Text::FromUtf16(*decoded);
}

Text PercentDecode(const Text& text) {
    const std::string& in = text.Bytes();
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size();) {
        if (in[i] != '%') {
            out += in[i++];
            continue;
        }
        const std::size_t digits = std::min<std::size_t>(2, in.size() - i - 1);
        if (digits == 0) break;  // a "%" at the end: no number follows it
        unsigned value = 0;
        for (std::size_t j = 1; j <= digits; ++j) {
            unsigned char c = static_cast<unsigned char>(in[i + j]);
            if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
            unsigned digit = c;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            value = value * 16 + digit;
        }
        out += static_cast<char>(value & 0xFF);
        i += 1 + digits;
    }
    return Text::Gbk(std::move(out));
}

Text Unescape(const Text& text) { return Text::FromUtf16(ecma::Unescape(text.ToUtf16())); }

Text UriEncode(const Text& text, bool useScript) {
    if (useScript) {
        const std::optional<std::u16string> encoded = ecma::EncodeUri(text.ToUtf16());
        return encoded ? Text::FromUtf16(*encoded) : Text();
    }
    std::string out;
    out.reserve(text.Length() * 3);
    for (unsigned char c : text.Bytes()) {
        out += '%';
        out += kUpperHex[c >> 4];
        out += kUpperHex[c & 0xF];
    }
    return Text::Gbk(std::move(out));
}

Text Base64Decode(const Text& text) {
    const std::string& in = text.Bytes();
    const std::size_t length = in.size();
    if (length == 0 || length % 4 != 0) return Text();
    const bool lastIsPad = in[length - 1] == '=';
    std::string out;
    out.reserve(length / 4 * 3);
    for (std::size_t group = 0; group < length; group += 4) {
        int values[4];
        for (std::size_t j = 0; j < 4; ++j) {
            const std::size_t at = group + j;
            const bool padding = in[at] == '=' && (at == length - 1 || (at == length - 2 && lastIsPad));
            values[j] = padding ? 0 : Base64Value(static_cast<unsigned char>(in[at]));
            if (values[j] < 0) return Text();
        }
        out += static_cast<char>((values[0] * 4 + values[1] / 16) & 0xFF);
        out += static_cast<char>((values[1] * 16 + values[2] / 4) & 0xFF);
        out += static_cast<char>((values[2] * 64 + values[3]) & 0xFF);
    }
    const std::size_t zero = out.find('\0');
    if (zero != std::string::npos) out.resize(zero);
    return Text::Gbk(std::move(out));
}

bool LooksBase64(const Text& text) {
    for (unsigned char c : text.Bytes()) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '=';
        if (!ok) return false;
    }
    return true;
}

Text ScriptBase64Decode(const Text& text) {
    std::string body;
    body.reserve(text.Length());
    for (unsigned char c : text.Bytes())
        if (!IsAsciiSpace(c)) body += static_cast<char>(c);
    std::size_t padding = 0;
    while (!body.empty() && body.back() == '=' && padding < 2) {
        body.pop_back();
        ++padding;
    }
    for (unsigned char c : body)
        if (Base64Value(c) < 0) return Text();
    // One character left over carries no whole byte; padding, when given,
    // must complete the last group exactly.
    if (body.size() % 4 == 1) return Text();
    if (padding > 0 && (body.size() + padding) % 4 != 0) return Text();
    const std::size_t fill = (4 - body.size() % 4) % 4;
    body.append(fill, '=');
    // The text is whole groups of valid characters now; the decoder writes
    // three bytes per group, the filled-in padding's zero bytes included.
    std::string decoded(body.size() / 4 * 3, '\0');
    const int written =
        EVP_DecodeBlock(reinterpret_cast<unsigned char*>(decoded.data()),
                        reinterpret_cast<const unsigned char*>(body.data()), static_cast<int>(body.size()));
    if (written < 0 || static_cast<std::size_t>(written) != decoded.size()) return Text();
    decoded.resize(decoded.size() - fill);
    return Text::Gbk(std::move(decoded));
}

Text ScriptDigest(const Text& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.Data(), text.Length(), digest, &length, EVP_md5(), nullptr) != 1) return Text();
    std::string hex;
    hex.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kLowerHex[digest[i] >> 4];
        hex += kLowerHex[digest[i] & 0x0F];
    }
    return Text::Gbk(std::move(hex));
}

}  // namespace lumora
