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
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, OnConnected);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
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
        if (curl_easy_getinfo(response->easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
            length > 0)
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

// Called once a connection (new or reused) is ready to take the request.
int CurlResponse::OnConnected(void* user, char*, char*, int, int) {
    auto* response = static_cast<CurlResponse*>(user);
    response->connected_ = true;
    response->lastProgress_ = Clock::now();
    response->lastCount_ = -1;
    return CURL_PREREQFUNC_OK;
}

// Ends a transfer that has moved no byte for the stall limit of its phase.
// (curl's own low-speed check averages over several seconds, so a server that
// stops mid-body would be noticed late.)
int CurlResponse::OnProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t uploadTotal,
                             curl_off_t uploaded) {
    auto* response = static_cast<CurlResponse*>(user);
    if (response->stop.stop_requested()) return 1;
    if (!response->connected_) return 0;
    const auto now = Clock::now();
    if (downloaded + uploaded != response->lastCount_) {
        response->lastCount_ = downloaded + uploaded;
        response->lastProgress_ = now;
        return 0;
    }
    const auto limit = uploaded < uploadTotal ? response->sendStall : response->receiveStall;
    return now - response->lastProgress_ >= limit ? 1 : 0;
}

}  // namespace lumora
