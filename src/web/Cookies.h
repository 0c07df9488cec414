// SPDX-License-Identifier: GPL-3.0-or-later
// Cookie texts: "name=value" pairs separated by "; ".
#pragma once

#include "base/Text.h"

namespace lumora {

// The cookies without CR, LF and NUL: a line break inside a value would
// start a header line of the server's choosing when the cookies are sent.
Text WithoutLineBreaks(const Text& cookies);

// Merges the cookies a response set (`newCookies`) into the ones held so far
// (`cookies`): this response's cookies first, then the older ones it did not
// set (by exact name; of two old pairs with one name the first wins). Pairs
// whose value is "deleted" are dropped. Both variables are rewritten without
// spaces and WithoutLineBreaks first; `cookies` receives the merged text, pairs joined by "; ",
// which is also returned.
Text MergeCookies(Text& cookies, Text& newCookies);

}  // namespace lumora
