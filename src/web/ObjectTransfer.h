// SPDX-License-Identifier: GPL-3.0-or-later
// The request of the request object made on the calling thread: the modes
// and headers of ObjectRequest (see ObjectRequest.h), libcurl's transfer and
// the program's policy for it, without a worker or a wait.
#pragma once

#include "base/Text.h"

#include <chrono>
#include <curl/curl.h>
#include <cstddef>

namespace lumora {

inline constexpr const char* kObjectRequestAgent = "QuilPlayer/QQ100200300";

struct ObjectRequestArgs {
    Text method;             // empty: GET
    Text userAgent;          // empty: kObjectRequestAgent
    Text referer;            // empty: SiteOrigin of the address
    Text userKey;            // empty: no User-Key header
    Text cookie;             // empty: no Cookie header
    int timeoutSeconds = 0;  // 0: 10 s
    Text user;               // credentials only when both are given
    Text password;
    // Overrides timeoutSeconds when above 0 (tests use short limits).
    std::chrono::milliseconds limit{0};
};

// The time limit `args` ask for: limit, else timeoutSeconds, else 10 s.
std::chrono::milliseconds ObjectRequestLimit(const ObjectRequestArgs& args);

// The request, on `easy` when given (reset first; its connections stay for
// the next call, so a chain of requests to one server uses one connection),
// else on a handle of its own. The transfer ends by `deadline`. Failures are
// logged and give an empty result. An address that begins with none of
// "http://", "https://", "head@" and "loca@" is read as a local file.
ByteSet ObjectTransfer(CURL* easy, const Text& url, const ObjectRequestArgs& args,
                       std::chrono::steady_clock::time_point deadline);

// For tests: while true, workers act as if no HTTP client could be created
// and fetch the address with a plain GET instead (PageRequest), ignoring
// every other argument.
void SetObjectRequestClientMissing(bool missing);

}  // namespace lumora
