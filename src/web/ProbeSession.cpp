// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/ProbeSession.h"

#include "web/CurlPolicy.h"
#include "web/ObjectTransfer.h"
#include "web/SocketProbeRequest.h"

#include <string>
#include <string_view>

namespace lumora {

namespace {

// A redirect's body read only to keep the connection: past this much the
// connection is dropped instead.
constexpr std::size_t kMaxDrained = 64 * 1024;

// How long a head that ends the chain waits for the first bytes of its body,
// which a server usually sends with it. (curl looks at a quiet transfer
// about once a second, so the wait may be that long.)
constexpr std::chrono::milliseconds kBodyGrace{200};

// The raw answer as a head probe keeps it.
struct HeadCapture {
    using Clock = std::chrono::steady_clock;
    std::string head;
    bool blockEnded = false;  // a final (not 1xx) header block ended
    bool interim = false;     // the block being read is a 1xx one
    Clock::time_point endedAt;
    std::size_t drained = 0;

    void Keep(std::string_view bytes) {
        head.append(bytes.substr(0, ProbeSession::kHeadBytes - std::min(head.size(), ProbeSession::kHeadBytes)));
    }
    // The probe reads "Location" anywhere in the head as a redirect.
    bool Redirects() const { return head.find("Location") != std::string::npos; }

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
        auto* capture = static_cast<HeadCapture*>(user);
        const std::string_view line(data, size * count);
        capture->Keep(line);
        if (line.starts_with("HTTP/")) {
            const std::size_t space = line.find(' ');
            capture->interim = space != std::string_view::npos && line.substr(space + 1).starts_with("1");
        } else if (line == "\r\n" || line == "\n") {
            if (!capture->interim) {
                capture->blockEnded = true;
                capture->endedAt = Clock::now();
            }
        }
        return size * count;
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
        auto* capture = static_cast<HeadCapture*>(user);
        const std::size_t n = size * count;
        capture->Keep(std::string_view(data, n));
        // No head at all (an answer in no HTTP form), or one that ends the
        // chain: what came is enough. Any count but n ends the transfer.
        if (!capture->blockEnded || !capture->Redirects()) return 0;
        capture->drained += n;
        return capture->drained > kMaxDrained ? 0 : n;
    }

    // A head that ends the chain and whose body does not follow soon is
    // enough as it is. Non-zero ends the transfer.
    static int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        const auto* capture = static_cast<const HeadCapture*>(user);
        return capture->blockEnded && !capture->Redirects() && Clock::now() - capture->endedAt >= kBodyGrace;
    }
};

}  // namespace

ProbeSession::ProbeSession() : easy_(CurlReady() ? curl_easy_init() : nullptr) {}

Text ProbeSession::Head(const Text& address, std::chrono::milliseconds limit) {
    if (address.Left(7) != Text("http://") || limit.count() <= 0 || !easy_) return {};
    const std::optional<SocketProbeRequest> plan = ComposeSocketProbeRequest(address);
    if (!plan) return {};
    const CurlHeaderList headers = CurlHeaderLines(plan->headers.Bytes());
    if (!headers) return {};

    CURL* handle = easy_.get();
    curl_easy_reset(handle);
    CurlPolicy policy;
    policy.connectTimeout = limit;
    policy.timeout = limit;
    policy.proxy = std::string();
    CurlStallWatch watch;
    ApplyCurlPolicy(handle, policy, watch);  // its progress watch is replaced below: the limit is the time-out
    // The server's address as the probe connects to it; the request line
    // carries the probe's own target.
    const std::string url = "http://" + plan->server.ToUtf8() + ":" + std::to_string(plan->port) + "/";
    const std::string target = plan->target.Bytes();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_REQUEST_TARGET, target.c_str());
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    // The bytes as they come: garbage too, chunked framing and codings left in.
    curl_easy_setopt(handle, CURLOPT_HTTP09_ALLOWED, 1L);
    curl_easy_setopt(handle, CURLOPT_HTTP_TRANSFER_DECODING, 0L);
    curl_easy_setopt(handle, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    HeadCapture capture;
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, HeadCapture::OnHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &capture);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, HeadCapture::OnBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &capture);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, HeadCapture::OnProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &capture);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    // Whatever arrived counts, however the transfer ended.
    curl_easy_perform(handle);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    return Text::Gbk(capture.head.substr(0, capture.head.find('\0')));
}

Text ProbeSession::Location(const Text& address, std::chrono::milliseconds limit) {
    ObjectRequestArgs args;
    args.limit = limit;
    const ByteSet bytes =
        ObjectTransfer(easy_.get(), Text("loca@") + address, args, std::chrono::steady_clock::now() + limit);
    return Text::Gbk(bytes.substr(0, bytes.find('\0')));
}

}  // namespace lumora
