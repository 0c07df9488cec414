// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/ListImage.h"

#include "web/NetworkAddress.h"

#include <cstring>

namespace lumora {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// `text` from `at` starts with the lower-case `word`, letters in any case,
// followed by a blank, "/" or ">" (or the end of what may be read).
bool TagNameAt(std::string_view text, std::size_t at, std::string_view word) {
    if (text.size() - at < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (Lower(text[at + i]) != word[i]) return false;
    if (at + word.size() == text.size()) return true;
    const char next = text[at + word.size()];
    return IsBlank(next) || next == '/' || next == '>';
}

// The src attribute of the tag whose attributes start at the beginning of
// `tag` (which ends where reading must stop).
std::string_view SourceAttribute(std::string_view tag) {
    std::size_t at = 0;
    while (at < tag.size()) {
        while (at < tag.size() && (IsBlank(tag[at]) || tag[at] == '/')) ++at;
        if (at >= tag.size() || tag[at] == '>') break;
        const std::size_t nameStart = at;
        while (at < tag.size() && !IsBlank(tag[at]) && tag[at] != '=' && tag[at] != '>' && tag[at] != '/') ++at;
        const std::string_view name = tag.substr(nameStart, at - nameStart);
        while (at < tag.size() && IsBlank(tag[at])) ++at;
        std::string_view value;
        if (at < tag.size() && tag[at] == '=') {
            ++at;
            while (at < tag.size() && IsBlank(tag[at])) ++at;
            if (at < tag.size() && (tag[at] == '"' || tag[at] == '\'')) {
                const std::size_t end = tag.find(tag[at], at + 1);
                if (end == std::string_view::npos) return {};  // cut short: no value to trust
                value = tag.substr(at + 1, end - at - 1);
                at = end + 1;
            } else {
                const std::size_t start = at;
                while (at < tag.size() && !IsBlank(tag[at]) && tag[at] != '>') ++at;
                value = tag.substr(start, at - start);
            }
        }
        if (name.size() == 3 && Lower(name[0]) == 's' && Lower(name[1]) == 'r' && Lower(name[2]) == 'c') return value;
    }
    return {};
}

void AppendUtf8(std::string& out, unsigned long code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The attribute value with the character references an address may carry
// decoded (&amp; &lt; &gt; &quot; &apos; &#N; &#xN;); others stay as written.
std::string DecodeReferences(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t at = 0; at < value.size();) {
        if (value[at] != '&') {
            out += value[at++];
            continue;
        }
        const std::size_t semicolon = value.find(';', at);
        const std::string_view name =
            semicolon == std::string_view::npos ? std::string_view() : value.substr(at + 1, semicolon - at - 1);
        static constexpr struct {
            const char* name;
            char c;
        } kNamed[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        bool done = false;
        for (const auto& named : kNamed)
            if (name == named.name) {
                out += named.c;
                done = true;
            }
        if (!done && name.size() >= 2 && name.size() <= 8 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            unsigned long code = 0;
            bool ok = !digits.empty();
            for (char c : digits) {
                int digit = -1;
                if (c >= '0' && c <= '9') digit = c - '0';
                if (hex && Lower(c) >= 'a' && Lower(c) <= 'f') digit = Lower(c) - 'a' + 10;
                if (digit < 0) ok = false;
                code = code * (hex ? 16 : 10) + static_cast<unsigned long>(digit < 0 ? 0 : digit);
            }
            if (ok) {
                AppendUtf8(out, code);
                done = true;
            }
        }
        if (done) {
            at = semicolon + 1;
        } else {
            out += value[at++];
        }
    }
    return out;
}

// A path a browser would append to the page's origin as it is: "/" and
// nothing that resolution rewrites (dot segments, a second slash at the
// start, backslashes, blanks, queries or fragments, non-ASCII bytes).
bool PlainAbsolutePath(std::string_view source) {
    if (source.size() < 2 || source[0] != '/' || source[1] == '/' || source.find("/.") != std::string_view::npos)
        return false;
    for (char c : source) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           std::strchr("/-_.~", c) != nullptr;
        if (!plain || c == '\0') return false;
    }
    return true;
}

}  // namespace

EntryImageScan ScanEntryImage(std::string_view text, std::size_t from, std::size_t to) {
    if (to > text.size()) to = text.size();
    if (from >= to) return {};
    const std::string_view span = text.substr(0, to);
    std::size_t end = to;
    while (end > from) {
        const void* found = memrchr(span.data() + from, '<', end - from);
        if (found == nullptr) break;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - span.data());
        if (TagNameAt(span, at + 1, "img")) {
            const std::string_view attributes = span.substr(at + 4);
            // A tag is read within its line, so that the page's cut into
            // blocks of lines never changes what it says.
            return {SourceAttribute(attributes.substr(0, attributes.find_first_of(">\n"))), true};
        }
        if (TagNameAt(span, at + 1, "/a")) return {{}, true};
        end = at;
    }
    return {};
}

ListImageResolver::ListImageResolver(const Text& pageAddress) : page_(pageAddress) {
    std::string root = ResolveWebReference(pageAddress, Text("/")).ToUtf8();
    if (!root.empty() && root.back() == '/') {
        root.pop_back();
        origin_ = std::move(root);
    }
}

Text ListImageResolver::Resolve(std::string_view source) const {
    const std::string decoded = DecodeReferences(source);
    // Browsers drop the blanks around an address and the line breaks and tabs
    // inside it; blanks and bytes outside printable ASCII that remain go out
    // percent-encoded.
    const std::size_t first = decoded.find_first_not_of(" \t\n\r\f");
    if (first == std::string::npos) return Text();
    const std::size_t last = decoded.find_last_not_of(" \t\n\r\f");
    std::string address;
    address.reserve(last - first + 1);
    for (std::size_t i = first; i <= last; ++i) {
        const char c = decoded[i];
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n' || c == '\r' || c == '\t') continue;
        if (byte >= 0x80 || byte <= 0x20 || byte == 0x7F) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            address += '%';
            address += kHex[byte >> 4];
            address += kHex[byte & 15];
        } else {
            address += c;
        }
    }
    if (!origin_.empty() && PlainAbsolutePath(address)) return Text::FromUtf8(origin_ + address);
    return ResolveWebReference(page_, Text::FromUtf8(address));
}

}  // namespace lumora
