// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/ObjectTransfer.h"

#include "web/CurlPolicy.h"
#include "web/CurlResponse.h"
#include "web/PageRequest.h"
#include "web/WebLog.h"
#include "web/WebText.h"

#include <curl/curl.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kDefaultLimit = 10s;
// Name resolution (5 s) and connecting (10 s) together.
constexpr std::chrono::milliseconds kConnectTimeout = 15s;
// No byte moved for this long ends the transfer: while the body goes out,
// and while the answer is awaited or comes in.
constexpr std::chrono::milliseconds kSendStall = 10s;
constexpr std::chrono::milliseconds kReceiveStall = 30s;
constexpr std::size_t kMaxBody = 64u * 1024 * 1024;  // also the largest local file read
constexpr std::size_t kMaxHeaderBlock = 1024 * 1024;
constexpr long kMaxRedirects = 10;

std::atomic<bool> gClientMissing{false};

enum class Mode { Body, Headers, Location };

// An HTTP method name: a token of visible characters without separators.
bool IsToken(std::string_view verb) {
    if (verb.empty()) return false;
    for (unsigned char c : verb)
        if (c <= 0x20 || c >= 0x7F ||
            std::string_view("\"(),/:;<=>?@[\\]{}").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    return true;
}

// One header line, its value in UTF-8, added to `block`. False when the
// value holds a line break or another control character, which would forge
// header lines: such a request is not sent at all.
bool AddHeader(std::string& block, const char* name, const Text& value) {
    const std::string bytes = value.ToUtf8();
    for (unsigned char c : bytes)
        if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
    block += std::string(name) + ": " + bytes + "\r\n";
    return true;
}

// The value of the first line named `name` (lower case; matched ignoring
// case) in a header block, without the blanks around it. (curl's own header
// lookup leaves a CR in an empty value.)
ByteSet HeaderIn(std::string_view block, std::string_view name) {
    while (!block.empty()) {
        const std::size_t end = block.find("\r\n");
        std::string_view line = block.substr(0, end);
        block.remove_prefix(end == std::string_view::npos ? block.size() : end + 2);
        const std::size_t colon = line.find(':');
        if (colon != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < colon && same; ++i) {
            char c = line[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            same = c == name[i];
        }
        if (!same) continue;
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
        return ByteSet(value);
    }
    return {};
}

// The plain GET used when no HTTP client can be created.
ByteSet PlainGet(const Text& url) {
    PageRequestArgs args;
    args.proxy = Text();
    args.limits.connectTimeout = kConnectTimeout;
    return PageRequest(url, args);
}

// The request on `kept` when given (reset first, its connections kept), else
// on a handle of its own.
Result<ByteSet> Perform(CURL* kept, Text url, const ObjectRequestArgs& args, Clock::time_point deadline) {
    Mode mode = Mode::Body;
    if (StartsWithNoCase(url.Bytes(), "head@")) {
        mode = Mode::Headers;
        url = url.Mid(6);
    }
    bool noRedirects = false;
    if (StartsWithNoCase(url.Bytes(), "loca@")) {
        mode = Mode::Location;  // "head@loca@" too: the later prefix decides
        noRedirects = true;
        url = url.Mid(6);
    }

    CurlEasy own;
    if (kept != nullptr) {
        curl_easy_reset(kept);
    } else {
        own.reset(gClientMissing || !CurlReady() ? nullptr : curl_easy_init());
        if (!own) return PlainGet(url);
    }

    // A POST body comes from the address: the text after its one "?".
    Text verb = args.method.Empty() ? Text("GET") : args.method.Upper();
    ByteSet body;
    bool hasBody = false;
    if (verb == Text("POST") && url.Find(Text("?"), 2) != 0) {
        const std::vector<Text> pieces = url.Split(Text("?"));
        if (pieces.size() == 2) {
            url = pieces[0];
            body = pieces[1].ToUtf8();
            hasBody = true;
        }
    }
    if (mode == Mode::Headers) verb = Text("HEAD");
    if (noRedirects) verb = Text("GET");

    const std::string wireUrl = WireUrl(url);
    if (!(StartsWithNoCase(url.Bytes(), "http://") || StartsWithNoCase(url.Bytes(), "https://")) || wireUrl.empty())
        return Failure{FailureKind::Refused, "not a usable web address"};
    if (!IsToken(verb.Bytes())) return Failure{FailureKind::Refused, "not a method name"};

    std::string block;
    const bool headersOk =
        AddHeader(block, "Referer", args.referer.Empty() ? SiteOrigin(url) : args.referer) &&
        AddHeader(block, "User-Agent", args.userAgent.Empty() ? Text(kObjectRequestAgent) : args.userAgent) &&
        (args.userKey.Empty() || AddHeader(block, "User-Key", args.userKey)) &&
        (args.cookie.Empty() || AddHeader(block, "Cookie", args.cookie)) &&
        (!hasBody || AddHeader(block, "Content-Type", Text("application/x-www-form-urlencoded")));
    if (!headersOk) return Failure{FailureKind::Refused, "control characters in a header value"};
    const CurlHeaderList headerList = hasBody ? CurlHeaderLines(block, {"Accept", "Expect"})
                                              : CurlHeaderLines(block, {"Accept", "Expect", "Content-Type"});
    if (!headerList) return Failure{FailureKind::Refused, "out of memory"};

    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return Failure{FailureKind::Stalled, "the time limit passed"};

    CURL* handle = kept != nullptr ? kept : own.get();
    CurlResponse transfer;
    transfer.maxBody = kMaxBody;
    transfer.maxHeaderBlock = kMaxHeaderBlock;
    transfer.keepStatusLine = false;  // the block is the header lines alone
    transfer.Install(handle);
    CurlPolicy policy;
    policy.connectTimeout = kConnectTimeout;
    policy.timeout = left;
    policy.maxBody = kMaxBody;
    policy.followRedirects = !noRedirects;
    policy.maxRedirects = kMaxRedirects;
    policy.proxy = std::string();  // direct, whatever the environment says
    policy.sendStall = kSendStall;
    policy.receiveStall = kReceiveStall;
    CurlStallWatch watch;
    ApplyCurlPolicy(handle, policy, watch);
    curl_easy_setopt(handle, CURLOPT_URL, wireUrl.c_str());
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headerList.get());

    // Only GET and HEAD go without the body.
    const bool sendBody = hasBody && verb != Text("GET") && verb != Text("HEAD");
    if (verb == Text("HEAD")) {
        curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    } else if (verb == Text("POST") || sendBody) {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(sendBody ? body.size() : 0));
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, sendBody ? body.data() : "");
        if (verb != Text("POST")) curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, verb.Data());
    } else {
        curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
        if (verb != Text("GET")) curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, verb.Data());
    }

    // Credentials only as a pair.
    const std::string user = args.user.ToUtf8();
    const std::string password = args.password.ToUtf8();
    if (!user.empty() && !password.empty()) {
        curl_easy_setopt(handle, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(handle, CURLOPT_USERNAME, user.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, password.c_str());
    }

    const TransferOutcome outcome = OutcomeOf(handle, curl_easy_perform(handle), watch);
    LogTransfer(handle, outcome);
    if (outcome.failure) return *outcome.failure;
    if (transfer.overCap) return Failure{FailureKind::TooLarge, "the answer is past its size cap"};

    switch (mode) {
        case Mode::Headers:
            return transfer.blockComplete ? transfer.headerBlock : ByteSet();
        case Mode::Location:
            return transfer.blockComplete ? HeaderIn(transfer.headerBlock, "location") : ByteSet();
        case Mode::Body:
            break;
    }
    return std::move(transfer.body);
}

// The result of Perform; empty when it failed.
ByteSet PerformLogged(CURL* kept, const Text& url, const ObjectRequestArgs& args, Clock::time_point deadline) {
    Result<ByteSet> result = Perform(kept, url, args, deadline);
    if (!result) {
        // Failed transfers are in the log already; this says why one was not sent.
        if (result.Error().kind == FailureKind::Refused)
            LogDebug(LogLayer::Web,
                     PercentEncoded(url.ToUtf8(), PercentSet::Address) + ": not sent: " + result.Error().reason);
        return {};
    }
    return std::move(result.Value());
}

// The whole content of a regular file, or empty. Devices, pipes and files
// over the body cap are refused: they could block or never end.
ByteSet ReadLocalFile(const Text& name) {
    const std::string path = name.ToUtf8();
    if (path.empty() || path.find('\0') != std::string::npos) return {};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return {};
    ByteSet content;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) <= kMaxBody) {
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 || content.size() + static_cast<std::size_t>(n) > kMaxBody) {
                content.clear();
                break;
            }
            if (n == 0) break;
            content.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return content;
}

}  // namespace

std::chrono::milliseconds ObjectRequestLimit(const ObjectRequestArgs& args) {
    if (args.limit.count() > 0) return args.limit;
    if (args.timeoutSeconds > 0) return std::chrono::seconds(args.timeoutSeconds);
    return kDefaultLimit;
}

ByteSet ObjectTransfer(CURL* easy, const Text& url, const ObjectRequestArgs& args, Clock::time_point deadline) {
    if (!(url.StartsWith(Text("http://")) || url.StartsWith(Text("https://")) || url.StartsWith(Text("head@")) ||
          url.StartsWith(Text("loca@"))))
        return ReadLocalFile(url);
    return PerformLogged(easy, url, args, deadline);
}

void SetObjectRequestClientMissing(bool missing) { gClientMissing = missing; }

}  // namespace lumora
