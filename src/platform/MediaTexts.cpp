// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MediaTexts.h"

#include "base/TimeText.h"

#include <algorithm>
#include <cstdio>

namespace lumora {

Text ClockText(double seconds) {
    const long long whole = std::max(0LL, WholeSeconds(seconds));
    char text[48];
    if (whole < 3600)
        std::snprintf(text, sizeof text, "%02lld:%02lld", whole / 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    return Text::Gbk(text);
}

Text MinutesText(double seconds) {
    const long long whole = std::max(0LL, WholeSeconds(seconds));
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld", whole / 60, whole % 60);
    return Text::Gbk(text);
}

Text MediaFileType(const Text& address, const std::string& fileFormat) {
    std::string path = address.ToUtf8();
    path = path.substr(0, path.find_first_of("?#"));
    const std::size_t scheme = path.find("://");
    if (scheme != std::string::npos) {
        const std::size_t slash = path.find('/', scheme + 3);
        path = slash == std::string::npos ? std::string() : path.substr(slash);
    }
    const std::size_t name = path.find_last_of("/\\");
    if (name != std::string::npos) path = path.substr(name + 1);
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot + 1 < path.size()) return Text::FromUtf8(path.substr(dot + 1)).Lower();
    return Text::FromUtf8(fileFormat.substr(0, fileFormat.find(','))).Lower();
}

}  // namespace lumora
