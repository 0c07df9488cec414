// SPDX-License-Identifier: GPL-3.0-or-later
// Small text and address operations that page requests are built from and
// that the catalogue, the probes and the resolvers use as well.
//
// All work on GBK texts: positions count from 1, searches step over
// double-byte characters whole, trimming removes only ASCII and full-width
// spaces, case folding touches ASCII letters only.
#pragma once

#include "base/Text.h"

#include <string>
#include <string_view>

namespace lumora {

// The text strictly between the first `startMarker` at or after `startPos`
// (0 and 1 both mean the beginning) and the next `endMarker` after it; empty
// when either marker is missing. In both markers "#引号" stands for a double
// quote, so callers can write markers that contain quotes.
Text ExtractBetween(const Text& text, const Text& startMarker, const Text& endMarker, std::size_t startPos = 0,
                    bool ignoreCase = false);

// The part of a header line after its first ":", trimmed; empty without ":".
Text HeaderValue(const Text& line);

// The host of an address, lower-cased. An address that neither begins with
// "https://" nor holds "http://" anywhere is read as "http://" + address.
// `domainOnly` keeps the last two dot-separated labels; `keepPort` keeps a
// ":port" suffix.
Text UrlHost(const Text& url, bool domainOnly = false, bool keepPort = false);

// The explicit port of the host, else 443 for addresses beginning (in any
// case) with "https" and 80 for all others.
int UrlPort(const Text& url);

// Everything from the first "/" after the host to the end of the address,
// query included, bytes unchanged; "/" when there is none.
Text UrlPath(const Text& url);

// "scheme://host[:port]" of an address (scheme lower-cased, backslashes read
// as slashes), or the host part alone with `hostOnly`. An address without
// "://" or of at most 10 bytes comes back unchanged.
Text SiteOrigin(const Text& url, bool hostOnly = false);

// A UTF-8 body as text: invalid sequences become U+FFFD, and the text ends
// at its first zero byte.
Text Utf8BytesToText(const ByteSet& body);

// Whether `text` begins with `prefix` (written in lower case), ASCII letters
// compared without case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// Which bytes PercentEncoded leaves as they are.
enum class PercentSet {
    Address,     // visible ASCII but the characters an address must not carry raw: "<>\^`{|}
    Unreserved,  // letters, digits and "-_.~" (for a value inside a query)
};
// `bytes` with every byte outside `keep` written as "%XX" (upper-case hex).
std::string PercentEncoded(std::string_view bytes, PercentSet keep);

// An address as it goes on the wire: UTF-8, with spaces, bytes above 0x7F
// and the characters an address must not carry raw percent-encoded. Empty
// when it holds control characters.
std::string WireUrl(const Text& url);

}  // namespace lumora
