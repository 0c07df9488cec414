// SPDX-License-Identifier: GPL-3.0-or-later
// Text operations on addresses, used by MediaFront and the resolvers. All
// are pure functions of GBK texts; case folding touches ASCII letters only
// and searches step over double-byte characters.
#pragma once

#include "base/Text.h"

#include <optional>

namespace lumora {

// The text after the last "." of the address cut at its first "?", in lower
// case; the whole cut address (lower case) when it has no ".".
Text Extension(const Text& address);

// The text before the first ":" in lower case followed by "://", so
// "HTTP://x" gives "http://" and "C:\a.avi" gives "c://"; "://" when the
// address has no ":".
Text Scheme(const Text& address);

// The text between the end of the first `startMarker` and the next
// `endMarker`, both found with ASCII letters folded; the text itself is
// returned unfolded. Empty when either marker is missing or empty.
Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker);

// The text after the last "/" once every "\" is read as "/". Unless
// `keepQuery`, a name holding "?" is cut before it and folded to lower case.
Text FileName(const Text& address, bool keepQuery = false);

// 1-based position of `part` in `text` with ASCII letters folded; -1 when it
// is absent or empty.
int FindNoCase(const Text& text, const Text& part);

// True when FindNoCase finds `part`.
inline bool ContainsNoCase(const Text& text, const Text& part) { return FindNoCase(text, part) > 0; }

// 1-based position of the last `needle` in `text` (exact case), 0 when absent.
std::size_t FindLast(const Text& text, const Text& needle);
// FindLast with "absent" spelled out: the 1-based position, or nothing.
inline std::optional<std::size_t> LastPosition(const Text& text, const Text& needle) {
    const std::size_t found = FindLast(text, needle);
    return found == 0 ? std::nullopt : std::optional<std::size_t>(found);
}

}  // namespace lumora
