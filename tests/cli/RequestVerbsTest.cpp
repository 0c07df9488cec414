// SPDX-License-Identifier: GPL-3.0-or-later
// lumora-cli object, socket and probe against a server of the test's own.
#include "CliRun.h"

#include <gtest/gtest.h>
#include "LoopbackHttp.h"

#include <chrono>
#include <string>
#include <thread>

namespace {

using clitest::RunCli;

class RequestVerbs : public ::testing::Test {
protected:
    void SetUp() override {
        server_.Server().Get("/clip.flv", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("FLV-body agent=" + req.get_header_value("User-Agent"), "video/x-flv");
        });
        server_.Server().Post("/form", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("posted " + req.body + " with " + req.get_header_value("Cookie"), "text/plain");
        });
        server_.Server().Get("/hostile", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("X-Title",
                           "a\x1b]0;owned\x07"
                           "b");
            res.set_content("one\r\n\x1b]0;owned\x07two\tthree", "text/plain");
        });
        server_.Server().Get("/hostile-hop", [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", "http://media.test/\x1b[2J.flv");
        });
        server_.Server().Get("/hop", [this](const httplib::Request&, httplib::Response& res) {
            res.set_redirect(base_ + "/clip.flv", 302);
        });
        ASSERT_TRUE(server_.Start());
        base_ = server_.Url();
    }
    void TearDown() override { server_.Stop(); }

    lumora::test::LoopbackHttp server_;
    std::string base_;
};

TEST_F(RequestVerbs, ObjectModesAndOptions) {
    auto run = RunCli({"object", base_ + "/clip.flv"});
    EXPECT_EQ(run.out, "FLV-body agent=QuilPlayer/QQ100200300\n");
    EXPECT_EQ(run.status, 0);

    run = RunCli({"object", base_ + "/clip.flv", "--agent", "Tester/1"});
    EXPECT_EQ(run.out, "FLV-body agent=Tester/1\n");

    run = RunCli({"object", base_ + "/form?a=1", "--method", "post", "--cookie", "sid=9"});
    EXPECT_EQ(run.out, "posted a=1 with sid=9\n");
    run = RunCli({"object", "--method", "post", "--cookie=sid=9", base_ + "/form?a=1"});  // options first
    EXPECT_EQ(run.out, "posted a=1 with sid=9\n");
    EXPECT_EQ(run.status, 0);

    run = RunCli({"object", base_ + "/hostile"});  // lines and tabs kept, terminal controls escaped
    EXPECT_EQ(run.out, "one\r\n\\x1b]0;owned\\x07two\tthree\n");

    run = RunCli({"object", "head@" + base_ + "/clip.flv"});
    EXPECT_NE(run.out.find("Content-Type: video/x-flv"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("FLV-body"), std::string::npos);

    run = RunCli({"object", "loca@" + base_ + "/hop"});
    EXPECT_EQ(run.out, base_ + "/clip.flv\n");
    run = RunCli({"object", "loca@" + base_ + "/clip.flv"});  // a 200 has no Location
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(clitest::HasOneLineReason(run)) << run.err;

    EXPECT_EQ(RunCli({"object"}).status, 2);
    EXPECT_EQ(RunCli({"object", base_, "--timeout"}).status, 2);
    EXPECT_EQ(RunCli({"object", base_, "--timeout", "0"}).status, 2);
    EXPECT_EQ(RunCli({"object", base_, "--colour", "red"}).status, 2);
}

TEST_F(RequestVerbs, SocketAndProbe) {
    auto run = RunCli({"socket", base_ + "/clip.flv"});
    EXPECT_EQ(run.out.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << run.out;
    EXPECT_EQ(run.status, 0);
    run = RunCli({"socket", base_ + "/hostile"});  // the first bytes that arrive: the header lines at least
    EXPECT_NE(run.out.find("\r\nX-Title: a\\x1b]0;owned\\x07b\r\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << run.out;
    run = RunCli({"socket", "https://127.0.0.1/"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(clitest::HasOneLineReason(run)) << run.err;

    run = RunCli({"probe", base_ + "/hop"});
    EXPECT_NE(run.out.find("[Type]video/x-flv[/Type]"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("[File]" + base_ + "/clip.flv[/File]\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.status, 0);

    run = RunCli({"probe", "https://example.invalid/a%20b.mp4"});  // never probed, decoded
    EXPECT_EQ(run.out, "[File]https://example.invalid/a b.mp4[/File]\n");
    run = RunCli({"probe", base_ + "/hostile-hop"});  // a Location that carries an escape sequence
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << run.out;
    EXPECT_EQ(RunCli({"probe"}).status, 2);
}

}  // namespace
