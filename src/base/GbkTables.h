// SPDX-License-Identifier: GPL-3.0-or-later
// Table-driven conversions between GBK (GB18030) and UTF-8, behind
// GbkToUtf8 and Utf8ToGbk: iconv is five times slower on large pages.
//
// Each gives byte for byte the result of the iconv conversion (IconvGbkToUtf8,
// IconvUtf8ToGbk), invalid input included: the double-byte characters are
// looked up in constant tables that those very functions produced at build
// time (GbkTableData.h), so no conversion starts with any setup; everything
// else (four-byte characters, invalid bytes) is handed to them in pieces cut
// at bytes that always begin a character.
//
// The UTF-8 that TableGbkToUtf8 returns is valid by construction (the table
// holds checked characters, the pieces pass SanitizeUtf8), so a matcher may
// skip its own validation.
#pragma once

#include <string>
#include <string_view>

namespace lumora {

std::string TableGbkToUtf8(std::string_view gbk);
// The same, appended to `out`: a text read in pieces cut at a line feed (or
// at any byte that always starts a character) converts exactly as its whole.
void AppendTableGbkToUtf8(std::string_view gbk, std::string& out);
std::string TableUtf8ToGbk(std::string_view utf8);

// The conversions through iconv's GB18030, which the tables come from.
std::string IconvGbkToUtf8(std::string_view gbk);
std::string IconvUtf8ToGbk(std::string_view utf8);

}  // namespace lumora
