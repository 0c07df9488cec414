#include "web/PageRequest.h"
#include "web/CurlHandles.h"
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

using Easy = CurlEasy;
using HeaderList = CurlHeaderList;
using UrlHandle = CurlUrl;

// Path bytes that curl's URL parser would refuse, percent-encoded. Only used
// for the URL curl resolves redirects against; the request line itself
// carries the path unchanged.
std::string PathForParser(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (c <= 0x20 || c >= 0x7F || std::string_view("\"<>\\^`{|}").find(static_cast<char>(c)) != std::string_view::npos) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

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
        if (c <= 0x20 || c == 0x7F || std::string_view("/?#@[]\\%:").find(static_cast<char>(c)) != std::string_view::npos)
            return {};

    std::string address = std::string(secure ? "https://" : "http://") + host + ":" + std::to_string(port);
    address += PathForParser(UrlPath(url).Bytes());
    UrlHandle handle(curl_url());
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, address.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK)
        return {};
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

// One curl header entry per line. Any CR or LF ends a line, so no text can
// smuggle extra lines or an early end of the header block. Cookie and
// Authorization lines are left out for a hop to another origin.
HeaderList HeaderListFor(const Text& headers, bool keepCredentials) {
    curl_slist* list = nullptr;
    const std::string& bytes = headers.Bytes();
    std::size_t start = 0;
    while (start <= bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        // curl reads "Name:" with nothing after it as "remove this header";
        // "Name;" is its form for a line with an empty value.
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && colon > 0 && line.find_first_not_of(" \t", colon + 1) == std::string::npos)
            line = line.substr(0, colon) + ";";
        const bool credential = StartsWithNoCase(line, "cookie:") || StartsWithNoCase(line, "authorization:") ||
                                StartsWithNoCase(line, "cookie;") || StartsWithNoCase(line, "authorization;");
        if (!line.empty() && line.find('\0') == std::string::npos && (keepCredentials || !credential)) {
            curl_slist* grown = curl_slist_append(list, line.c_str());
            if (!grown) break;
            list = grown;
        }
        start = end + 1;
    }
    // Name-only entries keep curl from adding lines of its own.
    for (const char* suppressed : {"Expect:", "Accept:", "Content-Type:"}) {
        curl_slist* grown = curl_slist_append(list, suppressed);
        if (!grown) break;
        list = grown;
    }
    return HeaderList(list);
}

bool IsFollowedStatus(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

void SetCommonOptions(CURL* easy, const Text& agent, const PageRequestLimits& limits) {
    const std::string agentLine = agent.Bytes().substr(0, agent.Bytes().find_first_of(std::string("\r\n\0", 3)));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, agentLine.c_str());  // copied by curl
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);  // hops are followed here, see PageRequest
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBodyBytes));
}

}  // namespace

ByteSet PageRequest(const Text& url, PageRequestArgs& args) {
    // A request line can't carry control characters; such an address is unusable.
    for (unsigned char c : url.Bytes())
        if (c < 0x20 || c == 0x7F) return {};
    if (!CurlReady()) return {};
    const std::string firstUrl = FirstHopUrl(url);
    if (firstUrl.empty()) return {};
    Easy easy(curl_easy_init());
    if (!easy) return {};

    const Text agent = AgentFor(args.headers);
    args.headers = CompletedHeaders(args.headers, url, args.cookies);
    bool sendBody = args.method != 0;
    if (sendBody && args.postBytes.empty()) args.postBytes = args.postText.Bytes();
    // A zero-length body adds nothing to a GET; a POST still announces it.
    if (args.method != 1 && args.postBytes.empty()) sendBody = false;

    SetCommonOptions(easy.get(), agent, args.limits);
    const std::string target = UrlPath(url).Bytes();
    const std::string firstOrigin = OriginOf(firstUrl);
    const bool proxied = args.proxy.has_value() && !args.proxy->Empty();
    const std::string proxy = proxied ? args.proxy->Bytes() : std::string();
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
    bool failed = false;
    for (int hop = 0;; ++hop) {
        CURL* handle = easy.get();
        // The proxy serves http addresses only; https goes direct.
        const bool viaProxy = proxied && StartsWithNoCase(hopUrl, "http://");
        curl_easy_setopt(handle, CURLOPT_PROXY, viaProxy ? proxy.c_str() : "");
        curl_easy_setopt(handle, CURLOPT_NOPROXY, "");

        curl_easy_setopt(handle, CURLOPT_URL, hopUrl.c_str());
        // A proxy takes the absolute form of the target.
        curl_easy_setopt(handle, CURLOPT_REQUEST_TARGET,
                         hop != 0 ? nullptr : viaProxy ? proxyTarget.c_str() : target.c_str());
        curl_easy_setopt(handle, CURLOPT_PATH_AS_IS, hop == 0 ? 1L : 0L);

        if (sendBody) {
            curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(args.postBytes.size()));
            curl_easy_setopt(handle, CURLOPT_POSTFIELDS, args.postBytes.data());
            curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, verbIsPost ? nullptr : "GET");
        } else {
            curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
            curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, nullptr);
        }

        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            failed = true;
            break;
        }
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));

        HeaderList headerList = HeaderListFor(args.headers, OriginOf(hopUrl) == firstOrigin);
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headerList.get());

        response = CurlResponse{};
        response.maxBody = args.limits.maxBodyBytes;
        response.sendStall = response.receiveStall = args.limits.noProgressTimeout;
        response.stop = args.stop;
        if (PageBodySink* sink = args.bodySink) {
            sink->Restart();
            response.bodySink = [sink](std::string_view piece) { sink->Take(piece); };
        }
        response.Install(handle);

        const CURLcode result = curl_easy_perform(handle);
        LogTransfer(handle, result);
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
        if (result != CURLE_OK) {
            failed = true;
            break;
        }
        if (args.noRedirect || hop >= args.limits.maxRedirects) break;

        long status = 0;
        char* next = nullptr;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &next);
        // A redirect anywhere but http or https is not followed; its own response is the result.
        if (!IsFollowedStatus(status) || !next ||
            !(StartsWithNoCase(next, "http://") || StartsWithNoCase(next, "https://")))
            break;
        hopUrl = next;
        if (status == 301 || status == 302 || status == 303) {
            sendBody = false;
            verbIsPost = false;
        }
    }

    ByteSet body = failed ? ByteSet() : std::move(response.body);
    args.completed = !failed;

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
    return body;
}

Text FetchPageText(const Text& url, PageRequestArgs& args) {
    return Utf8BytesToText(PageRequest(url, args));
}

Text FetchPageText(const Text& url) {
    PageRequestArgs args;
    args.proxy = Text();
    return FetchPageText(url, args);
}

}  // namespace lumora
