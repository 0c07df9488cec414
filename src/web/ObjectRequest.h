// One HTTP request on a worker thread while the caller keeps handling its
// events: the request object of the music-service resolvers and the
// `Location` lookups of the stream probe.
//
// Modes, chosen by a prefix on the address (removed before the request):
//   none     the method (GET by default), redirects followed, result: the body
//   "head@"  HEAD, redirects followed, result: the response header block
//   "loca@"  GET, no redirects, result: the value of the Location header
// An address that begins with none of "http://", "https://", "head@" and
// "loca@" is read as a local file instead, without a thread.
//
// The caller waits at most the time limit, counted from the start of the
// wait; a worker that outlives it is abandoned and its result never used.
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

ByteSet ObjectRequest(const Text& url, const ObjectRequestArgs& args = {});
// ObjectRequest made on the calling thread through `easy`, a handle the
// caller keeps between requests so that they share its connections (a chain
// of lookups on one server uses one connection). The handle is reset first;
// the time limit is the transfer's own. Null `easy`: ObjectRequest.
ByteSet ObjectRequestOn(CURL* easy, const Text& url, const ObjectRequestArgs& args = {});
// The bytes of ObjectRequest up to their first zero byte, unconverted.
Text ObjectRequestText(const Text& url, const ObjectRequestArgs& args = {});
// ObjectRequestText of "loca@" + url with every other argument empty.
Text RedirectTarget(const Text& url, std::chrono::milliseconds limit = std::chrono::seconds(10));

// How many request workers this process has started (for tests: a local
// file is read without one).
std::size_t ObjectRequestWorkersStarted();

// For tests: while true, workers act as if no HTTP client could be created
// and fetch the address with a plain GET instead (PageRequest), ignoring
// every other argument.
void SetObjectRequestClientMissing(bool missing);

}  // namespace lumora
