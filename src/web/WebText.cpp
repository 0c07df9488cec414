// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebText.h"

#include "base/CodePage.h"
#include "base/NumberText.h"

#include <algorithm>
#include <climits>

namespace lumora {

namespace {

Text WithQuotes(const Text& marker) {
    static const Text placeholder("#引号");
    return marker.ReplacedAll(placeholder, Text("\""));
}

}  // namespace

Text ExtractBetween(const Text& text, const Text& startMarker, const Text& endMarker, std::size_t startPos,
                    bool ignoreCase) {
    const Text start = WithQuotes(startMarker);
    const Text end = WithQuotes(endMarker);
    const std::size_t startAt = text.Find(start, startPos, ignoreCase);
    if (startAt == 0) return Text();
    const std::size_t valueAt = startAt + start.Length();
    const std::size_t endAt = text.Find(end, valueAt, ignoreCase);
    if (endAt == 0) return Text();
    return text.Mid(valueAt, endAt - valueAt);
}

Text HeaderValue(const Text& line) {
    const std::size_t colon = line.Find(Text(":"));
    if (colon == 0) return Text();
    return line.Mid(colon + 1).Trimmed();
}

Text UrlHost(const Text& url, bool domainOnly, bool keepPort) {
    Text address = url.Lower();
    if (!address.EndsWith(Text("/"))) address += Text("/");

    Text host;
    if (address.StartsWith(Text("https://"))) {
        host = ExtractBetween(address, Text("https://"), Text("/"));
    } else {
        if (!address.Contains(Text("http://"))) address = Text("http://") + address;
        host = ExtractBetween(address, Text("http://"), Text("/"));
    }

    if (domainOnly) {
        const std::vector<Text> labels = host.Split(Text("."));
        if (labels.size() >= 2) host = labels[labels.size() - 2] + "." + labels.back();
    }
    if (!keepPort) {
        const std::size_t colon = host.Find(Text(":"));
        if (colon != 0) host = host.Left(colon - 1);
    }
    return host;
}

int UrlPort(const Text& url) {
    const Text host = UrlHost(url, false, true);
    const std::string& bytes = host.Bytes();
    const std::size_t colon = bytes.rfind(':');
    if (colon != std::string::npos) {
        const long long port = ReadInteger(Text::Gbk(bytes.substr(colon + 1)));
        return static_cast<int>(std::clamp<long long>(port, INT_MIN, INT_MAX));
    }
    return url.Left(5).Lower() == Text("https") ? 443 : 80;
}

Text UrlPath(const Text& url) {
    // Look for the host after the scheme, so a short host such as "t" or
    // "tp" is not found inside "http" itself.
    const std::size_t scheme = url.Find(Text("://"));
    const std::size_t hostAt = url.Find(UrlHost(url), scheme == 0 ? 1 : scheme + 3, true);
    const std::size_t slash = url.Find(Text("/"), hostAt);
    if (slash == 0) return Text("/");
    return url.Mid(slash);
}

Text SiteOrigin(const Text& url, bool hostOnly) {
    const Text address = url.ReplacedAll(Text("\\"), Text("/"));
    const std::size_t separator = address.Find(Text("://"));
    if (separator == 0 || address.Length() <= 10) return url;

    const std::size_t hostStart = separator + 3;
    const std::size_t slash = address.Find(Text("/"), hostStart);
    const Text hostPart = slash == 0 ? address.Mid(hostStart) : address.Mid(hostStart, slash - hostStart);
    if (hostOnly) return hostPart;
    const std::size_t colon = address.Find(Text(":"));
    return address.Left(colon - 1).Lower() + "://" + hostPart;
}

Text Utf8BytesToText(const ByteSet& body) {
    if (body.empty()) return Text();
    std::string gbk = Utf8ToGbk(body);
    const std::size_t zero = gbk.find('\0');
    if (zero != std::string::npos) gbk.resize(zero);
    return Text::Gbk(std::move(gbk));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

std::string PercentEncoded(std::string_view bytes, PercentSet keep) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        const bool plain =
            keep == PercentSet::Address
                ? c > 0x20 && c < 0x7F &&
                      std::string_view("\"<>\\^`{|}").find(static_cast<char>(c)) == std::string_view::npos
                : (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
                      c == '.' || c == '~';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string WireUrl(const Text& url) {
    const std::string utf8 = url.ToUtf8();
    for (unsigned char c : utf8)
        if (c < 0x20 || c == 0x7F) return {};
    return PercentEncoded(utf8, PercentSet::Address);
}

}  // namespace lumora
