// SPDX-License-Identifier: GPL-3.0-or-later
// Text codings of web addresses and payloads: free functions of one text,
// none keeping state between calls, all safe on any thread.
//
// The URI functions follow ECMAScript's decodeURI, encodeURI and unescape
// exactly; they are computed natively over the UTF-16 form of the text, so a
// quote, a backslash or a line break in the text is an ordinary character.
// Failure is an empty text.
#pragma once

#include "base/Text.h"

#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// decodeURI; when that fails (a malformed escape or invalid UTF-8 behind the
// escapes) or gives nothing, the PercentDecode of the text.
Text UriDecode(const Text& text);

// Byte-wise decoding: every "%" takes the (at most) two bytes after it as a
// hexadecimal number and stands for its low byte. Digits fold to upper case;
// a byte that is no hexadecimal digit counts with its own byte value. A "%"
// at the very end stands for nothing. Other bytes pass unchanged.
Text PercentDecode(const Text& text);

// unescape: %XX and %uXXXX become the character they denote; any other "%"
// stays as it is.
Text Unescape(const Text& text);

// With `useScript`, encodeURI (UTF-8 escapes of every character outside the
// URI character set; empty text on failure). Without it, every byte of the
// text as "%" and two upper-case hexadecimal digits.
Text UriEncode(const Text& text, bool useScript = false);

// Base64 of a length that is a positive multiple of 4, with "=" read as 0 in
// the last two places only; the result ends at its first zero byte. Empty
// text for any other length or a character outside the alphabet.
Text Base64Decode(const Text& text);

// True when every byte is an ASCII letter, a digit or "=" (so "+" and "/"
// make it false); true for an empty text.
bool LooksBase64(const Text& text);

// Standard Base64: padding optional, ASCII white space ignored, the decoded
// bytes returned whole. Empty text when a character is outside the alphabet,
// padding is misplaced or the length can't be Base64.
Text ScriptBase64Decode(const Text& text);

// MD5 of the text's GBK bytes, as 32 lower-case hexadecimal digits.
Text ScriptDigest(const Text& text);

// ECMAScript's global functions over UTF-16 code units.
namespace ecma {

// decodeURI: escapes of ";/?:@&=+$,#" stay as written. No value when the
// text would raise URIError.
std::optional<std::u16string> DecodeUri(std::u16string_view text);

// encodeURI: no value for a lone surrogate.
std::optional<std::u16string> EncodeUri(std::u16string_view text);

std::u16string Unescape(std::u16string_view text);

}  // namespace ecma

}  // namespace lumora
