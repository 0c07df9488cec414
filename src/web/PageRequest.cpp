// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/PageRequest.h"
#include "web/CurlPolicy.h"
#include "web/CurlResponse.h"

#include "web/Cookies.h"
#include "web/WebLog.h"
#include "web/WebText.h"

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace lumora {

namespace {

// The raw header block is handed over in a buffer of this size; the block and
// a terminating zero must fit.
constexpr std::size_t kRawHeaderBuffer = 5000;

using UrlHandle = CurlUrl;

// scheme://host:port of an absolute URL, lower-case; empty when it does not parse.
std::string OriginOf(const std::string& url) {
    UrlHandle handle(curl_url());
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return {};
    std::string origin;
    for (CURLUPart part : {CURLUPART_SCHEME, CURLUPART_HOST, CURLUPART_PORT}) {
        char* value = nullptr;
        if (curl_url_get(handle.get(), part, &value, CURLU_DEFAULT_PORT) != CURLUE_OK) return {};
        origin += value;
        origin += '|';
        curl_free(value);
    }
    return Text::Gbk(origin).Lower().Bytes();
}

// The address of the first hop: scheme, host and port as the request
// connects to them, then the path in a form curl parses. Empty when the host
// or port can't be used.
std::string FirstHopUrl(const Text& url) {
    const bool secure = url.Left(5).Lower() == Text("https");
    const std::string host = UrlHost(url).ToUtf8();
    const int port = UrlPort(url);
    if (host.empty() || port < 1 || port > 65535) return {};
    for (unsigned char c : host)
        if (c <= 0x20 || c == 0x7F ||
            std::string_view("/?#@[]\\%:").find(static_cast<char>(c)) != std::string_view::npos)
            return {};

    std::string address = std::string(secure ? "https://" : "http://") + host + ":" + std::to_string(port);
    // Path bytes curl's URL parser would refuse are percent-encoded; only the
    // URL curl resolves redirects against sees them, the request line carries
    // the path unchanged.
    address += PercentEncoded(UrlPath(url).Bytes(), PercentSet::Address);
    UrlHandle handle(curl_url());
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, address.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK) return {};
    return address;
}

// The agent: the default, or the value of the caller's User-Agent line.
Text AgentFor(const Text& headers) {
    if (!headers.Contains(Text("User-Agent:"), true)) return Text::Gbk(std::string(kDefaultPageAgent));
    Text agent = ExtractBetween(headers, Text("User-Agent:"), Text("\r\n")).Trimmed();
    if (agent.Empty()) agent = HeaderValue(headers);
    return agent;
}

// The caller's lines followed by the defaults it lacks (exact-case searches).
Text CompletedHeaders(Text headers, const Text& url, const Text& cookies) {
    if (!headers.Contains(Text("Referer:")))
        headers += (headers.Empty() ? Text("Referer: ") : Text("\r\nReferer: ")) + url;
    if (!headers.Contains(Text("Accept:"))) headers += Text("\r\nAccept: */*");
    if (!headers.Contains(Text("Accept-Language:"))) headers += Text("\r\nAccept-Language: zh-cn");
    if (!headers.Contains(Text("Content-Type:")))
        headers += Text("\r\nContent-Type: application/x-www-form-urlencoded");
    if (!cookies.Empty()) headers += Text("\r\nCookie: ") + WithoutLineBreaks(cookies);
    return headers;
}

// The header lines of one hop. Cookie and Authorization lines are left out
// for a hop to another origin.
CurlHeaderList HeaderListFor(const Text& headers, bool keepCredentials) {
    const auto credential = [keepCredentials](std::string_view line) {
        return !keepCredentials && (StartsWithNoCase(line, "cookie:") || StartsWithNoCase(line, "authorization:") ||
                                    StartsWithNoCase(line, "cookie;") || StartsWithNoCase(line, "authorization;"));
    };
    return CurlHeaderLines(headers.Bytes(), {"Expect", "Accept", "Content-Type"}, credential);
}

bool IsFollowedStatus(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

struct PageConnection::Handle {
    CurlEasy easy;
};

PageConnection::PageConnection() : handle_(std::make_unique<Handle>()) {}
PageConnection::~PageConnection() = default;

Result<ByteSet> RequestPage(const Text& url, PageRequestArgs& args) {
    // A request line can't carry control characters; such an address is unusable.
    for (unsigned char c : url.Bytes())
        if (c < 0x20 || c == 0x7F) return Failure{FailureKind::Refused, "control characters in the address"};
    if (!CurlReady()) return Failure{FailureKind::Refused, "libcurl could not start"};
    const std::string firstUrl = FirstHopUrl(url);
    if (firstUrl.empty()) return Failure{FailureKind::Refused, "no usable host or port"};
    // A kept handle starts each request from curl's defaults, with its open
    // connections; otherwise the request has a handle of its own.
    CurlEasy own;
    CURL* const easy = [&]() -> CURL* {
        if (!args.connection) {
            own.reset(curl_easy_init());
            return own.get();
        }
        CurlEasy& kept = args.connection->handle_->easy;
        if (kept)
            curl_easy_reset(kept.get());
        else
            kept.reset(curl_easy_init());
        return kept.get();
    }();
    if (!easy) return Failure{FailureKind::Refused, "no transfer handle"};

    const Text agent = AgentFor(args.headers);
    args.headers = CompletedHeaders(args.headers, url, args.cookies);
    bool sendBody = args.method != 0;
    if (sendBody && args.postBytes.empty()) args.postBytes = args.postText.Bytes();
    // A zero-length body adds nothing to a GET; a POST still announces it.
    if (args.method != 1 && args.postBytes.empty()) sendBody = false;

    CurlPolicy policy;
    policy.agent = agent.Bytes().substr(0, agent.Bytes().find_first_of(std::string("\r\n\0", 3)));
    policy.connectTimeout = args.limits.connectTimeout;
    policy.maxBody = args.limits.maxBodyBytes;
    policy.followRedirects = false;  // hops are followed here, see below
    policy.sendStall = policy.receiveStall = args.limits.noProgressTimeout;
    policy.stop = args.stop;

    const std::string target = UrlPath(url).Bytes();
    const std::string firstOrigin = OriginOf(firstUrl);
    const bool proxied = args.proxy.has_value() && !args.proxy->Empty();
    const int port = UrlPort(url);
    const std::string proxyTarget =
        "http://" + UrlHost(url).ToUtf8() + (port == 80 ? std::string() : ":" + std::to_string(port)) + target;

    // Redirects are followed here rather than by curl: the first request line
    // carries the caller's path byte for byte (CURLOPT_REQUEST_TARGET), which
    // curl would otherwise repeat on every hop.
    std::string hopUrl = firstUrl;
    bool verbIsPost = args.method == 1;
    const auto deadline = std::chrono::steady_clock::now() + args.limits.overallTimeout;
    CurlResponse response;
    CurlStallWatch watch;
    std::optional<Failure> failure;
    for (int hop = 0;; ++hop) {
        CURL* handle = easy;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            failure = Failure{FailureKind::Stalled, "the time limit passed"};
            break;
        }
        // The proxy serves http addresses only; https goes direct.
        const bool viaProxy = proxied && StartsWithNoCase(hopUrl, "http://");
        policy.proxy = viaProxy ? args.proxy->Bytes() : std::string();
        policy.timeout = left;
        ApplyCurlPolicy(handle, policy, watch);

        curl_easy_setopt(handle, CURLOPT_URL, hopUrl.c_str());
        // A proxy takes the absolute form of the target.
        curl_easy_setopt(handle, CURLOPT_REQUEST_TARGET,
                         hop != 0   ? nullptr
                         : viaProxy ? proxyTarget.c_str()
                                    : target.c_str());
        curl_easy_setopt(handle, CURLOPT_PATH_AS_IS, hop == 0 ? 1L : 0L);

        if (sendBody) {
            curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(args.postBytes.size()));
            curl_easy_setopt(handle, CURLOPT_POSTFIELDS, args.postBytes.data());
            curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, verbIsPost ? nullptr : "GET");
        } else {
            curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
            curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, nullptr);
        }

        CurlHeaderList headerList = HeaderListFor(args.headers, OriginOf(hopUrl) == firstOrigin);
        if (!headerList) {
            failure = Failure{FailureKind::Refused, "out of memory"};
            break;
        }
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headerList.get());

        response = CurlResponse{};
        response.maxBody = args.limits.maxBodyBytes;
        if (PageBodySink* sink = args.bodySink) {
            sink->Restart();
            response.bodySink = [sink](std::string_view piece) { sink->Take(piece); };
        }
        response.Install(handle);

        const TransferOutcome outcome = OutcomeOf(handle, curl_easy_perform(handle), watch);
        LogTransfer(handle, outcome);
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
        if (outcome.failure) {
            failure = outcome.failure;
            if (response.overCap) failure->kind = FailureKind::TooLarge;
            break;
        }
        if (args.noRedirect || hop >= args.limits.maxRedirects) break;

        char* next = nullptr;
        curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &next);
        // A redirect anywhere but http or https is not followed; its own response is the result.
        if (!IsFollowedStatus(outcome.status) || !next ||
            !(StartsWithNoCase(next, "http://") || StartsWithNoCase(next, "https://")))
            break;
        hopUrl = next;
        if (outcome.status == 301 || outcome.status == 302 || outcome.status == 303) {
            sendBody = false;
            verbIsPost = false;
        }
    }

    args.completed = !failure;

    // The header block as a 5000-byte buffer would hold it: a block (with its
    // zero) that does not fit, or no block at all, leaves the spaces.
    if (response.blockComplete && response.headerBlock.size() < kRawHeaderBuffer)
        args.rawHeaders = Text::Gbk(response.headerBlock);
    else
        args.rawHeaders = Text::Gbk(std::string(kRawHeaderBuffer, ' '));

    Text location;
    Text newCookies;
    for (const Text& line : args.rawHeaders.Split(Text("\r\n"))) {
        if (line.Contains(Text("Location:"))) location = HeaderValue(line);
        if (line.Contains(Text("Set-Cookie")))
            newCookies += ExtractBetween(line, Text("Set-Cookie:"), Text(";")).Trimmed() + "; ";
    }
    newCookies = newCookies.Left(newCookies.Length() >= 2 ? newCookies.Length() - 2 : 0);
    args.redirectTarget = location.Empty() ? args.rawHeaders : location;
    MergeCookies(args.cookies, newCookies);
    args.newCookies = newCookies;
    if (failure) return *std::move(failure);
    return std::move(response.body);
}

ByteSet PageRequest(const Text& url, PageRequestArgs& args) { return RequestPage(url, args).ValueOr({}); }

Text FetchPageText(const Text& url, PageRequestArgs& args) { return Utf8BytesToText(PageRequest(url, args)); }

Text FetchPageText(const Text& url) {
    PageRequestArgs args;
    args.proxy = Text();
    return FetchPageText(url, args);
}

}  // namespace lumora
