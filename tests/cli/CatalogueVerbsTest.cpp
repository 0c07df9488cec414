// SPDX-License-Identifier: GPL-3.0-or-later
// lumora-cli list and video against a catalogue site of the test's own on
// 127.0.0.1, reached through LUMORA_CATALOGUE_HOST as a user would set it.
#include "CatalogueServer.h"
#include "CliRun.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using clitest::CliRun;
using lumora::test::CatalogueServer;

CliRun RunCli(const std::string& catalogueHost, const std::vector<std::string>& args) {
    return clitest::RunCli(args, "LUMORA_CATALOGUE_HOST=" + clitest::Quote(catalogueHost));
}

std::string Entry(const std::string& id, const std::string& title) {
    return "<li><div class=\"pic\"></div><a href=\"/vod/index.php?id=" + id + "\" target=\"_blank\" title=\"" + title +
           " \" alt=\"" + title + "\">" + title + "</a></li>\n";
}

// The site: the home page and batch 14 list two videos each, category 35 is
// empty, "/other" is a page only --address reaches, detail pages carry an
// address except for video 0.
std::pair<std::string, std::string> SitePage(const httplib::Request& req) {
    std::string body;
    if (req.path == "/") {
        body = Entry("1", "首页 一") + Entry("2", "首页 二");
    } else if (req.path == "/vodlist/index.php" && req.get_param_value("id") == "39") {
        body = Entry("39" + req.get_param_value("page"), "第四类");
    } else if (req.path == "/other") {
        body = Entry("77", "别处") + Entry("78", "别处\t二");
    } else if (req.path == "/hostile") {
        // titles that try to drive the terminal or break the lines
        body = Entry("5", "\x1b]0;owned\x07\x1b[2J红") + Entry("6", "a\\tb\\") +
               Entry("7",
                     "\xc2\x9b"
                     "31mC1");
    } else if (req.path == "/vod/index.php" && req.get_param_value("id") == "66") {
        body = "<script>var video=['http://media.test/a\x1b[8mb.mp4->video/mp4'];</script>";
    } else if (req.path == "/vod/index.php" && req.get_param_value("id") != "0") {
        body = "<script>var video=['http://media.test/" + req.get_param_value("id") + ".mp4->video/mp4'];</script>";
    }
    return {"<html><body><ul>" + body + "</ul></body></html>", "text/html; charset=utf-8"};
}

TEST(CliCatalogue, ListAndVideo) {
    CatalogueServer site(SitePage);
    struct Case {
        std::vector<std::string> args;
        std::string out;
        int status;
        std::vector<std::string> targets;  // requests the site saw
    };
    const std::vector<Case> cases = {
        {{"list", "1"}, "1\t首页 一\n2\t首页 二\n第1批共14批搜索到：2个视频\n", 0, {"/"}},
        {{"list", "14"}, "394\t第四类\n第14批共14批搜索到：1个视频\n", 0, {"/vodlist/index.php?id=39&page=4"}},
        {{"list", "07"}, "第7批共14批搜索到：0个视频\n", 1, {"/vodlist/index.php?id=35"}},
        {{"list", "2", "--address", "http://" + site.Host() + "/other"},
         "77\t别处\n78\t别处\\t二\n第2批共14批搜索到：2个视频\n",
         0,
         {"/other"}},
        {{"list", "--address", "http://" + site.Host() + "/other", "2"},
         "77\t别处\n78\t别处\\t二\n第2批共14批搜索到：2个视频\n",
         0,
         {"/other"}},
        {{"list", "3", "--address=http://" + site.Host() + "/hostile"},
         "5\t\\x1b]0;owned\\x07\\x1b[2J红\n6\ta\\\\tb\\\\\n7\t\\xc2\\x9b31mC1\n第3批共14批搜索到：3个视频\n",
         0,
         {"/hostile"}},
        {{"list", "0"}, "", 2, {}},
        {{"list", "15"}, "", 2, {}},
        {{"list", "-1"}, "", 2, {}},
        {{"list", "1.5"}, "", 2, {}},
        {{"list", "x"}, "", 2, {}},
        {{"list", ""}, "", 2, {}},
        {{"list"}, "", 2, {}},
        {{"list", "1", "2"}, "", 2, {}},
        {{"list", "1", "--address"}, "", 2, {}},
        {{"video", "123"}, "http://media.test/123.mp4\n", 0, {"/vod/index.php?id=123"}},
        {{"video", "0"}, "", 1, {"/vod/index.php?id=0"}},
        {{"video", "66"}, "http://media.test/a\\x1b[8mb.mp4\n", 0, {"/vod/index.php?id=66"}},
        {{"video"}, "", 2, {}},
        {{"video", "1", "2"}, "", 2, {}},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        const CliRun run = RunCli(site.Host(), c.args);
        EXPECT_EQ(run.out, c.out) << joined;
        EXPECT_EQ(run.status, c.status) << joined;
        if (c.status != 0) {
            EXPECT_TRUE(clitest::HasOneLineReason(run)) << joined << run.err;
        }
        EXPECT_EQ(site.TakeTargets(), c.targets) << joined;
    }
}

TEST(CliCatalogue, SiteNotThere) {
    std::string host;
    {
        CatalogueServer site(SitePage);
        host = site.Host();
    }
    CliRun run = RunCli(host, {"list", "3"});
    EXPECT_EQ(run.out, "第3批共14批搜索到：0个视频\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(clitest::HasOneLineReason(run)) << run.err;
    run = RunCli(host, {"search", "首页"});
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(clitest::HasOneLineReason(run)) << run.err;
    EXPECT_NE(run.err.find("answered no list page"), std::string::npos) << run.err;
    run = RunCli(host, {"video", "5"});
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(clitest::HasOneLineReason(run)) << run.err;
}

// search TEXT reads all 14 list pages and prints the rows whose titles hold
// every word, with their batch.
TEST(CliCatalogue, Search) {
    CatalogueServer site(SitePage);
    struct Case {
        std::vector<std::string> args;
        std::string out;
        int status;
    };
    const std::vector<Case> cases = {
        {{"search", "首页"}, "1\t首页 一\t1\n2\t首页 二\t1\n", 0},
        {{"search", "二　首页"}, "2\t首页 二\t1\n", 0},
        {{"search", "第四类"}, "39\t第四类\t11\n392\t第四类\t12\n393\t第四类\t13\n394\t第四类\t14\n", 0},
        {{"search", "首页 没有"}, "", 1},
        {{"search", " \t "}, "", 1},
        {{"search"}, "", 2},
        {{"search", "a", "b"}, "", 2},
    };
    for (const Case& c : cases) {
        const std::string joined = c.args.size() > 1 ? c.args[1] : "";
        const CliRun run = RunCli(site.Host(), c.args);
        EXPECT_EQ(run.out, c.out) << joined;
        EXPECT_EQ(run.status, c.status) << joined;
        if (c.status != 0) {
            EXPECT_TRUE(clitest::HasOneLineReason(run)) << joined << run.err;
        }
        std::vector<std::string> targets = site.TakeTargets();
        // Every list page once when there is something to search for.
        if (c.status == 2 || c.args[1].find_first_not_of(" \t") == std::string::npos) {
            EXPECT_TRUE(targets.empty()) << joined;
        } else {
            std::sort(targets.begin(), targets.end());
            EXPECT_EQ(targets.size(), 14u) << joined;
            EXPECT_EQ(std::unique(targets.begin(), targets.end()), targets.end()) << joined;
        }
    }
}

}  // namespace
