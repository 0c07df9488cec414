// SPDX-License-Identifier: GPL-3.0-or-later
// How every libcurl transfer of the program is set up: http and https only
// (redirects too), no signals, the time limits, the agent, the proxy, the
// watch that ends a transfer moving no byte, the header lines, and the
// reason of a failed transfer. Each request kind fills in what differs.
#pragma once

#include "base/Result.h"
#include "web/CurlHandles.h"

#include <chrono>
#include <cstddef>
#include <curl/curl.h>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace lumora {

struct CurlPolicy {
    using Duration = std::chrono::milliseconds;

    Duration connectTimeout{};
    Duration timeout{};       // the whole transfer; 0: none
    std::size_t maxBody = 0;  // an announced body past this fails at once; 0: none
    bool followRedirects = false;
    long maxRedirects = 10;            // when followed
    bool http11 = true;                // false: curl's choice
    std::optional<std::string> agent;  // none: curl sends no agent of its own
    // "host:port", or empty for a direct connection. None: curl's default,
    // which reads the environment's proxy settings.
    std::optional<std::string> proxy;
    // No byte moved, once connected, for this long ends the transfer: while
    // the request body goes out, and while the answer is awaited or comes in.
    // Checked about once a second, so shorter limits act as about one second.
    Duration sendStall{30'000};
    Duration receiveStall{30'000};
    // Once requested, the transfer ends (within about a second) as failed.
    std::stop_token stop;
};

// Ends a transfer that has moved no byte for the stall limit of its phase,
// or whose stop was requested. (curl's own low-speed check averages over
// several seconds, so a server that stops mid-body would be noticed late.)
// Lives as long as the transfer it watches.
class CurlStallWatch {
public:
    bool Stalled() const { return stalled_; }
    bool Stopped() const { return stopped_; }

private:
    friend void ApplyCurlPolicy(CURL* easy, const CurlPolicy& policy, CurlStallWatch& watch);
    using Clock = std::chrono::steady_clock;
    static int OnConnected(void* user, char*, char*, int, int);
    static int OnProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t uploadTotal, curl_off_t uploaded);

    Clock::duration sendStall_{};
    Clock::duration receiveStall_{};
    std::stop_token stop_;
    bool connected_ = false;
    Clock::time_point lastProgress_{};
    curl_off_t lastCount_ = -1;
    bool stalled_ = false;
    bool stopped_ = false;
};

// Sets `easy` up as `policy` says, `watch` watching it. May be called again
// on the same handle between transfers.
void ApplyCurlPolicy(CURL* easy, const CurlPolicy& policy, CurlStallWatch& watch);

// One curl entry per line of `block` (a line ends at any CR or LF, so no text
// can smuggle extra lines or an early end of the header block); empty lines
// and lines holding a zero byte are left out, and so are lines `drop` names.
// "Name:" with nothing after it goes out as "Name;", curl's form for a line
// with an empty value (its "Name:" would remove the header). Then one
// name-only entry for each of `suppressed` ("Expect", ...), which keeps curl
// from adding a line of its own. Null only when memory ran out.
CurlHeaderList CurlHeaderLines(std::string_view block, std::initializer_list<std::string_view> suppressed = {},
                               const std::function<bool(std::string_view line)>& drop = {});

// Why a transfer that curl_easy_perform ended with `code` failed, or that it
// did not (status 0 when no answer came).
struct TransferOutcome {
    long status = 0;
    std::optional<Failure> failure;
};
TransferOutcome OutcomeOf(CURL* easy, CURLcode code, const CurlStallWatch& watch);

}  // namespace lumora
