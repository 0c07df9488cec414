// SPDX-License-Identifier: GPL-3.0-or-later
// Text from the network, made safe to print on a terminal.
//
// A page, a header or an address may carry escape sequences that a terminal
// would act on, and tabs or line feeds that would break the lines and fields
// lumora-cli prints, and log lines carry such text too. The forms below write the bytes that need it as
// visible escapes; printable UTF-8 (Chinese included) passes unchanged:
//
//   \t \n \r   tab, line feed, carriage return
//   \\         a backslash (fields only, so that a field reads back exactly)
//   \xHH       any other control byte (00-1F, 7F) in lower-case hex; a C1
//              control character U+0080-U+009F as its two UTF-8 bytes,
//              "\xc2\x9b"
#pragma once

#include <string>
#include <string_view>

namespace lumora {

// One field of a line (a title, an address, a sub-match): every control
// character and the backslash are escaped, so that fields joined by tabs and
// lines ended by a line feed stay apart.
void AppendEscapedField(std::string& out, std::string_view utf8);

// A body printed as text (a page, response headers): line feeds, tabs and the
// carriage return of a CR LF pass as they are, so the text keeps its lines;
// every other control character is escaped. Backslashes stay as they are.
void AppendEscapedBody(std::string& out, std::string_view utf8);

// One line of the log: every control character is escaped, so that a line
// stays one line and a terminal shows it as it is; backslashes stay.
void AppendEscapedLine(std::string& out, std::string_view utf8);

}  // namespace lumora
