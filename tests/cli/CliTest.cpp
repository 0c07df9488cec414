// lumora-cli as a user runs it: the real binary, its output and exit status.
#include "CliRun.h"
#include "base/CodePage.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <fstream>
#include <string>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using clitest::CliRun;
using clitest::RunCli;

TEST(Cli, CodeVerbs) {
    struct Case { std::vector<std::string> args; std::string out; int status; };
    const Case cases[] = {
        {{"code", "uridecode", "%E4%B8%AD%2F"}, "中%2F\n", 0},
        {{"code", "uridecode", "a%zz"}, "a\xEF\xBF\xBD\n", 0},  // falls back to the byte walk
        {{"code", "percentdecode", "a%41b"}, "aAb\n", 0},
        {{"code", "unescape", "%u4E2D'x"}, "中'x\n", 0},
        {{"code", "uriencode", "ab"}, "%61%62\n", 0},
        {{"code", "uriencode-script", "中 '"}, "%E4%B8%AD%20'\n", 0},
        {{"code", "base64decode", "QQ=="}, "A\n", 0},
        {{"code", "base64decode", "QQ=Q=Q="}, "", 1},
        {{"code", "base64decode-script", "1tA"}, "中\n", 0},  // GBK D6 D0, padding left out
        {{"code", "looksbase64", "QQ=="}, "true\n", 0},
        {{"code", "looksbase64", "a/b"}, "false\n", 1},
        {{"code", "digest", "abc"}, "900150983cd24fb0d6963f7d28e17f72\n", 0},
        {{"code", "percentdecode", ""}, "", 1},
        {{"code", "rot13", "x"}, "", 2},
        {{"code", "digest"}, "", 2},
        {{}, "", 2},
        {{"nonsense"}, "", 2},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(c.args);
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        EXPECT_EQ(run.out, c.out) << joined;
        EXPECT_EQ(run.status, c.status) << joined;
    }
}

TEST(Cli, RegexOverAGbkFile) {
    const std::string path = ::testing::TempDir() + "/cli-regex-page.txt";
    std::ofstream(path, std::ios::binary)
        << lumora::Utf8ToGbk("<a id=\"1\" title=\"中文 \">\n<A ID=\"22\" TITLE=\"x \">\n<a id=\"z\" title=\"y \">");
    CliRun run = RunCli({"regex", "id=\"(\\d+)\" title=\"(.*?) \"", path});
    EXPECT_EQ(run.out, "2\n1\t中文\n22\tx\n");
    EXPECT_EQ(run.status, 0);

    run = RunCli({"regex", "nomatch", path});
    EXPECT_EQ(run.out, "0\n");
    EXPECT_EQ(run.status, 1);
    run = RunCli({"regex", "(unclosed", path});
    EXPECT_EQ(run.out, "0\n");
    EXPECT_EQ(run.status, 1);
    run = RunCli({"regex", "x", path + ".missing"});
    EXPECT_EQ(run.status, 1);
}

TEST(Cli, FetchPrintsThePageAsUtf8) {
    httplib::Server server;
    server.Get("/page", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("标题 ok", "text/html; charset=utf-8");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    for (int i = 0; i < 200 && !server.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));

    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    CliRun run = RunCli({"fetch", base + "/page"});
    EXPECT_EQ(run.out, "标题 ok\n");
    EXPECT_EQ(run.status, 0);
    run = RunCli({"fetch", base + "/missing"});  // an empty 404 body
    EXPECT_EQ(run.status, 1);
    server.stop();
    serving.join();
    run = RunCli({"fetch", base + "/page"});  // nothing listens any more
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.status, 1);
}

}  // namespace
