// SPDX-License-Identifier: GPL-3.0-or-later
#include "probe/ProbeStream.h"

#include "LoopbackHttp.h"
#include "RawServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace lumora {
namespace {

using namespace std::chrono_literals;
using test::HttpReply;
using test::RawServer;
using Clock = std::chrono::steady_clock;

// Short limits keep a failing case from stalling the suite.
const ProbeLimits kLimits{2s, 2s, 10};
// For cases that must run into a limit; the check is only that nothing waits
// anywhere near the 10 s defaults.
const ProbeLimits kShortLimits{300ms, 300ms, 10};
constexpr auto kNoHang = 5s;

// The request-target of the first request line.
std::string Target(const std::string& request) {
    const std::size_t start = request.find(' ');
    const std::size_t end = request.find(' ', start + 1);
    if (start == std::string::npos || end == std::string::npos) return {};
    return request.substr(start + 1, end - start - 1);
}

// A literal's bytes, zero bytes included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

RawServer::Reply Answer(std::string bytes) {
    RawServer::Reply reply;
    reply.bytes = std::move(bytes);
    return reply;
}

// Accepts the request and then says nothing until the server stops.
RawServer::Reply Silence() {
    RawServer::Reply reply;
    reply.holdOpen = true;
    return reply;
}

// Every "$" becomes the server's "http://127.0.0.1:port".
std::string WithBase(std::string text, const std::string& base) {
    for (std::size_t at = text.find('$'); at != std::string::npos; at = text.find('$', at + base.size()))
        text.replace(at, 1, base);
    return text;
}

std::string Probe(const std::string& utf8Address, const ProbeLimits& limits = kLimits) {
    return ProbeStream(Text(utf8Address.c_str()), limits).ToUtf8();
}

// /hop/N redirects to /hop/N+1 while N < last; /hop/last answers with a video head.
RawServer::Handler Chain(const std::string& base, int last) {
    return [&base, last](const std::string& request, int) {
        const std::string target = Target(request);
        const int hop = target.rfind("/hop/", 0) == 0 ? std::atoi(target.c_str() + 5) : -1;
        if (hop >= 0 && hop < last)
            return Answer(HttpReply("302 Found", {"Location: " + base + "/hop/" + std::to_string(hop + 1)}, ""));
        if (hop == last) return Answer(HttpReply("200 OK", {"Content-Type: video/x-flv"}, "FLV"));
        return Answer(HttpReply("404 Not Found", {}, ""));
    };
}

TEST(ProbeStream, FollowsAShortRedirectChainToItsEnd) {
    std::string base;
    RawServer server(Chain(base, 3));
    base = server.Url("");

    EXPECT_EQ(Probe(base + "/hop/0"), "[Type]video/x-flv[/Type][Length]3[/Length][File]" + base + "/hop/3[/File]");
    // One probe of the start, then a lookup and a probe per hop.
    EXPECT_EQ(server.Requests().size(), 1u + 3 * 2);
}

TEST(ProbeStream, StopsFollowingAfterTenRedirects) {
    std::string base;
    RawServer server(Chain(base, 12));
    base = server.Url("");

    // The tenth hop's address and its own (redirecting) head; /hop/11 is never asked for.
    EXPECT_EQ(Probe(base + "/hop/0"), "[Length]0[/Length][File]" + base + "/hop/10[/File]");
    const std::vector<std::string> requests = server.Requests();
    EXPECT_EQ(requests.size(), 1u + 10 * 2);
    for (const std::string& request : requests) EXPECT_NE(Target(request), "/hop/11");
}

// The probes and lookups of a chain that stays on one server share one
// connection, as a browser following it would.
TEST(ProbeStream, WalksAChainOnOneConnection) {
    test::LoopbackHttp server;
    std::mutex mutex;
    std::set<int> clientPorts;  // one per connection
    int requests = 0;
    server.Server().set_keep_alive_max_count(100);
    server.Server().Get(R"(/hop/(\d+))", [&](const httplib::Request& req, httplib::Response& res) {
        {
            std::lock_guard lock(mutex);
            clientPorts.insert(req.remote_port);
            ++requests;
        }
        const int hop = std::stoi(req.matches[1].str());
        if (hop < 10)
            res.set_redirect(server.Url("/hop/" + std::to_string(hop + 1)));
        else
            res.set_content(std::string(4096, 'v'), "video/x-flv");
    });
    ASSERT_TRUE(server.Start());

    EXPECT_EQ(Probe(server.Url("/hop/0")),
              "[Length]4096[/Length][Type]video/x-flv[/Type][File]" + server.Url("/hop/10") + "[/File]");
    std::lock_guard lock(mutex);
    EXPECT_EQ(requests, 1 + 10 * 2);
    EXPECT_EQ(clientPorts.size(), 1u);
}

TEST(ProbeStream, RecordsOfOneServer) {
    struct Case {
        const char* what;
        std::map<std::string, std::string> replies;  // by request-target; "$" is the server's base
        std::string path;                            // what is probed, after the base
        std::string record;                          // "$" is the server's base
        std::size_t requests;
    };
    const std::vector<Case> cases = {
        {"plain answer",
         {{"/v.mp4", HttpReply("200 OK", {"Content-Type: video/mp4"}, "12345")}},
         "/v.mp4",
         "[Type]video/mp4[/Type][Length]5[/Length][File]$/v.mp4[/File]",
         1},
        {"lower-case type line ignored",
         {{"/v", HttpReply("200 OK", {"content-type: video/mp4"}, "ab")}},
         "/v",
         "[Length]2[/Length][File]$/v[/File]",
         1},
        // "Location" inside the header name starts a lookup; a 200 has no Location, so the final address is empty.
        {"Content-Location counts as a redirect",
         {{"/v", HttpReply("200 OK", {"Content-Location: /v.flv", "Content-Type: video/x-flv"}, "")}},
         "/v",
         "[File][/File]",
         2},
        // A server never names a local file: the probe ends at the last web address, with its head.
        {"redirect to a file address ends before it",
         {{"/r", HttpReply("302 Found", {"Location: file:///etc/passwd"}, "")}},
         "/r",
         "[Length]0[/Length][File]$/r[/File]",
         2},
        {"redirect to another scheme ends before it",
         {{"/r", HttpReply("302 Found", {"Location: ftp://127.0.0.1/v.mp4"}, "")}},
         "/r",
         "[Length]0[/Length][File]$/r[/File]",
         2},
        // Relative references resolve against the address they came from.
        {"Location relative to the host",
         {{"/r", HttpReply("302 Found", {"Location: /media/a.mp4"}, "")},
          {"/media/a.mp4", HttpReply("200 OK", {"Content-Type: video/mp4"}, "")}},
         "/r",
         "[Type]video/mp4[/Type][Length]0[/Length][File]$/media/a.mp4[/File]",
         3},
        {"Location relative to the path",
         {{"/dir/r?q=1", HttpReply("302 Found", {"Location: ../media/a.mp4?x=1"}, "")},
          {"/media/a.mp4?x=1", HttpReply("200 OK", {"Content-Type: video/mp4"}, "")}},
         "/dir/r?q=1",
         "[Type]video/mp4[/Type][Length]0[/Length][File]$/media/a.mp4?x=1[/File]",
         3},
        {"bare path is a path on the server",
         {{"/r", HttpReply("302 Found", {"Location: /etc/passwd"}, "")}},
         "/r",
         "[Length]0[/Length][File]$/etc/passwd[/File]",
         3},
        {"redirect to https ends there",
         {{"/r", HttpReply("301 Moved", {"Location: https://127.0.0.1:1/v.mp4"}, "")}},
         "/r",
         "[File]https://127.0.0.1:1/v.mp4[/File]",
         2},
        {"empty Location", {{"/r", HttpReply("302 Found", {"Location: "}, "")}}, "/r", "[File][/File]", 2},
        {"garbage instead of a head",
         {{"/g", Bytes("\x16\x03\x01\xff\xfe\x81 no\0Location")}},
         "/g",
         "[File]$/g[/File]",
         1},
        // The lookup of a garbage server finds no Location either.
        {"garbage that mentions Location",
         {{"/g", std::string("\xff\xfe\x81 Location junk\x01\x02")}},
         "/g",
         "[File][/File]",
         2},
        // The decoded path goes out in GBK: D6 D0 is the character of E4 B8 AD in UTF-8.
        {"percent-encoded address probed and recorded decoded",
         {{"/\xD6\xD0", HttpReply("200 OK", {"Content-Type: video/x-flv"}, "")}},
         "/%E4%B8%AD",
         "[Type]video/x-flv[/Type][Length]0[/Length][File]$/\xE4\xB8\xAD[/File]",
         1},
    };
    for (const Case& c : cases) {
        std::string base;
        RawServer server([&](const std::string& request, int) {
            const auto reply = c.replies.find(Target(request));
            return Answer(reply == c.replies.end() ? HttpReply("404 Not Found", {}, "")
                                                   : WithBase(reply->second, base));
        });
        base = server.Url("");
        EXPECT_EQ(Probe(base + c.path), WithBase(c.record, base)) << c.what;
        EXPECT_EQ(server.Requests().size(), c.requests) << c.what;
    }
}

TEST(ProbeStream, AddressesThatAreNeverProbedGiveTheDecodedAddress) {
    struct Case {
        std::string address;
        std::string record;
    };
    const std::vector<Case> cases = {
        {"https://example.com/%E4%B8%AD%E6%96%87.mp4", "[File]https://example.com/\xE4\xB8\xAD\xE6\x96\x87.mp4[/File]"},
        {"HTTP://127.0.0.1:1/v.mp4", "[File]HTTP://127.0.0.1:1/v.mp4[/File]"},
        {"rtmp://127.0.0.1/live", "[File]rtmp://127.0.0.1/live[/File]"},
        {"", "[File][/File]"},
    };
    for (const Case& c : cases) EXPECT_EQ(Probe(c.address), c.record) << c.address;
}

// A server that sends a head and then holds its body back: the head is the
// answer, at once, not at the end of the probe's limit.
TEST(ProbeStream, AHeadWithoutItsBodyIsEnough) {
    RawServer server([](const std::string&, int) {
        RawServer::Reply reply;
        reply.bytes = "HTTP/1.1 200 OK\r\nContent-Type: video/x-flv\r\nContent-Length: 100000\r\n\r\n";
        reply.holdOpen = true;
        return reply;
    });
    const auto started = Clock::now();
    EXPECT_EQ(Probe(server.Url("/live"), ProbeLimits{}),
              "[Type]video/x-flv[/Type][Length]100000[/Length][File]" + server.Url("/live") + "[/File]");
    EXPECT_LT(Clock::now() - started, 3s);
}

TEST(ProbeStream, EndsAtItsLimitsWhenNothingAnswers) {
    std::string base;
    // The first request (the probe) is answered with a redirect; the lookup that follows gets silence.
    RawServer redirectThenSilence([&](const std::string&, int index) {
        if (index == 0) return Answer(HttpReply("302 Found", {"Location: " + base + "/next"}, ""));
        return Silence();
    });
    base = redirectThenSilence.Url("");
    RawServer silent([](const std::string&, int) { return Silence(); });
    const std::string closed = "http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/v";

    struct Case {
        const char* what;
        std::string address;
        std::string record;
    };
    const std::vector<Case> cases = {
        {"silent server", silent.Url("/v.flv"), "[File]" + silent.Url("/v.flv") + "[/File]"},
        {"silent redirect lookup", base + "/start", "[File][/File]"},
        {"closed port", closed, "[File]" + closed + "[/File]"},
        {"name that does not resolve", "http://no-such-host.invalid/v.flv",
         "[File]http://no-such-host.invalid/v.flv[/File]"},
    };
    for (const Case& c : cases) {
        const auto started = Clock::now();
        EXPECT_EQ(Probe(c.address, kShortLimits), c.record) << c.what;
        EXPECT_LT(Clock::now() - started, kNoHang) << c.what;
    }
}

}  // namespace
}  // namespace lumora
