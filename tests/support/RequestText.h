// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the request bytes a test server recorded.
#pragma once

#include <string>
#include <vector>

namespace lumora::test {

inline std::string RequestLine(const std::string& request) { return request.substr(0, request.find("\r\n")); }

// The header lines of a recorded request, in order.
inline std::vector<std::string> HeaderLines(const std::string& request) {
    std::vector<std::string> lines;
    const std::size_t end = request.find("\r\n\r\n");
    std::size_t at = request.find("\r\n");
    while (at != std::string::npos && at < end) {
        const std::size_t next = request.find("\r\n", at + 2);
        lines.push_back(request.substr(at + 2, next - at - 2));
        at = next;
    }
    return lines;
}

inline std::string RequestBody(const std::string& request) {
    const std::size_t end = request.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : request.substr(end + 4);
}

// `text` with every `from` replaced by `to`.
inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace lumora::test
