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

// UTF-8 with every invalid sequence replaced by U+FFFD (EF BF BD).
std::string SanitizeUtf8(std::string_view bytes);

std::u16string Utf8ToUtf16(std::string_view utf8);
// Lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace lumora
