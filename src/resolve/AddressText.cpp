// SPDX-License-Identifier: GPL-3.0-or-later
#include "resolve/AddressText.h"

#include <climits>

namespace lumora {

std::size_t FindLast(const Text& text, const Text& needle) {
    std::size_t last = 0;
    for (std::size_t at = text.Find(needle); at != 0; at = text.Find(needle, at + needle.Length())) last = at;
    return last;
}

Text Extension(const Text& address) {
    const std::size_t query = address.Find(Text("?"));
    const Text cut = query == 0 ? address : address.Left(query - 1);
    const std::size_t dot = FindLast(cut, Text("."));
    return (dot == 0 ? cut : cut.Mid(dot + 1)).Lower();
}

Text Scheme(const Text& address) {
    const std::size_t colon = address.Find(Text(":"));
    if (colon == 0) return Text("://");
    return address.Left(colon - 1).Lower() + "://";
}

Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker) {
    const std::size_t start = text.Find(startMarker, 1, true);
    if (start == 0) return {};
    const std::size_t from = start + startMarker.Length();
    const std::size_t end = text.Find(endMarker, from, true);
    if (end == 0) return {};
    return text.Mid(from, end - from);
}

Text FileName(const Text& address, bool keepQuery) {
    const Text path = address.ReplacedAll(Text("\\"), Text("/"));
    const std::size_t slash = FindLast(path, Text("/"));
    Text name = slash == 0 ? path : path.Mid(slash + 1);
    if (!keepQuery) {
        const std::size_t query = name.Find(Text("?"));
        if (query != 0) name = name.Left(query - 1).Lower();
    }
    return name;
}

int FindNoCase(const Text& text, const Text& part) {
    const std::size_t at = text.Find(part, 1, true);
    if (at == 0 || at > static_cast<std::size_t>(INT_MAX)) return -1;
    return static_cast<int>(at);
}

}  // namespace lumora
