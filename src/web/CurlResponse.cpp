// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/CurlResponse.h"

#include <algorithm>
#include <string_view>

namespace lumora {

void CurlResponse::Install(CURL* easy) {
    easy_ = easy;
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
}

std::size_t CurlResponse::OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* response = static_cast<CurlResponse*>(user);
    const std::size_t n = size * count;
    if (n > response->maxBody - response->bodyBytes) {
        response->overCap = true;
        return n == 0 ? 1 : 0;  // any count other than n ends the transfer
    }
    response->bodyBytes += n;
    if (response->bodySink) {
        response->bodySink(std::string_view(data, n));
        return n;
    }
    if (response->body.empty()) {
        // A large body announced by its length is stored without regrowing
        // (each regrowth copies all and touches fresh pages). Never past the
        // cap, so a false length costs at most address space.
        curl_off_t length = -1;
        if (curl_easy_getinfo(response->easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length > 0)
            response->body.reserve(std::min(static_cast<std::size_t>(length), response->maxBody));
    }
    response->body.append(data, n);
    return n;
}

std::size_t CurlResponse::OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* response = static_cast<CurlResponse*>(user);
    const std::size_t n = size * count;
    std::string_view line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (!response->inBlock_) {
        if (!line.starts_with("HTTP/")) return n;  // trailers after a block
        response->headerBlock.clear();
        response->inBlock_ = true;
        response->blockComplete = false;
        if (!response->keepStatusLine) return n;
    }
    if (response->headerBlock.size() + line.size() + 2 > response->maxHeaderBlock) {
        response->overCap = true;
        return 0;
    }
    response->headerBlock.append(line);
    response->headerBlock += "\r\n";
    if (line.empty()) {
        response->inBlock_ = false;
        response->blockComplete = true;
    }
    return n;
}

}  // namespace lumora
