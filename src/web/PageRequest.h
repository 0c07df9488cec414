// SPDX-License-Identifier: GPL-3.0-or-later
// One blocking HTTP or HTTPS request with the program's default headers,
// cookies and redirect output, on libcurl.
//
// Every call uses its own transfer handle (or the caller's PageConnection)
// and shares no state with other calls, so worker threads may call it
// concurrently.
#pragma once

#include "base/Result.h"
#include "base/Text.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <stop_token>
#include <string_view>

namespace lumora {

// The agent sent when the caller's header lines carry no User-Agent line.
inline constexpr std::string_view kDefaultPageAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; 2Pac; .NET CLR 2.0.50727; .NET CLR 3.0.04506.648; "
    ".NET CLR 3.5.21022)";

// Bounds that keep a hostile or dead server from holding a caller forever.
// Reaching one ends the request as failed, with an empty body.
struct PageRequestLimits {
    std::size_t maxBodyBytes = 64u * 1024 * 1024;
    std::chrono::milliseconds connectTimeout{60'000};
    // No byte moved either way for this long, once connected. Checked about
    // once a second, so shorter limits act as about one second.
    std::chrono::milliseconds noProgressTimeout{30'000};
    // The whole request, redirects included, counted from its start: a
    // server that trickles a byte now and then never reaches the stall limit.
    std::chrono::milliseconds overallTimeout{60'000};
    int maxRedirects = 10;
};

struct PageRequestArgs;

// A transfer handle kept between the requests of one thread: a request to
// the server of an earlier one goes on its open connection instead of
// connecting again. The requests themselves are the same on the wire. Used
// by one thread at a time.
class PageConnection {
public:
    PageConnection();
    ~PageConnection();
    PageConnection(const PageConnection&) = delete;
    PageConnection& operator=(const PageConnection&) = delete;

private:
    friend Result<ByteSet> RequestPage(const Text& url, PageRequestArgs& args);
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

// Takes a response body piece by piece as it arrives, for a caller that reads
// a large page without holding it whole.
class PageBodySink {
public:
    virtual ~PageBodySink() = default;
    // A response begins. Anything taken before it was the body of a redirect
    // that is being followed, and is no part of the result.
    virtual void Restart() = 0;
    virtual void Take(std::string_view piece) = 0;
};

// The optional and in/out arguments of PageRequest. Omitted ones read as
// empty, 0 or false; only the proxy's presence matters.
struct PageRequestArgs {
    // 1 sends "POST"; anything else "GET". A body goes out whenever method != 0.
    int method = 0;
    // Form body, used when postBytes is empty.
    Text postText;
    // In/out: "name=value; ..." to send; on return merged with the response's
    // cookies (MergeCookies).
    Text cookies;
    // Out: the cookies this response set, pairs joined by ";".
    Text newCookies;
    // In/out: extra request lines separated by CR LF, no trailing CR LF. On
    // return it holds the lines actually sent, defaults appended.
    Text headers;
    // Out: the last "Location:" line's value, else the whole rawHeaders.
    Text redirectTarget;
    // True: a redirect response is returned instead of followed.
    bool noRedirect = false;
    // In/out: body for posts; when empty and a body is sent, filled from postText.
    ByteSet postBytes;
    // Proxy for http requests ("host:port"). Omitted or empty: direct
    // connection; the environment's proxy settings are never used.
    std::optional<Text> proxy;
    // Out: the final response's status line and header lines, each ending in
    // CR LF, then the blank line's CR LF. A block that does not fit in 4999
    // bytes, or no response at all, leaves 5000 spaces.
    Text rawHeaders;
    PageRequestLimits limits;
    // When set, the body goes to the sink as it arrives and the returned body
    // stays empty. Called on the requesting thread.
    PageBodySink* bodySink = nullptr;
    // Once requested, the request ends (within about a second) as failed.
    std::stop_token stop;
    // When set, the request goes through this kept handle (see PageConnection).
    PageConnection* connection = nullptr;
    // Out: true when the transfer completed (whatever its status code); false
    // when it failed, in which case what a sink took is no body.
    bool completed = false;
};

// Performs the request and returns the response body; redirects are followed
// (at most limits.maxRedirects, http and https only) unless args.noRedirect.
// Status codes are not examined: an error page is a body like any other. A
// failed transfer returns an empty body. When the request can't even be set
// up (no transfer handle, no usable host or port, control characters in the
// address) the body is empty and every field of `args` is left as it was.
// Blocks until the transfer ends.
ByteSet PageRequest(const Text& url, PageRequestArgs& args);
// PageRequest, with the reason when it fails (the outputs in `args` are the same).
Result<ByteSet> RequestPage(const Text& url, PageRequestArgs& args);

// PageRequest, its body read as UTF-8 (Utf8BytesToText).
Text FetchPageText(const Text& url, PageRequestArgs& args);
// A plain GET with the default headers, direct connection, outputs dropped.
Text FetchPageText(const Text& url);

}  // namespace lumora
