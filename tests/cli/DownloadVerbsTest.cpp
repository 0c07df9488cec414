// SPDX-License-Identifier: GPL-3.0-or-later
// lumora-cli download against a server of the test's own: the outcome and
// where the file went, progress on a terminal and in a pipe, and continuing
// an interrupted download.
#include "CliRun.h"

#include <gtest/gtest.h>
#include "LoopbackHttp.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using clitest::RunCli;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kCut = 1'000'000;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t end = text.find('\n', from);
        lines.push_back(text.substr(from, end - from));
        if (end == std::string::npos) break;
        from = end + 1;
    }
    return lines;
}

// Runs lumora-cli with a terminal as its standard output; the terminal's
// CR LF line ends are given back as LF.
clitest::CliRun RunCliOnTerminal(const std::vector<std::string>& args) {
    clitest::CliRun run;
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0) return run;
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>(LUMORA_CLI)};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(LUMORA_CLI, argv.data());
        _exit(127);
    }
    char buffer[4096];
    for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;)
        run.out.append(buffer, static_cast<std::size_t>(n));
    close(terminal);
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    for (std::size_t at; (at = run.out.find("\r\n")) != std::string::npos;) run.out.replace(at, 2, "\n");
    return run;
}

class DownloadVerb : public ::testing::Test {
protected:
    void SetUp() override {
        body_.resize(3 * 1024 * 1024);
        for (std::size_t i = 0; i < body_.size(); ++i) body_[i] = static_cast<char>(i * 7 + i / 977);
        // httplib answers Range requests itself (206 with Content-Range).
        server_.Server().Get("/clip.mp4", [this](const httplib::Request& req, httplib::Response& res) {
            Note(req);
            res.set_content(body_, "video/mp4");
        });
        // The first answer for each name is cut after kCut bytes.
        server_.Server().Get(R"(/cut/(\w+)\.mp4)", [this](const httplib::Request& req, httplib::Response& res) {
            if (Note(req, req.matches[1].str()) > 1) {
                res.set_content(body_, "video/mp4");
                return;
            }
            res.set_content_provider(body_.size(), "video/mp4",
                                     [this](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                         if (offset >= kCut) return false;
                                         sink.write(body_.data() + offset, std::min(length, kCut - offset));
                                         return true;
                                     });
        });
        // 256 KiB, then nothing until the test ends it (at most 20 s).
        server_.Server().Get("/hang.mp4", [this](const httplib::Request& req, httplib::Response& res) {
            Note(req);
            res.set_content_provider(body_.size(), "video/mp4",
                                     [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                         if (offset == 0) return sink.write(body_.data(), 256 * 1024);
                                         for (int i = 0; i < 200 && !hangUp_; ++i)
                                             std::this_thread::sleep_for(std::chrono::milliseconds(100));
                                         return false;
                                     });
        });
        // 1 MiB in four pieces over about two seconds.
        server_.Server().Get("/slow.mp4", [this](const httplib::Request& req, httplib::Response& res) {
            Note(req);
            res.set_content_provider(kSlowSize, "video/mp4",
                                     [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                         if (offset > 0) std::this_thread::sleep_for(std::chrono::milliseconds(600));
                                         sink.write(body_.data() + offset, std::min(kSlowSize / 4, kSlowSize - offset));
                                         return true;
                                     });
        });
        ASSERT_TRUE(server_.Start());
        base_ = server_.Url();
        std::string pattern = (std::filesystem::temp_directory_path() / "lumora-cli-download-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        hangUp_ = true;
        server_.Stop();
        std::filesystem::remove_all(dir_);
    }

    // Notes a request's Range line under `name`; the number of requests for
    // that name so far.
    std::size_t Note(const httplib::Request& req, const std::string& name = "") {
        std::lock_guard lock(mutex_);
        ranges_[name].push_back(req.get_header_value("Range"));
        return ranges_[name].size();
    }
    std::vector<std::string> Ranges(const std::string& name) {
        std::lock_guard lock(mutex_);
        return ranges_[name];
    }

    static constexpr std::size_t kSlowSize = 1024 * 1024;
    std::atomic<bool> hangUp_{false};
    std::string body_;
    lumora::test::LoopbackHttp server_;
    std::string base_;
    std::filesystem::path dir_;
    std::mutex mutex_;
    std::map<std::string, std::vector<std::string>> ranges_;
};

// In a pipe: plain lines, no carriage returns, at most one a second; then
// the outcome and, last, where the file went.
TEST_F(DownloadVerb, InAPipePlainLinesThenWhereTheFileWent) {
    for (const char* path : {"/clip.mp4", "/slow.mp4"}) {
        SCOPED_TRACE(path);
        const std::filesystem::path file = dir_ / (std::string(path + 1) + ".MP4");
        const auto started = Clock::now();
        const auto run = RunCli({"download", base_ + path, file.string()});
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out.find('\r'), std::string::npos) << run.out;
        ASSERT_TRUE(run.out.ends_with("下载成功\nsaved: " + file.string() + "\n")) << run.out;
        const std::vector<std::string> lines = Lines(run.out);
        const std::size_t progress = lines.size() - 2;
        // One a second, and the last state always, however fast it went.
        EXPECT_LE(progress, static_cast<std::size_t>(seconds) + 2) << run.out;
        ASSERT_GE(progress, 1u) << run.out;
        for (std::size_t i = 0; i < progress; ++i) EXPECT_NE(lines[i].find("MB    已完成："), std::string::npos);
        EXPECT_TRUE(lines[progress - 1].starts_with(std::string(path) == "/slow.mp4" ? "1MB/1MB    已完成：100%"
                                                                                     : "3MB/3MB    已完成：100%"))
            << run.out;
        EXPECT_EQ(ReadFile(file), std::string(path) == "/slow.mp4" ? body_.substr(0, kSlowSize) : body_);
    }
}

// On a terminal: one line rewritten in place with the percentage, the bytes,
// the speed and the time left; its last state is the whole file.
TEST_F(DownloadVerb, OnATerminalOneLineWithSpeedAndTimeLeft) {
    const std::filesystem::path file = dir_ / "片.MP4";
    const auto run = RunCliOnTerminal({"download", base_ + "/slow.mp4", file.string()});
    EXPECT_EQ(run.status, 0);
    ASSERT_TRUE(run.out.ends_with("\n下载成功\nsaved: " + file.string() + "\n")) << run.out;
    const std::string line = run.out.substr(0, run.out.find('\n'));
    EXPECT_EQ(line.front(), '\r');
    std::vector<std::string> states;
    for (std::size_t from = 1; from <= line.size();) {
        std::size_t end = line.find('\r', from);
        if (end == std::string::npos) end = line.size();
        std::string state = line.substr(from, end - from);
        states.push_back(state.substr(0, state.find_last_not_of(' ') + 1));
        from = end + 1;
    }
    ASSERT_GE(states.size(), 2u) << line;
    bool sawTimeLeft = false;
    for (const std::string& state : states) {
        EXPECT_TRUE(state.find("MB/1MB    已完成：") != std::string::npos) << state;
        if (state.find("MB/s    ETA 00:00:0") != std::string::npos) sawTimeLeft = true;
    }
    EXPECT_TRUE(sawTimeLeft) << line;
    EXPECT_TRUE(states.back().starts_with("1MB/1MB    已完成：100%")) << states.back();
    EXPECT_EQ(ReadFile(file), body_.substr(0, kSlowSize));
}

// A cut download is continued by the next run with only the missing bytes;
// --no-continue fetches the whole file again.
TEST_F(DownloadVerb, ContinuesByDefaultAndStartsOverWhenTold) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        std::string secondRange;
    };
    const Case cases[] = {
        {"a", {}, "bytes=" + std::to_string(kCut) + "-"},
        {"b", {"--no-continue"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = dir_ / (std::string(c.name) + ".MP4");
        const std::string part = file.string() + ".part";
        const std::string url = base_ + "/cut/" + c.name + ".mp4";
        auto run = RunCli({"download", url, file.string()});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.out.ends_with("下载失败\n")) << run.out;
        EXPECT_TRUE(clitest::HasOneLineReason(run)) << run.err;
        EXPECT_NE(run.err.find(part + " is kept"), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(part), body_.substr(0, kCut));

        std::vector<std::string> args = {"download"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {url, file.string()});
        run = RunCli(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(ReadFile(file), body_);
        EXPECT_FALSE(std::filesystem::exists(part));
        EXPECT_EQ(Ranges(c.name), (std::vector<std::string>{"", c.secondRange}));
    }
}

// A 404, a full disk (a file-size limit stands in for it) and a missing
// directory all say 下载失败 and keep the earlier file; only the full disk,
// which happened after bytes arrived, keeps them for the next run.
TEST_F(DownloadVerb, FailuresKeepTheEarlierFile) {
    const std::filesystem::path file = dir_ / "kept.MP4";
    std::ofstream(file, std::ios::binary) << "the earlier download";
    struct Case {
        std::string url;
        std::string file;
        std::string environment;
        bool partKept;
    };
    const Case cases[] = {
        {base_ + "/missing.mp4", file.string(), "", false},
        {base_ + "/clip.mp4", file.string(), "ulimit -f 256;", true},
        {base_ + "/clip.mp4", (dir_ / "no-such-dir" / "x.MP4").string(), "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url + " " + c.environment);
        const auto run = RunCli({"download", c.url, c.file}, c.environment);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(clitest::HasOneLineReason(run)) << run.err;
        EXPECT_TRUE(run.out.ends_with("下载失败\n")) << run.out;
        EXPECT_EQ(ReadFile(file), "the earlier download");
        EXPECT_EQ(std::filesystem::exists(c.file + ".part"), c.partKept);
    }
    EXPECT_EQ(RunCli({"download", base_ + "/clip.mp4"}).status, 2);
    EXPECT_EQ(RunCli({"download", "--no-continue", base_ + "/clip.mp4"}).status, 2);
    EXPECT_EQ(RunCli({"download", base_ + "/clip.mp4", file.string(), "--continue"}).status, 2);
}

// Ctrl-C while bytes arrive: the run says 下载失败, says on stderr that the
// .part is kept for the same command, and ends as interrupted (130).
TEST_F(DownloadVerb, CtrlCKeepsThePartAndSaysSo) {
    const std::filesystem::path file = dir_ / "stopped.MP4";
    const std::filesystem::path part = file.string() + ".part";
    const std::string errPath = (dir_ / "stderr").string();
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, STDERR_FILENO);
        close(out[0]);
        execl(LUMORA_CLI, LUMORA_CLI, "download", (base_ + "/hang.mp4").c_str(), file.c_str(), nullptr);
        _exit(127);
    }
    close(out[1]);
    // Once the server has answered (the record is written) and its bytes
    // had time to arrive, the user presses Ctrl-C.
    const std::filesystem::path record = file.string() + ".resume";
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline && !std::filesystem::exists(record))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!std::filesystem::exists(record)) kill(child, SIGKILL);
    ASSERT_TRUE(std::filesystem::exists(record)) << "the server's answer never came";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(child, SIGINT);
    std::string printed;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) printed.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_TRUE(printed.ends_with("下载失败\n")) << printed;
    const std::string err = ReadFile(errPath);
    EXPECT_NE(err.find("interrupted (Ctrl-C)"), std::string::npos) << err;
    EXPECT_NE(err.find(part.string() + " is kept and the same command continues it"), std::string::npos) << err;
    EXPECT_EQ(ReadFile(part), body_.substr(0, 256 * 1024));
    EXPECT_TRUE(std::filesystem::exists(record));
    EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
