// lumora-cli download against a server of the test's own.
#include "CliRun.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace {

using clitest::RunCli;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class DownloadVerb : public ::testing::Test {
protected:
    void SetUp() override {
        body_.resize(3 * 1024 * 1024);
        for (std::size_t i = 0; i < body_.size(); ++i) body_[i] = static_cast<char>(i * 7 + i / 977);
        server_.Get("/clip.mp4", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(body_, "video/mp4");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        base_ = "http://127.0.0.1:" + std::to_string(port_);
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        for (int i = 0; i < 200 && !server_.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::string pattern = (std::filesystem::temp_directory_path() / "lumora-cli-download-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        server_.stop();
        thread_.join();
        std::filesystem::remove_all(dir_);
    }

    std::string body_;
    httplib::Server server_;
    int port_ = 0;
    std::string base_;
    std::thread thread_;
    std::filesystem::path dir_;
};

// Progress rewrites one line (\r), then the outcome on a line of its own.
TEST_F(DownloadVerb, ProgressOnOneLineThenTheOutcome) {
    const std::filesystem::path file = dir_ / "片.MP4";
    const auto run = RunCli({"download", base_ + "/clip.mp4", file.string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.front(), '\r');
    ASSERT_TRUE(run.out.ends_with("\n下载成功\n")) << run.out;
    EXPECT_EQ(run.out.find('\n'), run.out.size() - std::string("\n下载成功\n").size());
    // The last text, padded with blanks over what a longer earlier one left.
    std::string last = run.out.substr(run.out.rfind('\r') + 1);
    last = last.substr(0, last.find('\n'));
    EXPECT_EQ(last.substr(0, last.find_last_not_of(' ') + 1), "3MB/3MB    已完成：100%");
    EXPECT_EQ(ReadFile(file), body_);
}

// A 404, a full disk (a file-size limit stands in for it) and a missing
// directory all say 下载失败 and keep the earlier file.
TEST_F(DownloadVerb, FailuresKeepTheEarlierFile) {
    const std::filesystem::path file = dir_ / "kept.MP4";
    std::ofstream(file, std::ios::binary) << "the earlier download";
    struct Case {
        std::string url;
        std::string file;
        std::string environment;
    };
    const Case cases[] = {
        {base_ + "/missing.mp4", file.string(), ""},
        {base_ + "/clip.mp4", file.string(), "ulimit -f 256;"},
        {base_ + "/clip.mp4", (dir_ / "no-such-dir" / "x.MP4").string(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url + " " + c.environment);
        const auto run = RunCli({"download", c.url, c.file}, c.environment);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(clitest::HasOneLineReason(run)) << run.err;
        EXPECT_TRUE(run.out.ends_with("下载失败\n")) << run.out;
        EXPECT_EQ(ReadFile(file), "the earlier download");
        EXPECT_FALSE(std::filesystem::exists(file.string() + ".part"));
    }
    EXPECT_EQ(RunCli({"download", base_ + "/clip.mp4"}).status, 2);
}

}  // namespace
