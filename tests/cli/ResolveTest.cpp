// SPDX-License-Identifier: GPL-3.0-or-later
// lumora-cli resolve against lumora-site in this process, reached through
// LUMORA_SERVICE_HOST as a user would set it.
#include "site/SiteData.h"
#include "site/SiteServer.h"

#include "CliRun.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using clitest::CliRun;

class ResolveVerb : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        std::optional<lumora::site::SiteData> loaded =
            lumora::site::LoadSiteData(lumora::site::BundledDataDir(), &error);
        ASSERT_TRUE(loaded) << error;
        data_ = *loaded;
        lumora::site::SiteOptions options;
        options.port = 0;
        server_.emplace(std::move(*loaded), options);
        ASSERT_TRUE(server_->Start(&error)) << error;
        host_ = "127.0.0.1:" + std::to_string(server_->Port());
    }
    void TearDown() override {
        if (server_) server_->Stop();
    }

    CliRun Resolve(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"resolve"};
        all.insert(all.end(), args.begin(), args.end());
        return clitest::RunCli(all, "LUMORA_SERVICE_HOST=" + clitest::Quote(host_));
    }

    std::string HashOf(const std::string& key) const {
        for (const lumora::site::Song& song : data_.songs)
            if (song.key == key) return song.hash;
        return {};
    }

    lumora::site::SiteData data_;
    std::optional<lumora::site::SiteServer> server_;
    std::string host_;
};

TEST_F(ResolveVerb, PrintsEngineAddressAndTitle) {
    const std::string site = "http://" + host_;
    struct Case {
        std::vector<std::string> args;
        std::string out;
        int status;
    };
    const std::vector<Case> cases = {
        {{"12345"}, "0\t" + site + "/mv/12345/temp.flv\t\n", 0},
        {{"yyt://ab"}, "1\t" + site + "/mv/6162/temp.flv\tab\n", 0},
        {{"mp3://周杰伦 - 晴天"}, "1\t" + site + "/media/a/" + HashOf("周杰伦-晴天") + ".mp3\t周杰伦 - 晴天\n", 0},
        {{"mp3://陈奕迅$$十年"}, "1\t" + site + "/media/b/shinian.mp3\t陈奕迅-十年\n", 0},
        {{"qqmv://七里香"}, "2\t" + site + "/k0012qlx7s1.flv\t七里香\n", 0},
        {{"http://www.56.lumora.test/v_MTAwMDAx.html"}, "2\t" + site + "/media/demo-b.mp4\t夏日海滩\n", 0},
        {{"http://www.56.lumora.test/v_404.html"}, "2\t\t\n", 1},
        {{"mp3://无名 - 无歌"}, "1\t\t无名 - 无歌\n", 1},
        {{"/media/clip.flv|片名", "给定"}, "0\t/media/clip.flv\t给定\n", 0},
        {{"x||y"}, "0\tx\tx\n", 0},
        {{"quil://"}, "0\t\t\n", 1},
        // fields from the caller or a page keep to their column and line
        {{"/media/a\tb.flv|片\x1b[2J名"}, "0\t/media/a\\tb.flv\t片\\x1b[2J名\n", 0},
    };
    for (const Case& c : cases) {
        const CliRun run = Resolve(c.args);
        EXPECT_EQ(run.out, c.out) << c.args[0];
        EXPECT_EQ(run.status, c.status) << c.args[0];
        if (c.status == 1) {
            EXPECT_TRUE(clitest::HasOneLineReason(run)) << c.args[0] << run.err;
        }
    }
}

TEST_F(ResolveVerb, UsageErrors) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"a", "b", "c"}}) {
        const CliRun run = Resolve(args);
        EXPECT_EQ(run.status, 2) << args.size();
        EXPECT_EQ(run.out, "");
    }
}

}  // namespace
