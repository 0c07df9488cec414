// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions between the program's GBK texts and the encodings at its edges.
//
// GBK is read and written as GB18030, its superset: every GBK character keeps
// its bytes, and a character GBK lacks keeps its four-byte GB18030 form instead
// of turning into "?". Invalid input never fails a conversion: an invalid
// sequence becomes U+FFFD (in UTF-8/16) or its GB18030 form.
#pragma once

#include <string>
#include <string_view>

namespace lumora {

std::string Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

// UTF-8 with every invalid sequence replaced by U+FFFD (EF BF BD), one per
// byte that begins no valid character. The second form keeps valid input's
// buffer instead of copying it.
std::string SanitizeUtf8(std::string_view bytes);
std::string SanitizeUtf8(std::string&& bytes);
// The length of the longest start of `bytes` that is valid UTF-8: shortest
// forms of scalar values only (no surrogates, nothing past U+10FFFF).
std::size_t ValidUtf8Prefix(std::string_view bytes);

std::u16string Utf8ToUtf16(std::string_view utf8);
// Lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace lumora
