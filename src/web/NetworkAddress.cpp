// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/NetworkAddress.h"

#include "web/CurlHandles.h"
#include "web/WebText.h"

#include <array>
#include <string>
#include <string_view>

namespace lumora {

namespace {

bool IsWebAddress(std::string_view address) {
    return StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://");
}

}  // namespace

bool IsNetworkStreamAddress(const Text& address) {
    const std::string& bytes = address.Bytes();
    if (IsWebAddress(bytes)) return true;
    const std::size_t colon = bytes.find("://");
    if (colon == std::string::npos) return false;
    const std::string_view scheme = std::string_view(bytes).substr(0, colon);
    // rtmp, rtmpe, rtmpt, rtmps, rtmpte, rtmpts; mms, mmsh, mmst, mmsu; rtsp, rtspu, rtspt.
    static constexpr std::array<std::string_view, 13> kStreamSchemes = {
        "rtmp", "rtmpe", "rtmpt", "rtmps", "rtmpte", "rtmpts", "mms", "mmsh", "mmst", "mmsu", "rtsp", "rtspu", "rtspt"};
    for (std::string_view known : kStreamSchemes)
        if (scheme.size() == known.size() && StartsWithNoCase(scheme, known)) return true;
    return false;
}

Text ResolveWebReference(const Text& base, const Text& location) {
    const std::string& reference = location.Bytes();
    if (reference.empty() || reference.find('\0') != std::string::npos) return {};
    CurlUrl url(curl_url());
    if (!url) return {};
    const unsigned int flags = CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE;
    // On a handle that holds an address, a relative reference is resolved
    // against it; on an empty one only an absolute reference parses.
    if (curl_url_set(url.get(), CURLUPART_URL, base.Bytes().c_str(), flags) != CURLUE_OK) url.reset(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, reference.c_str(), flags) != CURLUE_OK) return {};
    char* resolved = nullptr;
    if (curl_url_get(url.get(), CURLUPART_URL, &resolved, 0) != CURLUE_OK || !resolved) return {};
    const std::string result = resolved;
    curl_free(resolved);
    if (!IsWebAddress(result)) return {};
    return Text::Gbk(result);
}

}  // namespace lumora
