// SPDX-License-Identifier: GPL-3.0-or-later
// The image of a list entry: the <img> the site puts in an entry before the
// anchor the list pattern matches, and its address resolved against the
// list page's address.
#pragma once

#include "base/Text.h"

#include <cstddef>
#include <string_view>

namespace lumora {

// What a scan of the markup before an anchor found.
struct EntryImageScan {
    std::string_view source;  // the img tag's src, as written (entities not decoded)
    bool bounded = false;     // an <img> tag or an anchor's end ("</a") was met: the entry starts here
};

// Looks back from `to` towards `from` in `text` for the entry's image: the
// nearest <img …> tag (letters in any case) gives its src attribute, read
// within the tag's own line; an anchor's end met first means the entry has
// none. Nothing is read outside [from, to).
EntryImageScan ScanEntryImage(std::string_view text, std::size_t from, std::size_t to);

// Resolves the src of list images against one list page's address, as a
// browser does: character references decoded, blanks around it dropped,
// then RFC 3986 resolution. Only http and https results are kept; anything
// else (a file address, another scheme, a text that does not parse) gives
// an empty text.
class ListImageResolver {
public:
    explicit ListImageResolver(const Text& pageAddress);
    Text Resolve(std::string_view source) const;

private:
    Text page_;
    std::string origin_;  // "http://host[:port]" of the page, for plain absolute paths
};

}  // namespace lumora
