// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/CurlPolicy.h"

#include <cstring>

namespace lumora {

void ApplyCurlPolicy(CURL* easy, const CurlPolicy& policy, CurlStallWatch& watch) {
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    if (policy.http11) curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    if (policy.agent) curl_easy_setopt(easy, CURLOPT_USERAGENT, policy.agent->c_str());  // copied by curl
    if (policy.proxy) {
        curl_easy_setopt(easy, CURLOPT_PROXY, policy.proxy->c_str());
        curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
    }
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, policy.followRedirects ? 1L : 0L);
    if (policy.followRedirects) curl_easy_setopt(easy, CURLOPT_MAXREDIRS, policy.maxRedirects);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(policy.connectTimeout.count()));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(policy.timeout.count()));
    if (policy.maxBody > 0) curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(policy.maxBody));

    watch = CurlStallWatch{};
    watch.sendStall_ = policy.sendStall;
    watch.receiveStall_ = policy.receiveStall;
    watch.stop_ = policy.stop;
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, CurlStallWatch::OnConnected);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, &watch);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, CurlStallWatch::OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &watch);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
}

// Called once a connection (new or reused) is ready to take the request,
// again for every redirect curl follows.
int CurlStallWatch::OnConnected(void* user, char*, char*, int, int) {
    auto* watch = static_cast<CurlStallWatch*>(user);
    watch->connected_ = true;
    watch->lastProgress_ = Clock::now();
    watch->lastCount_ = -1;
    return CURL_PREREQFUNC_OK;
}

int CurlStallWatch::OnProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t uploadTotal,
                               curl_off_t uploaded) {
    auto* watch = static_cast<CurlStallWatch*>(user);
    if (watch->stop_.stop_requested()) {
        watch->stopped_ = true;
        return 1;
    }
    if (!watch->connected_) return 0;
    const auto now = Clock::now();
    if (downloaded + uploaded != watch->lastCount_) {
        watch->lastCount_ = downloaded + uploaded;
        watch->lastProgress_ = now;
        return 0;
    }
    const auto limit = uploaded < uploadTotal ? watch->sendStall_ : watch->receiveStall_;
    watch->stalled_ = now - watch->lastProgress_ >= limit;
    return watch->stalled_ ? 1 : 0;
}

CurlHeaderList CurlHeaderLines(std::string_view block, std::initializer_list<std::string_view> suppressed,
                               const std::function<bool(std::string_view line)>& drop) {
    curl_slist* list = nullptr;
    const auto add = [&list](const std::string& entry) {
        curl_slist* grown = curl_slist_append(list, entry.c_str());
        if (!grown) return false;
        list = grown;
        return true;
    };
    bool ok = true;
    for (std::size_t start = 0; ok && start <= block.size();) {
        std::size_t end = block.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = block.size();
        std::string line(block.substr(start, end - start));
        start = end + 1;
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && colon > 0 && line.find_first_not_of(" \t", colon + 1) == std::string::npos)
            line = line.substr(0, colon) + ";";
        if (line.empty() || line.find('\0') != std::string::npos || (drop && drop(line))) continue;
        ok = add(line);
    }
    for (std::string_view name : suppressed)
        if (ok) ok = add(std::string(name) + ":");
    if (!ok) {
        curl_slist_free_all(list);
        return nullptr;
    }
    return CurlHeaderList(list);
}

TransferOutcome OutcomeOf(CURL* easy, CURLcode code, const CurlStallWatch& watch) {
    TransferOutcome outcome;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &outcome.status);
    if (code == CURLE_OK) return outcome;

    std::string reason = curl_easy_strerror(code);
    long osError = 0;
    if (curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osError) == CURLE_OK && osError != 0)
        reason += std::string(" (") + std::strerror(static_cast<int>(osError)) + ")";
    FailureKind kind = FailureKind::Network;
    if (watch.Stopped())
        kind = FailureKind::Stopped;
    else if (watch.Stalled() || code == CURLE_OPERATION_TIMEDOUT)
        kind = FailureKind::Stalled;
    else if (code == CURLE_FILESIZE_EXCEEDED)
        kind = FailureKind::TooLarge;
    else if (code == CURLE_HTTP_RETURNED_ERROR)
        kind = FailureKind::Status;
    else if (code == CURLE_URL_MALFORMAT || code == CURLE_UNSUPPORTED_PROTOCOL)
        kind = FailureKind::Refused;
    outcome.failure = Failure{kind, std::move(reason)};
    return outcome;
}

}  // namespace lumora
