// Cookie texts: "name=value" pairs separated by "; ".
#pragma once

#include "base/Text.h"

namespace lumora {

// Merges the cookies a response set (`newCookies`) into the ones held so far
// (`cookies`): this response's cookies first, then the older ones it did not
// set (by exact name; of two old pairs with one name the first wins). Pairs
// whose value is "deleted" are dropped. Both variables are rewritten without
// spaces first; `cookies` receives the merged text, pairs joined by "; ",
// which is also returned.
Text MergeCookies(Text& cookies, Text& newCookies);

}  // namespace lumora
