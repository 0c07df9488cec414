// SPDX-License-Identifier: GPL-3.0-or-later
// lumora-cli as a user runs it: the real binary, its output and exit status.
#include "CliRun.h"
#include "base/CodePage.h"
#include "base/Version.h"
#include "base/TerminalText.h"

#include <gtest/gtest.h>
#include "LoopbackHttp.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <chrono>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using clitest::CliRun;
using clitest::HasOneLineReason;
using clitest::RunCli;

std::string Joined(const std::vector<std::string>& args) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    return joined;
}

TEST(Cli, HelpVersionAndOptionPlacement) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string outHas;  // a piece standard output holds
        std::string errHas;  // a piece standard error holds
    };
    const std::string version = std::string("lumora-cli ") + lumora::kLumoraVersion + "\n";
    const Case cases[] = {
        // the whole tool: one verb a line, also in the usage error
        {{"--help"}, 0, "\n  lumora-cli regex PATTERN FILE\n  lumora-cli object URL [--method M]", ""},
        {{"-h"}, 0, "\n  lumora-cli play ADDRESS [--null] [--seconds N] [--first-frame]\n", ""},
        {{"help"}, 0, "\n  lumora-cli download URL FILE [--no-continue]\n", ""},
        {{}, 2, "", "\n  lumora-cli fetch URL\n  lumora-cli code OP TEXT\n"},
        {{"nonsense"}, 2, "", "unknown verb \"nonsense\"\nusage:\n"},
        {{"--version"}, 0, version, ""},
        // one verb, in this program and in the programs it hands verbs to
        {{"help", "list"}, 0, "usage: lumora-cli list N [--address URL]\n\nThe rows", ""},
        {{"list", "--help"}, 0, "usage: lumora-cli list N [--address URL]\n", ""},
        {{"object", "--help"}, 0, "usage: lumora-cli object URL [--method M]", ""},
        {{"probe", "http://x/", "-h"}, 0, "usage: lumora-cli probe URL\n", ""},
        {{"play", "--help"}, 0, "--first-frame", ""},
        {{"resolve", "--seconds", "1", "--help"}, 0, "usage: lumora-cli resolve ADDRESS [TITLE]\n", ""},
        {{"help", "nonsense"}, 2, "", "help takes one verb"},
        {{"help", "list", "video"}, 2, "", "help takes one verb"},
        // options before, between and after the other arguments
        {{"code", "digest", "abc"}, 0, "900150983cd24fb0d6963f7d28e17f72\n", ""},
        {{"code", "--", "digest", "--abc"}, 0, "f2b64beb1022940da03857a6b64a3f24\n", ""},
        {{"code", "digest", "-"}, 0, "336d5ebc5436534e61d16e63ddfca327\n", ""},
        {{"code", "digest", "--abc"}, 2, "", "unknown option --abc of code"},
        {{"code", "digest"}, 2, "", "missing arguments; usage: lumora-cli code OP TEXT\n"},
        {{"code", "digest", "a", "b"}, 2, "", "too many arguments"},
        {{"list", "--address"}, 2, "", "--address needs a value URL"},
        {{"list", "1", "--address=x", "2"}, 2, "", "too many arguments"},
        {{"play", "--null=1", "a"}, 2, "", "--null takes no value"},
        {{"object", "--method", "POST"}, 2, "", "missing arguments"},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.status, c.status) << Joined(c.args);
        EXPECT_NE(run.out.find(c.outHas), std::string::npos) << Joined(c.args) << run.out;
        EXPECT_NE(run.err.find(c.errHas), std::string::npos) << Joined(c.args) << run.err;
        if (c.status == 0) {
            EXPECT_EQ(run.err, "") << Joined(c.args);
        } else {
            EXPECT_EQ(run.out, "") << Joined(c.args);
        }
    }
}

TEST(Cli, EveryVerbHasHelp) {
    for (const char* verb : {"fetch", "code", "regex", "object", "socket", "probe", "list", "video", "classify",
                             "resolve", "download", "play"}) {
        const CliRun run = RunCli({verb, "--help"});
        EXPECT_EQ(run.status, 0) << verb;
        EXPECT_EQ(run.out.rfind(std::string("usage: lumora-cli ") + verb + " ", 0), 0u) << run.out;
        EXPECT_NE(RunCli({"--help"}).out.find(std::string("\n  lumora-cli ") + verb + " "), std::string::npos) << verb;
    }
}

TEST(TerminalText, FieldsAndBodies) {
    struct Case {
        std::string in, field, body;
    };
    const Case cases[] = {
        {"中文 title ok", "中文 title ok", "中文 title ok"},
        {"a\tb", "a\\tb", "a\tb"},
        {"a\nb", "a\\nb", "a\nb"},
        {"a\r\nb\rc", "a\\r\\nb\\rc", "a\r\nb\\rc"},
        {"\x1b]0;owned\x07\x1b[2J", "\\x1b]0;owned\\x07\\x1b[2J", "\\x1b]0;owned\\x07\\x1b[2J"},
        {std::string("n\0ul\x7f", 5), "n\\x00ul\\x7f", "n\\x00ul\\x7f"},
        {"C:\\dir", "C:\\\\dir", "C:\\dir"},
        {"\xc2\x9b"
         "31m \xc2\xa0 \xc2\x80",
         "\\xc2\\x9b31m \xc2\xa0 \\xc2\\x80", "\\xc2\\x9b31m \xc2\xa0 \\xc2\\x80"},
        {"end\xc2", "end\xc2", "end\xc2"},
        {"\r", "\\r", "\\r"},
    };
    for (const Case& c : cases) {
        std::string field, body;
        lumora::AppendEscapedField(field, c.in);
        lumora::AppendEscapedBody(body, c.in);
        EXPECT_EQ(field, c.field) << c.in;
        EXPECT_EQ(body, c.body) << c.in;
    }
}

TEST(Cli, FailuresSayWhy) {
    const std::string dir = ::testing::TempDir() + "/cli-failures";
    mkdir(dir.c_str(), 0700);
    const std::string page = dir + "/page.txt", fifo = dir + "/fifo", large = dir + "/large.txt";
    std::ofstream(page) << "abc\n";
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(large).close();
    ASSERT_EQ(truncate(large.c_str(), (64 << 20) + 1), 0);  // sparse: no disk space taken
    struct Case {
        std::vector<std::string> args;
        std::string out;
        std::string errHas;
    };
    const Case cases[] = {
        // not regular files, or too large: refused, nothing read
        {{"regex", "x", dir}, "", "cli-failures: not a regular file"},
        {{"regex", "x", "/dev/zero"}, "", "/dev/zero: not a regular file"},
        {{"regex", "x", fifo}, "", "fifo: not a regular file"},
        {{"regex", "x", large}, "", "large.txt: larger than 64 MiB"},
        {{"regex", "x", dir + "/missing"}, "", "missing: No such file or directory"},
        {{"regex", "x", page}, "0\n", "no match"},
        {{"regex", "(unclosed", page}, "0\n", "not a valid regular expression"},
        {{"code", "percentdecode", ""}, "", "percentdecode gives an empty text"},
        {{"code", "looksbase64", "a/b"}, "false\n", "does not look like base64"},
        {{"fetch", "http://127.0.0.1:1/"}, "", "the request to http://127.0.0.1:1/ failed"},
        {{"resolve", ""}, "0\t\t\n", "no address to play"},
    };
    for (const Case& c : cases) {
        // A run that would hang on the FIFO ends after 20 s, and fails.
        const CliRun run = RunCli(c.args, "timeout 20");
        EXPECT_EQ(run.status, 1) << Joined(c.args);
        EXPECT_EQ(run.out, c.out) << Joined(c.args);
        EXPECT_TRUE(HasOneLineReason(run)) << Joined(c.args) << run.err;
        EXPECT_NE(run.err.find(c.errHas), std::string::npos) << Joined(c.args) << run.err;
    }
    unlink(large.c_str());
    unlink(fifo.c_str());

    // Output that cannot be written is a failure too.
    const std::string err = dir + "/full.err";
    const int raw =
        std::system((std::string(LUMORA_CLI) + " code digest abc >/dev/full 2>" + clitest::Quote(err)).c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
    std::ifstream errFile(err);
    const std::string reason((std::istreambuf_iterator<char>(errFile)), std::istreambuf_iterator<char>());
    EXPECT_EQ(reason, "lumora-cli: cannot write the output: No space left on device\n");
}

// A file read in blocks: characters and matches across block ends, a line
// longer than a block, a last line without a line feed.
TEST(Cli, RegexOverAFileOfManyBlocks) {
    const std::string path = ::testing::TempDir() + "/cli-regex-blocks.txt";
    std::string utf8, expected;
    int count = 0;
    for (int i = 0; i < 6000; ++i) {
        const int length = i == 2500 ? 150000 : i % 37;  // one line of 450 KB in UTF-8
        std::string run;
        for (int k = 0; k < length; ++k) run += "中";
        utf8 += "第" + std::to_string(i) + "行" + run + (i == 5999 ? "" : "\n");
        expected += std::to_string(i) + "\t" + run + "\n";
        ++count;
    }
    std::ofstream(path, std::ios::binary) << lumora::Utf8ToGbk(utf8);
    const CliRun run = RunCli({"regex", "第(\\d+)行(中*)", path});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out == std::to_string(count) + "\n" + expected) << run.out.substr(0, 200);
    // A match that spans all lines at once.
    const CliRun whole = RunCli({"regex", "^第0行[\\s\\S]*第5999行中*$", path});
    EXPECT_EQ(whole.out.substr(0, 2), "1\n");
    EXPECT_EQ(whole.out.size(), 2 + utf8.size() + std::count(utf8.begin(), utf8.end(), '\n') + 1);
}

TEST(Cli, RegexPrintsControlCharactersEscaped) {
    const std::string path = ::testing::TempDir() + "/cli-regex-hostile.txt";
    std::ofstream(path, std::ios::binary) << "<t>a\tb\x1b[31m</t>\n<t>c\\d</t>\n<t>\xa1\xa1\x1b]0;x\x07</t>\n";
    const CliRun run = RunCli({"regex", "<t>([^<]*)</t>", path});
    EXPECT_EQ(run.out, "3\na\\tb\\x1b[31m\nc\\\\d\n\u3000\\x1b]0;x\\x07\n");
    EXPECT_EQ(run.status, 0);
    // a match that spans lines stays one line; no groups prints the whole match
    const CliRun spanning = RunCli({"regex", "b\\S*\\s+<t>c", path});
    EXPECT_EQ(spanning.out, "1\nb\\x1b[31m</t>\\n<t>c\n");
}

TEST(Cli, CodeVerbs) {
    struct Case {
        std::vector<std::string> args;
        std::string out;
        int status;
    };
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
    EXPECT_EQ(run.out, "");
}

TEST(Cli, FetchPrintsThePageAsUtf8) {
    lumora::test::LoopbackHttp server;
    server.Server().Get("/page", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("标题 ok", "text/html; charset=utf-8");
    });
    server.Server().Get("/hostile", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<p>\x1b]0;owned\x07\x1b[2J\r\n\tline\rover \\n</p>", "text/html; charset=utf-8");
    });
    ASSERT_TRUE(server.Start());

    const std::string base = server.Url();
    CliRun run = RunCli({"fetch", base + "/page"});
    EXPECT_EQ(run.out, "标题 ok\n");
    EXPECT_EQ(run.status, 0);
    // Lines, tabs and CR LF stay; the terminal's controls are shown, not obeyed.
    run = RunCli({"fetch", base + "/hostile"});
    EXPECT_EQ(run.out, "<p>\\x1b]0;owned\\x07\\x1b[2J\r\n\tline\\rover \\n</p>\n");
    run = RunCli({"fetch", base + "/missing"});  // an empty 404 body
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(HasOneLineReason(run)) << run.err;
    EXPECT_NE(run.err.find("answered \"HTTP/1.1 404 Not Found\" with an empty page"), std::string::npos) << run.err;
    server.Stop();
    run = RunCli({"fetch", base + "/page"});  // nothing listens any more
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(HasOneLineReason(run)) << run.err;
}

}  // namespace
