// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/SocketHeadProbe.h"

#include "RawServer.h"
#include "RequestTestSupport.h"

#include <QTimer>

#include <gtest/gtest.h>

namespace lumora {
namespace {

using namespace std::chrono_literals;
using test::ClosedPort;
using test::Eventually;
using test::RawServer;
using test::Replaced;
using test::Since;
using test::Ticker;

const std::string kHead = "HTTP/1.1 200 OK\r\nContent-Type: video/x-flv\r\nContent-Length: 3\r\n\r\n";

RawServer::Handler Answer(std::string bytes, std::vector<RawServer::Piece> later = {}) {
    return [bytes, later](const std::string&, int) { return RawServer::Reply{bytes, false, later}; };
}

TEST(SocketHeadProbe, RequestOnTheWire) {
    struct Case {
        std::string address;  // "PORT" stands for the server's port
        std::string request;
    };
    const std::string tail = "User-Agent: QuilPlayer/QQ100200300\r\nAccept: */*\r\n";
    const std::vector<Case> cases = {
        // An IPv4 host with its port as written: the path and query only.
        {"http://127.0.0.1:PORT/video/a.flv?x=1&y=2",
         "GET /video/a.flv?x=1&y=2 HTTP/1.1\r\n" + tail + "Referer: http://127.0.0.1:PORT\r\nHost: 127.0.0.1\r\n\r\n"},
        // A name: the whole address, and the resolved address as Host.
        {"http://localhost:PORT/a/b.mp4", "GET http://localhost:PORT/a/b.mp4 HTTP/1.1\r\n" + tail +
                                              "Referer: http://localhost:PORT\r\nHost: 127.0.0.1\r\n\r\n"},
        // Nothing after the host: the root.
        {"http://127.0.0.1:PORT",
         "GET / HTTP/1.1\r\n" + tail + "Referer: http://127.0.0.1:PORT\r\nHost: 127.0.0.1\r\n\r\n"},
        // A path that repeats the host stays whole.
        {"http://127.0.0.1:PORT/x/127.0.0.1:PORT/y",
         "GET /x/127.0.0.1:PORT/y HTTP/1.1\r\n" + tail + "Referer: http://127.0.0.1:PORT\r\nHost: 127.0.0.1\r\n\r\n"},
        // Trailing spaces are trimmed.
        {"http://127.0.0.1:PORT/p  ",
         "GET /p HTTP/1.1\r\n" + tail + "Referer: http://127.0.0.1:PORT\r\nHost: 127.0.0.1\r\n\r\n"},
    };
    for (const Case& c : cases) {
        RawServer server(Answer(kHead + "FLV"));
        const std::string port = std::to_string(server.Port());

        EXPECT_EQ(SocketHeadProbe(Text::Gbk(Replaced(c.address, "PORT", port)), 3s).Bytes(), kHead + "FLV")
            << c.address;

        ASSERT_EQ(server.Requests().size(), 1u) << c.address;
        EXPECT_EQ(server.Requests()[0], Replaced(c.request, "PORT", port)) << c.address;
    }
}

// Port 80 can't be served here, so its forms are checked on the composed request.
TEST(SocketHeadProbe, ComposedRequest) {
    struct Case {
        std::string address;
        int port;  // 0: no request at all
        std::string target;
        std::string referer;
    };
    const std::vector<Case> cases = {
        {"http://127.0.0.1/live/a.flv?k=1", 80, "/live/a.flv?k=1", "http://127.0.0.1"},
        {"http://127.0.0.1", 80, "/", "http://127.0.0.1"},
        // An explicit port 80 differs from the server text: the whole address.
        {"http://127.0.0.1:80/a", 80, "http://127.0.0.1:80/a", "http://127.0.0.1:80"},
        {"http://localhost/a", 80, "http://localhost/a", "http://localhost"},
        {"http://127.0.0.1:8080/a", 8080, "/a", "http://127.0.0.1:8080"},
        // The worker's own scheme test ignores letter case.
        {"HTTP://127.0.0.1/a", 80, "/a", "http://127.0.0.1"},
        {"http://127.0.0.1:81:99/a", 81, "http://127.0.0.1:81:99/a", "http://127.0.0.1:81:99"},
        {"https://127.0.0.1/a", 0, "", ""},
        {"http://nothing.invalid/a", 0, "", ""},
        {"http://127.0.0.1:0/a", 0, "", ""},
        {"http://127.0.0.1:/a", 0, "", ""},
        {"http://127.0.0.1:70000/a", 0, "", ""},
        {"http://127.0.0.1:x/a", 0, "", ""},
        {"http://[::1]:80/a", 0, "", ""},
        {"http://a/b", 0, "", ""},  // too short to have a host part
        {"http://127.0.0.1/a\r\nX-Forged: 1", 0, "", ""},
        {"http://127.0.0.1/a\rX-Forged: 1", 0, "", ""},
        {std::string("http://127.0.0.1/a\0X-Forged: 1", 30), 0, "", ""},
        {"http://", 0, "", ""},
        {"", 0, "", ""},
    };
    for (const Case& c : cases) {
        const std::optional<SocketProbeRequest> plan = ComposeSocketProbeRequest(Text::Gbk(c.address));
        ASSERT_EQ(plan.has_value(), c.port != 0) << c.address;
        if (!plan) continue;
        EXPECT_EQ(plan->server, Text("127.0.0.1")) << c.address;
        EXPECT_EQ(plan->port, c.port) << c.address;
        EXPECT_EQ(plan->request.Bytes(), "GET " + c.target +
                                             " HTTP/1.1\r\nUser-Agent: QuilPlayer/QQ100200300\r\nAccept: */*\r\n"
                                             "Referer: " +
                                             c.referer + "\r\nHost: 127.0.0.1\r\n\r\n")
            << c.address;
    }
}

TEST(SocketHeadProbe, OnlyTheFirstReadCounts) {
    struct Case {
        std::string name;
        std::string first;
        std::vector<RawServer::Piece> later;
        std::string expected;
    };
    const std::string longHead = "HTTP/1.1 200 OK\r\nX-Fill: " + std::string(3000, 'a') + "\r\n\r\n";
    const std::vector<Case> cases = {
        {"head in two pieces",
         "HTTP/1.1 302 Found\r\n",
         {{200ms, "Location: /next\r\n\r\n"}},
         "HTTP/1.1 302 Found\r\n"},
        {"head over 2048 bytes", longHead, {}, longHead.substr(0, 2048)},
        {"text up to the first zero byte",
         std::string("HTTP/1.1 200 OK\r\nX: a\0b\r\n\r\n", 27),
         {},
         "HTTP/1.1 200 OK\r\nX: a"},
        {"garbage instead of a head", "\x16\x03\x01\xff\xfe not http\r\n", {}, "\x16\x03\x01\xff\xfe not http\r\n"},
        {"closed without an answer", "", {}, ""},
    };
    for (const Case& c : cases) {
        RawServer server(Answer(c.first, c.later));
        EXPECT_EQ(SocketHeadProbe(Text::Gbk(server.Url("/v.flv")), 3s).Bytes(), c.expected) << c.name;
    }
}

TEST(SocketHeadProbe, SilentServerGivesEmptyAtTheDeadline) {
    RawServer server([](const std::string&, int) { return RawServer::Reply{"", /*holdOpen=*/true}; });
    Ticker ticker;  // a 10 ms timer firing all through the wait
    const auto start = test::Clock::now();

    EXPECT_EQ(SocketHeadProbe(Text::Gbk(server.Url("/live")), 300ms), Text());

    const auto waited = Since(start);
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, 1500ms);
    EXPECT_GE(ticker.ticks, 10);
    // The abandoned worker gives up on its own socket soon after.
    EXPECT_TRUE(Eventually([&] { return server.ClosedByClient() == 1; }, 5s));
}

TEST(SocketHeadProbe, LateAnswerIsNeverUsed) {
    RawServer server(Answer("", {{600ms, kHead}}));
    EXPECT_EQ(SocketHeadProbe(Text::Gbk(server.Url("/slow")), 300ms), Text());
}

TEST(SocketHeadProbe, RefusedAddressesStartNoWorker) {
    RawServer server(Answer(kHead));
    const std::string rest = "://127.0.0.1:" + std::to_string(server.Port()) + "/v.flv";
    for (const std::string& address : {"https" + rest, "HTTP" + rest, "Http" + rest, " http" + rest, "ftp" + rest,
                                       std::string("http:/"), std::string()}) {
        const std::size_t before = SocketHeadProbeWorkersStarted();
        const auto start = test::Clock::now();
        EXPECT_EQ(SocketHeadProbe(Text::Gbk(address), 3s), Text()) << address;
        EXPECT_LT(Since(start), 100ms) << address;
        EXPECT_EQ(SocketHeadProbeWorkersStarted(), before) << address;
    }
    EXPECT_TRUE(server.Requests().empty());
}

TEST(SocketHeadProbe, UnreachableServersGiveEmptyBeforeTheLimit) {
    for (const std::string& address :
         {std::string("http://nothing.invalid/v.flv"), "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/v.flv"}) {
        const auto start = test::Clock::now();
        EXPECT_EQ(SocketHeadProbe(Text::Gbk(address), 3s), Text()) << address;
        EXPECT_LT(Since(start), 3s) << address;
    }
}

// A probe started while another waits (a timer handler runs during the
// wait) uses a socket of its own: each gets its own server's answer.
TEST(SocketHeadProbe, OverlappingProbesKeepTheirOwnSockets) {
    const std::string headA = "HTTP/1.1 200 OK\r\nX-Server: A\r\n\r\n";
    const std::string headB = "HTTP/1.1 200 OK\r\nX-Server: B\r\n\r\n";
    RawServer slow(Answer("", {{400ms, headA}}));
    RawServer fast(Answer(headB));
    Text inner;
    bool innerRan = false;
    QTimer::singleShot(50ms, [&] {
        inner = SocketHeadProbe(Text::Gbk(fast.Url("/b")), 3s);
        innerRan = true;
    });

    const Text outer = SocketHeadProbe(Text::Gbk(slow.Url("/a")), 3s);

    ASSERT_TRUE(innerRan);
    EXPECT_EQ(outer.Bytes(), headA);
    EXPECT_EQ(inner.Bytes(), headB);
}

TEST(SocketHeadProbe, ResolveIpv4) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"localhost", "127.0.0.1"},
        {"LocalHost", "127.0.0.1"},
        {"a.localhost", "127.0.0.1"},
        {"127.0.0.1", "127.0.0.1"},
        {"10.20.30.40", "10.20.30.40"},
        {"nothing.invalid", ""},
        {"", ""},
        {std::string("local\0host", 10), ""},
    };
    for (const auto& [host, address] : cases) EXPECT_EQ(ResolveIpv4(Text::Gbk(host)).Bytes(), address) << host;
}

}  // namespace
}  // namespace lumora
