// SPDX-License-Identifier: GPL-3.0-or-later
// The reasons of failed requests on standard error: curl's reason, the
// system's, the HTTP status; nothing for a request that went well unless the
// logging rules ask for debug detail. Both the plain sink of lumora-cli and
// the Qt sink of the Qt programs.
#include "base/Log.h"
#include "base/QtLogSink.h"
#include "web/PageRequest.h"

#include "RawServer.h"

#include <QLoggingCategory>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace lumora {
namespace {

using test::ClosedPort;
using test::HttpReply;
using test::RawServer;

// What `body` writes to standard error (file descriptor 2).
std::string StandardErrorOf(const std::function<void()>& body) {
    std::fflush(stderr);
    char path[] = "/tmp/lumora-weblog-XXXXXX";
    const int file = ::mkstemp(path);
    const int saved = ::dup(2);
    ::dup2(file, 2);
    body();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    ::close(file);
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    ::unlink(path);
    return text.str();
}

RawServer::Handler ByPath() {
    return [](const std::string& request, int) {
        if (request.starts_with("GET /missing ")) return RawServer::Reply{HttpReply("404 Not Found", {}, "gone")};
        return RawServer::Reply{HttpReply("200 OK", {"Content-Type: text/html"}, "<p>page</p>")};
    };
}

struct Case {
    std::string url;
    std::string expected;  // a part of the one log line; empty: nothing logged
};

void ExpectLog(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const std::string logged = StandardErrorOf([&] { FetchPageText(Text::FromUtf8(c.url)); });
        if (c.expected.empty()) {
            EXPECT_EQ(logged, "");
        } else {
            EXPECT_TRUE(logged.starts_with("lumora.web: ")) << logged;
            EXPECT_NE(logged.find(c.expected), std::string::npos) << logged;
            EXPECT_EQ(logged.find('\n'), logged.size() - 1) << "one line: " << logged;
        }
    }
}

TEST(WebLog, FailedRequestsSayWhy) {
    RawServer server(ByPath());
    const std::string closed = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/";
    const std::vector<Case> cases = {
        {closed, "lumora.web: " + closed + ": Couldn't connect to server (Connection refused)"},
        {server.Url("/missing"), "lumora.web: " + server.Url("/missing") + ": HTTP 404"},
        {"http://no-such-host.invalid/", "no-such-host.invalid:80/: Couldn't resolve host name"},
        {server.Url("/page"), ""},
    };
    // The plain sink (lumora-cli), then the Qt one (the player).
    ExpectLog(cases);
    InstallQtLogSink();
    ExpectLog(cases);
    SetLogSink(nullptr);
}

// Every log line passes one seam that writes control characters as visible
// escapes: whatever an address or a reply holds, no OSC, CSI or C1 sequence
// reaches the terminal and the line stays one line; a backslash stays.
TEST(WebLog, TerminalSequencesInALineAreEscaped) {
    for (const bool qt : {false, true}) {
        SCOPED_TRACE(qt ? "Qt sink" : "plain sink");
        if (qt) InstallQtLogSink();
        const std::string logged = StandardErrorOf([] {
            LogWarning(LogLayer::Web, "http://h/\x1b]0;PWNED\x07\x1b[31mRED\xc2\x9b" "31m: a\tb\rc\nd\\e 中文");
        });
        EXPECT_EQ(logged,
                  "lumora.web: http://h/\\x1b]0;PWNED\\x07\\x1b[31mRED\\xc2\\x9b31m: a\\tb\\rc\\nd\\e 中文\n");
    }
    SetLogSink(nullptr);
}

TEST(WebLog, DebugDetailOnlyWhenTheRulesAskForIt) {
    RawServer server(ByPath());
    InstallQtLogSink();
    ExpectLog({{server.Url("/page"), ""}});
    QLoggingCategory::setFilterRules(QStringLiteral("lumora.web.debug=true"));
    ExpectLog({{server.Url("/page"), "lumora.web: " + server.Url("/page") + ": HTTP 200"}});
    QLoggingCategory::setFilterRules(QStringLiteral("lumora.web.warning=false"));
    ExpectLog({{server.Url("/missing"), ""}});
    QLoggingCategory::setFilterRules(QString());
    SetLogSink(nullptr);
}

}  // namespace
}  // namespace lumora
