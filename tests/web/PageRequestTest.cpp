// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/PageRequest.h"

#include "LoopbackHttp.h"
#include "RawServer.h"
#include "RequestText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <set>
#include <cstdlib>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

namespace lumora {
namespace {

using test::ClosedPort;
using test::HeaderLines;
using test::HttpReply;
using test::RawServer;
using test::Replaced;
using test::RequestBody;
using test::RequestLine;

const std::string kAgentLine = "User-Agent: " + std::string(kDefaultPageAgent);
const std::string kNoBlock(5000, ' ');

RawServer::Handler Answer(std::string reply) {
    return [reply](const std::string&, int) { return RawServer::Reply{reply}; };
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (const Text& line : Text::Gbk(text).Split(Text("\r\n"))) lines.push_back(line.Bytes());
    return lines;
}

TEST(PageRequest, CatalogueFetchOnTheWire) {
    RawServer server(Answer(HttpReply("200 OK", {"Content-Type: text/html; charset=utf-8"}, "<p>中文</p>")));
    const std::string url = server.Url("/vodlist/index.php?id=3&page=2");

    EXPECT_EQ(FetchPageText(Text::Gbk(url)), Text("<p>中文</p>"));

    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0],
              "GET /vodlist/index.php?id=3&page=2 HTTP/1.1\r\n"
              "Host: 127.0.0.1:" +
                  std::to_string(server.Port()) + "\r\n" + kAgentLine +
                  "\r\n"
                  "Referer: " +
                  url +
                  "\r\n"
                  "Accept: */*\r\n"
                  "Accept-Language: zh-cn\r\n"
                  "Content-Type: application/x-www-form-urlencoded\r\n"
                  "\r\n");
}

TEST(PageRequest, HeaderLinesCompleted) {
    struct Case {
        std::string headers, cookies;
        std::string completed;  // "URL" stands for the requested address
        bool ownAgent;
    };
    const std::string tail = "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded";
    const std::vector<Case> cases = {
        {"", "", "Referer: URL\r\nAccept: */*" + tail, false},
        {"Accept: text/html", "", "Accept: text/html\r\nReferer: URL" + tail, false},
        // Only the agent search ignores case: a lower-case accept line gets a second one.
        {"accept: text/html", "", "accept: text/html\r\nReferer: URL\r\nAccept: */*" + tail, false},
        {"X-Test: 1\r\nUser-Agent: TestAgent/1.0", "",
         "X-Test: 1\r\nUser-Agent: TestAgent/1.0\r\nReferer: URL\r\nAccept: */*" + tail, true},
        {"user-agent: lower/2", "", "user-agent: lower/2\r\nReferer: URL\r\nAccept: */*" + tail, true},
        // The cookie line is added even beside the caller's own.
        {"Referer: http://elsewhere/\r\nCookie: pre=1", "a=1; b=2",
         "Referer: http://elsewhere/\r\nCookie: pre=1\r\nAccept: */*" + tail + "\r\nCookie: a=1; b=2", false},
        {"Content-Type: text/plain", "",
         "Content-Type: text/plain\r\nReferer: URL\r\nAccept: */*\r\nAccept-Language: zh-cn", false},
    };
    for (const Case& c : cases) {
        RawServer server(Answer(HttpReply("200 OK", {}, "ok")));
        const std::string url = server.Url("/page");
        PageRequestArgs args;
        args.headers = Text::Gbk(c.headers);
        args.cookies = Text::Gbk(c.cookies);

        EXPECT_EQ(PageRequest(Text::Gbk(url), args), "ok");

        const std::string completed = Replaced(c.completed, "URL", url);
        EXPECT_EQ(args.headers.Bytes(), completed) << c.headers;
        std::vector<std::string> wire = {"Host: 127.0.0.1:" + std::to_string(server.Port())};
        if (!c.ownAgent) wire.push_back(kAgentLine);
        for (const std::string& line : SplitLines(completed)) wire.push_back(line);
        ASSERT_EQ(server.Requests().size(), 1u);
        EXPECT_EQ(HeaderLines(server.Requests()[0]), wire) << c.headers;
    }
}

TEST(PageRequest, CookiesSentAndMerged) {
    struct Case {
        std::vector<std::string> setCookieLines;
        std::string cookies;
        std::string merged, newCookies;
    };
    const std::vector<Case> cases = {
        {{"Set-Cookie: sid=1; path=/", "Set-Cookie: token=deleted; expires=Thu, 01 Jan 1970 00:00:00 GMT"},
         "token=abc; theme=dark",
         "sid=1; theme=dark",
         "sid=1;token=deleted"},
        // A Set-Cookie line without ";" gives an empty cookie.
        {{"Set-Cookie: a=1; path=/", "Set-Cookie: bare=1"}, "", "a=1", "a=1;"},
        {{"Set-Cookie: bare=1"}, "k=v", "k=v", ""},
        {{}, "k=v; j=w", "k=v; j=w", ""},
    };
    for (const Case& c : cases) {
        RawServer server(Answer(HttpReply("200 OK", c.setCookieLines, "ok")));
        PageRequestArgs args;
        args.cookies = Text::Gbk(c.cookies);

        EXPECT_EQ(PageRequest(Text::Gbk(server.Url()), args), "ok");

        EXPECT_EQ(args.cookies.Bytes(), c.merged) << c.cookies;
        EXPECT_EQ(args.newCookies.Bytes(), c.newCookies) << c.cookies;
        ASSERT_EQ(server.Requests().size(), 1u);
        const std::vector<std::string> lines = HeaderLines(server.Requests()[0]);
        if (c.cookies.empty())
            EXPECT_EQ(lines.back().rfind("Cookie:", 0), std::string::npos);
        else
            EXPECT_EQ(lines.back(), "Cookie: " + c.cookies);
    }
}

// Neither a server's cookie nor the caller's can add a header line: CR, LF
// and NUL never reach the wire inside the Cookie line.
TEST(PageRequest, CookiesNeverForgeHeaderLines) {
    RawServer server(Answer(HttpReply("200 OK", {"Set-Cookie: sid=1\rX-Forged: yes; path=/"}, "ok")));
    PageRequestArgs first;
    EXPECT_EQ(PageRequest(Text::Gbk(server.Url()), first), "ok");
    EXPECT_EQ(first.cookies.Bytes(), "sid=1X-Forged:yes");

    PageRequestArgs second;
    using namespace std::string_literals;
    second.cookies = first.cookies + Text::Gbk("; c=1\r\nY-Forged: 1\0z"s);
    EXPECT_EQ(PageRequest(Text::Gbk(server.Url()), second), "ok");
    ASSERT_EQ(server.Requests().size(), 2u);
    const std::string request = server.Requests()[1];
    const std::string head = request.substr(0, request.find("\r\n\r\n") + 2);
    // Every CR is the start of a CR LF line end, and no NUL is sent.
    for (std::size_t at = head.find('\r'); at != std::string::npos; at = head.find('\r', at + 1))
        EXPECT_EQ(head[at + 1], '\n') << at;
    EXPECT_EQ(head.find('\0'), std::string::npos);
    const std::vector<std::string> lines = HeaderLines(request);
    EXPECT_EQ(lines.back(), "Cookie: sid=1X-Forged:yes; c=1Y-Forged: 1z");
    for (const std::string& line : lines) EXPECT_NE(line.find("Forged"), 0u) << line;
}

// A caller's line with an empty value goes out as it is; an "Accept:" line
// of the caller still keeps the default one away.
TEST(PageRequest, EmptyHeaderValuesReachTheWire) {
    RawServer server(Answer(HttpReply("200 OK", {}, "ok")));
    PageRequestArgs args;
    args.headers = Text("Accept:\r\nX-Empty:  \r\nX-Full: 1");
    EXPECT_EQ(PageRequest(Text::Gbk(server.Url()), args), "ok");
    ASSERT_EQ(server.Requests().size(), 1u);
    const std::vector<std::string> lines = HeaderLines(server.Requests()[0]);
    const std::vector<std::string> expected = {"Accept:", "X-Empty:", "X-Full: 1"};
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.begin() + 5), expected);
    for (const std::string& line : lines) EXPECT_NE(line, "Accept: */*");
}

TEST(PageRequest, RequestBody) {
    struct Case {
        int method;
        Text postText;
        ByteSet postBytes;
        std::string verb;
        std::optional<std::string> body;  // nullopt: no body at all
    };
    const std::string big(1536 * 1024, 'x');  // past curl's threshold for "Expect: 100-continue"
    const std::vector<Case> cases = {
        {1, "a=1&b=中", "", "POST", Text("a=1&b=中").Bytes()},
        {2, "q=x", "", "GET", "q=x"},
        {1, "ignored", std::string("raw\0bytes", 9), "POST", std::string("raw\0bytes", 9)},
        {0, "a=1", "", "GET", std::nullopt},
        {1, "", "", "POST", ""},
        {1, Text::Gbk(big), "", "POST", big},
    };
    for (const Case& c : cases) {
        RawServer server(Answer(HttpReply("200 OK", {}, "ok")));
        PageRequestArgs args;
        args.method = c.method;
        args.postText = c.postText;
        args.postBytes = c.postBytes;

        EXPECT_EQ(PageRequest(Text::Gbk(server.Url("/form")), args), "ok");

        const std::string label = std::to_string(c.method) + " " + c.postText.Bytes().substr(0, 20);
        EXPECT_EQ(args.postBytes, c.body.value_or("")) << label;
        ASSERT_EQ(server.Requests().size(), 1u);
        const std::string request = server.Requests()[0];
        EXPECT_EQ(RequestLine(request), c.verb + " /form HTTP/1.1") << label;
        const std::vector<std::string> lines = HeaderLines(request);
        const bool announced = std::count(lines.begin(), lines.end(),
                                          "Content-Length: " + std::to_string(c.body.value_or("").size())) == 1;
        EXPECT_EQ(announced, c.body.has_value()) << label;
        EXPECT_EQ(RequestBody(request), c.body.value_or("")) << label;
        for (const std::string& line : lines) EXPECT_EQ(line.rfind("Expect:", 0), std::string::npos) << label;
    }
}

RawServer::Handler RedirectSite(const std::string& status) {
    return [status](const std::string& request, int) {
        if (RequestLine(request).find("/start") != std::string::npos)
            return RawServer::Reply{HttpReply(status, {"Location: final"}, "moved")};
        return RawServer::Reply{HttpReply("200 OK", {"X-Final: yes"}, "done")};
    };
}

TEST(PageRequest, RedirectReturnedWithNoRedirect) {
    RawServer server(RedirectSite("302 Found"));
    PageRequestArgs args;
    args.noRedirect = true;

    EXPECT_EQ(PageRequest(Text::Gbk(server.Url("/start")), args), "moved");

    EXPECT_EQ(args.redirectTarget, Text("final"));
    EXPECT_EQ(args.rawHeaders.Bytes(),
              "HTTP/1.1 302 Found\r\nLocation: final\r\nContent-Length: 5\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(PageRequest, RedirectFollowed) {
    struct Case {
        std::string status;
        int method;
        std::string secondVerb;
        std::string secondBody;
    };
    const std::vector<Case> cases = {
        {"302 Found", 0, "GET", ""},
        {"301 Moved Permanently", 1, "GET", ""},
        {"303 See Other", 1, "GET", ""},
        {"307 Temporary Redirect", 1, "POST", "a=1"},
        {"308 Permanent Redirect", 2, "GET", "a=1"},
    };
    for (const Case& c : cases) {
        RawServer server(RedirectSite(c.status));
        PageRequestArgs args;
        args.method = c.method;
        args.postText = "a=1";

        EXPECT_EQ(PageRequest(Text::Gbk(server.Url("/dir/start?x=1")), args), "done") << c.status;

        // The final response's block, which has no Location line.
        const std::string finalBlock =
            "HTTP/1.1 200 OK\r\nX-Final: yes\r\nContent-Length: 4\r\nConnection: close\r\n\r\n";
        EXPECT_EQ(args.rawHeaders.Bytes(), finalBlock) << c.status;
        EXPECT_EQ(args.redirectTarget.Bytes(), finalBlock) << c.status;
        const std::vector<std::string> requests = server.Requests();
        ASSERT_EQ(requests.size(), 2u) << c.status;
        EXPECT_EQ(RequestLine(requests[1]), c.secondVerb + " /dir/final HTTP/1.1") << c.status;
        EXPECT_EQ(RequestBody(requests[1]), c.secondBody) << c.status;
    }
}

TEST(PageRequest, RedirectOutsideHttpNotFollowed) {
    RawServer server(Answer(HttpReply("302 Found", {"Location: file:///etc/passwd"}, "moved")));
    PageRequestArgs args;

    EXPECT_EQ(PageRequest(Text::Gbk(server.Url("/start")), args), "moved");

    EXPECT_EQ(args.redirectTarget, Text("file:///etc/passwd"));
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(PageRequest, RedirectToAnotherOriginLeavesCookiesBehind) {
    RawServer other(Answer(HttpReply("200 OK", {}, "there")));
    RawServer first(Answer(HttpReply("302 Found", {"Location: " + other.Url("/b")}, "moved")));
    PageRequestArgs args;
    args.cookies = "s=1";

    EXPECT_EQ(PageRequest(Text::Gbk(first.Url("/a")), args), "there");

    ASSERT_EQ(first.Requests().size(), 1u);
    ASSERT_EQ(other.Requests().size(), 1u);
    EXPECT_EQ(HeaderLines(first.Requests()[0]).back(), "Cookie: s=1");
    for (const std::string& line : HeaderLines(other.Requests()[0]))
        EXPECT_EQ(line.rfind("Cookie", 0), std::string::npos);
}

TEST(PageRequest, RawHeaderBlockOf5000BytesOrMore) {
    const std::string head =
        "HTTP/1.1 200 OK\r\nLocation: /else\r\nSet-Cookie: n=1; path=/\r\nContent-Length: 2\r\nConnection: close\r\n";
    for (const std::size_t size : {std::size_t{4999}, std::size_t{5000}, std::size_t{9000}}) {
        const std::string pad(size - head.size() - std::string("X-Pad: \r\n\r\n").size(), 'p');
        const std::string block = head + "X-Pad: " + pad + "\r\n\r\n";
        ASSERT_EQ(block.size(), size);
        RawServer server(Answer(block + "ok"));
        PageRequestArgs args;
        args.cookies = "k=v";

        EXPECT_EQ(PageRequest(Text::Gbk(server.Url()), args), "ok");

        const bool fits = size < 5000;
        EXPECT_EQ(args.rawHeaders.Bytes(), fits ? block : kNoBlock) << size;
        EXPECT_EQ(args.redirectTarget.Bytes(), fits ? "/else" : kNoBlock) << size;
        EXPECT_EQ(args.newCookies.Bytes(), fits ? "n=1" : "") << size;
        EXPECT_EQ(args.cookies.Bytes(), fits ? "n=1; k=v" : "k=v") << size;
    }
}

TEST(PageRequest, FetchPageTextReadsUtf8) {
    RawServer server(Answer(HttpReply("200 OK", {}, std::string("ok\xFF\xE4\xB8\xAD\0tail", 10))));
    PageRequestArgs args;
    EXPECT_EQ(FetchPageText(Text::Gbk(server.Url()), args).Bytes(), "ok\x84\x31\xA4\x37\xD6\xD0");
}

TEST(PageRequest, BodyOverTheCapIsDropped) {
    struct Case {
        std::string reply;
        std::size_t cap;
        std::string body;
    };
    const std::string body(2000, 'b');
    const std::vector<Case> cases = {
        {HttpReply("200 OK", {}, body), 1999, ""},
        {"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body, 1999, ""},  // no length announced
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n7d0\r\n" + body + "\r\n0\r\n\r\n", 1999, ""},
        {HttpReply("200 OK", {}, body), 2000, body},
    };
    for (const Case& c : cases) {
        RawServer server(Answer(c.reply));
        PageRequestArgs args;
        args.limits.maxBodyBytes = c.cap;
        EXPECT_EQ(PageRequest(Text::Gbk(server.Url()), args), c.body) << c.reply.substr(0, 40);
    }
}

// What a sink is handed: the pieces since the last restart.
struct RecordingSink : PageBodySink {
    int restarts = 0;
    std::string body;
    void Restart() override {
        ++restarts;
        body.clear();
    }
    void Take(std::string_view piece) override { body += piece; }
};

TEST(PageRequest, BodySinkTakesTheBodyAsItArrives) {
    struct Case {
        const char* what;
        RawServer::Handler site;
        std::string path;
        std::size_t cap;
        bool completed;
        std::string body;  // after the last restart
        int restarts;
    };
    const std::string big(300 * 1024, 'x');
    const Case cases[] = {
        {"a redirect's body is dropped", RedirectSite("302 Found"), "/start", 1000, true, "done", 2},
        {"a large body, whole", Answer(HttpReply("200 OK", {}, big)), "/", big.size(), true, big, 1},
        {"over the cap", Answer(HttpReply("200 OK", {}, big)), "/", big.size() - 1, false, "", 1},
    };
    for (const Case& c : cases) {
        RawServer server(c.site);
        RecordingSink sink;
        PageRequestArgs args;
        args.limits.maxBodyBytes = c.cap;
        args.bodySink = &sink;
        EXPECT_EQ(PageRequest(Text::Gbk(server.Url(c.path)), args), "") << c.what;
        EXPECT_EQ(args.completed, c.completed) << c.what;
        EXPECT_EQ(sink.restarts, c.restarts) << c.what;
        if (c.completed) {
            EXPECT_EQ(sink.body, c.body) << c.what;
        }
    }

    RecordingSink sink;
    PageRequestArgs args;
    args.bodySink = &sink;
    args.completed = true;
    PageRequest(Text::Gbk("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/"), args);
    EXPECT_FALSE(args.completed);
    EXPECT_EQ(sink.body, "");
}

TEST(PageRequest, StalledServerGivesUp) {
    const std::vector<std::string> replies = {
        "",                                                            // never answers
        "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial body",  // stops mid-body
    };
    for (const std::string& reply : replies) {
        RawServer server([reply](const std::string&, int) { return RawServer::Reply{reply, true}; });
        PageRequestArgs args;
        args.limits.noProgressTimeout = std::chrono::seconds(1);

        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(PageRequest(Text::Gbk(server.Url()), args), "");
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    }
}

// A server that trickles never stalls; the overall deadline still ends the
// request, and so does a stop asked for by another thread.
TEST(PageRequest, TrickleEndsAtTheDeadlineOrWhenStopped) {
    std::vector<RawServer::Piece> trickle;
    for (int i = 0; i < 40; ++i) trickle.push_back({std::chrono::milliseconds(250), "x"});
    RawServer server([&](const std::string&, int) {
        return RawServer::Reply{"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n", false, trickle};
    });
    for (const bool byStop : {false, true}) {
        SCOPED_TRACE(byStop ? "stopped" : "deadline");
        PageRequestArgs args;
        args.limits.noProgressTimeout = std::chrono::seconds(5);
        args.limits.overallTimeout = byStop ? std::chrono::seconds(60) : std::chrono::milliseconds(1500);
        std::stop_source stop;
        args.stop = stop.get_token();
        std::thread stopper;
        if (byStop)
            stopper = std::thread([&stop] {
                std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                stop.request_stop();
            });
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(PageRequest(Text::Gbk(server.Url()), args), "");
        const auto took = std::chrono::steady_clock::now() - started;
        if (stopper.joinable()) stopper.join();
        EXPECT_FALSE(args.completed);
        EXPECT_GE(took, std::chrono::milliseconds(1400));
        EXPECT_LT(took, std::chrono::milliseconds(4000));
    }
}

TEST(PageRequest, ClosedPortGivesEmptyBody) {
    PageRequestArgs args;
    args.cookies = "a=1; b=2";

    EXPECT_EQ(PageRequest(Text::Gbk("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/"), args), "");

    EXPECT_EQ(args.rawHeaders.Bytes(), kNoBlock);
    EXPECT_EQ(args.redirectTarget.Bytes(), kNoBlock);
    EXPECT_EQ(args.cookies, Text("a=1; b=2"));
    EXPECT_EQ(args.newCookies, Text(""));
}

TEST(PageRequest, UnusableAddressLeavesArgumentsAlone) {
    const std::vector<std::string> urls = {
        "",
        "http://",
        "http://a b.example/",
        "http://user@127.0.0.1/",
        "http://127.0.0.1:0/",
        "http://127.0.0.1:70000/",
        "http://127.0.0.1/a\r\nX-Injected: 1",
        std::string("http://127.0.0.1/a\0b", 20),
    };
    for (const std::string& url : urls) {
        PageRequestArgs args;
        args.method = 1;
        args.postText = "p=1";
        args.headers = "H: 1";
        args.cookies = "c=1; d=2";
        args.newCookies = "n";
        args.redirectTarget = "r";
        args.rawHeaders = "raw";

        EXPECT_EQ(PageRequest(Text::Gbk(url), args), "") << url;

        EXPECT_EQ(args.headers, Text("H: 1")) << url;
        EXPECT_EQ(args.cookies, Text("c=1; d=2")) << url;
        EXPECT_EQ(args.newCookies, Text("n")) << url;
        EXPECT_EQ(args.redirectTarget, Text("r")) << url;
        EXPECT_EQ(args.rawHeaders, Text("raw")) << url;
        EXPECT_EQ(args.postBytes, "") << url;
    }
}

TEST(PageRequest, AddressDecidesSchemePortAndTarget) {
    struct Case {
        std::string prefix, rest;  // the address is prefix + "127.0.0.1:<port>" + rest
        bool tls;
        std::string requestLine;
    };
    const std::vector<Case> cases = {
        {"HTTPS://", "/Path?Q=1", true, ""},
        {"", "/p?q=1", false, "GET /p?q=1 HTTP/1.1"},
        {"http://", "", false, "GET / HTTP/1.1"},
        // Spaces, GBK bytes, escapes and dot segments go out as they are.
        {"http://", "/a b/\xD6\xD0/../%41%zz?q=x y", false, "GET /a b/\xD6\xD0/../%41%zz?q=x y HTTP/1.1"},
    };
    for (const Case& c : cases) {
        RawServer server(Answer(HttpReply("200 OK", {}, "ok")));
        PageRequestArgs args;
        const std::string url = c.prefix + "127.0.0.1:" + std::to_string(server.Port()) + c.rest;

        EXPECT_EQ(PageRequest(Text::Gbk(url), args), c.tls ? "" : "ok") << url;

        ASSERT_EQ(server.Requests().size(), 1u) << url;
        const std::string request = server.Requests()[0];
        if (c.tls) {
            ASSERT_FALSE(request.empty());
            EXPECT_EQ(request[0], '\x16') << "a TLS handshake record";
        } else {
            EXPECT_EQ(RequestLine(request), c.requestLine);
        }
    }
}

// Requests through a kept connection go over one TCP connection, and each
// is what it would be on its own: a POST's body and method do not carry over
// to the GET after it. Without one, every request connects anew.
TEST(PageRequest, AKeptConnectionCarriesRequestsButNoSettings) {
    struct Seen {
        std::string method, body;
        int port;
    };
    std::mutex mutex;
    std::vector<Seen> seen;
    test::LoopbackHttp server;
    const auto record = [&](const httplib::Request& request, httplib::Response& response) {
        {
            const std::lock_guard lock(mutex);
            seen.push_back({request.method, request.body, request.remote_port});
        }
        response.set_content("page " + request.path, "text/html");
    };
    server.Server().Get("/a", record);
    server.Server().Post("/a", record);
    ASSERT_TRUE(server.Start());
    const Text url = Text::Gbk(server.Url("/a"));
    const auto ports = [&] {
        std::set<int> distinct;
        for (const Seen& request : seen) distinct.insert(request.port);
        return distinct.size();
    };

    PageConnection connection;
    for (int method : {0, 1, 0}) {
        PageRequestArgs args;
        args.proxy = Text();
        args.connection = &connection;
        args.method = method;
        if (method == 1) args.postText = Text("k=v");
        EXPECT_EQ(PageRequest(url, args), ByteSet("page /a"));
        EXPECT_TRUE(args.completed);
    }
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(ports(), 1u);
    EXPECT_EQ(seen[1].method, "POST");
    EXPECT_EQ(seen[1].body, "k=v");
    EXPECT_EQ(seen[2].method, "GET");
    EXPECT_EQ(seen[2].body, "");

    seen.clear();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(FetchPageText(url), Text("page /a"));
    EXPECT_EQ(ports(), 3u);
}

TEST(PageRequest, ConcurrentCallsFromWorkers) {
    RawServer server([](const std::string& request, int) {
        return RawServer::Reply{HttpReply("200 OK", {}, RequestLine(request))};
    });
    std::vector<std::thread> workers;
    std::vector<std::string> bodies(4);
    for (std::size_t i = 0; i < bodies.size(); ++i)
        workers.emplace_back([&, i] {
            PageRequestArgs args;
            bodies[i] = PageRequest(Text::Gbk(server.Url(std::string("/").append(std::to_string(i)))), args);
        });
    for (std::thread& worker : workers) worker.join();
    for (std::size_t i = 0; i < bodies.size(); ++i) EXPECT_EQ(bodies[i], "GET /" + std::to_string(i) + " HTTP/1.1");
}

// Sets an environment variable for one scope.
class EnvironmentGuard {
public:
    EnvironmentGuard(const char* name, const std::string& value) : name_(name) { setenv(name, value.c_str(), 1); }
    ~EnvironmentGuard() { unsetenv(name_); }

private:
    const char* name_;
};

TEST(PageRequest, ProxyServesHttpOnly) {
    RawServer proxy(Answer(HttpReply("200 OK", {}, "via proxy")));
    {
        PageRequestArgs args;
        args.proxy = Text::Gbk("127.0.0.1:" + std::to_string(proxy.Port()));
        EXPECT_EQ(PageRequest(Text("http://lumora-test.invalid:81/p?q=1"), args), "via proxy");
        ASSERT_EQ(proxy.Requests().size(), 1u);
        EXPECT_EQ(RequestLine(proxy.Requests()[0]), "GET http://lumora-test.invalid:81/p?q=1 HTTP/1.1");
    }
    {
        // https goes direct even with a proxy given.
        RawServer server(Answer(""));
        PageRequestArgs args;
        args.proxy = Text::Gbk("127.0.0.1:" + std::to_string(proxy.Port()));
        PageRequest(Text::Gbk("https://127.0.0.1:" + std::to_string(server.Port()) + "/"), args);
        ASSERT_EQ(server.Requests().size(), 1u);
        EXPECT_EQ(proxy.Requests().size(), 1u);
    }
    {
        // Omitted or empty: direct, whatever the environment says.
        const std::string dead = "http://127.0.0.1:" + std::to_string(ClosedPort());
        EnvironmentGuard httpProxy("http_proxy", dead);
        EnvironmentGuard allProxy("ALL_PROXY", dead);
        for (const std::optional<Text>& given : {std::optional<Text>(), std::optional<Text>(Text())}) {
            RawServer server(Answer(HttpReply("200 OK", {}, "direct")));
            PageRequestArgs args;
            args.proxy = given;
            EXPECT_EQ(PageRequest(Text::Gbk(server.Url()), args), "direct");
        }
    }
}

}  // namespace
}  // namespace lumora

namespace lumora {
namespace {

// Inside the program a failed request says why: the kind of failure that the
// callers' empty body can't tell apart.
TEST(PageRequest, AFailureCarriesItsKind) {
    const std::string body(2000, 'b');
    RawServer server([&](const std::string& request, int) {
        if (request.find("/silent") != std::string::npos) return RawServer::Reply{"", true};
        if (request.find("/trickle") != std::string::npos) {
            std::vector<RawServer::Piece> trickle;
            for (int i = 0; i < 40; ++i) trickle.push_back({std::chrono::milliseconds(100), "x"});
            return RawServer::Reply{"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n", false, trickle};
        }
        if (request.find("/large") != std::string::npos)
            return RawServer::Reply{"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body};
        return RawServer::Reply{HttpReply("404 Not Found", {}, "gone")};
    });
    struct Case {
        std::string url;
        std::optional<FailureKind> kind;  // none: a body comes back
        bool stop = false;
    };
    const std::vector<Case> cases = {
        {"http://a b.example/", FailureKind::Refused},
        {"http://127.0.0.1:" + std::to_string(ClosedPort()) + "/", FailureKind::Network},
        {server.Url("/silent"), FailureKind::Stalled},
        {server.Url("/large"), FailureKind::TooLarge},
        {server.Url("/trickle"), FailureKind::Stopped, true},
        {server.Url("/missing"), std::nullopt},  // an error page is a body like any other
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        PageRequestArgs args;
        args.limits.noProgressTimeout = std::chrono::seconds(1);
        args.limits.maxBodyBytes = 1999;
        std::stop_source stop;
        if (c.stop) stop.request_stop();
        args.stop = stop.get_token();
        const Result<ByteSet> result = RequestPage(Text::Gbk(c.url), args);
        ASSERT_EQ(result.Ok(), !c.kind);
        if (c.kind) {
            EXPECT_EQ(result.Error().kind, *c.kind);
            EXPECT_FALSE(result.Error().reason.empty());
        } else {
            EXPECT_EQ(result.Value(), "gone");
        }
    }
}

}  // namespace
}  // namespace lumora
