// SPDX-License-Identifier: GPL-3.0-or-later
// lumora-cli classify and play: the engine choice with the real probe against
// a server on 127.0.0.1, and real playback of committed media without video
// or sound devices.
#include "CliRun.h"

#include <gtest/gtest.h>
#include "LoopbackHttp.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using clitest::CliRun;

const std::string kMedia = std::string(LUMORA_TEST_DATA) + "/media/";
const std::string kPlaying = "正在播放：";
const std::string kStopped = "播放已停止";
const std::string kFailed = "播放失败,已准备就绪.";

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& out) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (std::string::size_type end; (end = out.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(out.substr(start, end - start));
    return lines;
}

int Count(const std::vector<std::string>& lines, const std::string& line) {
    int n = 0;
    for (const std::string& l : lines) n += l == line;
    return n;
}

// A server that answers flv with "video/x-flv" and counts the requests that
// reach it; each run gets a temporary directory of its own, since the Flash
// engine writes and deletes its movie file there.
class PlayVerbs : public ::testing::Test {
protected:
    void SetUp() override {
        flv_ = ReadFile(kMedia + "clip.flv");
        ASSERT_FALSE(flv_.empty());
        server_.Server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
            ++hits_;
            if (req.path == "/watch")
                res.set_content(flv_, "video/x-flv");
            else if (req.path == "/page")
                res.set_content("<html></html>", "text/html");
            else if (req.path == "/go")
                res.set_redirect(base_ + "/watch", 302);
            else
                res.status = 404;
        });
        ASSERT_TRUE(server_.Start());
        base_ = server_.Url();
        char pattern[] = "/tmp/lumora-playcli-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        temp_ = pattern;
    }
    void TearDown() override {
        server_.Stop();
        if (!temp_.empty()) std::filesystem::remove_all(temp_);
    }

    CliRun Run(const std::vector<std::string>& args, const std::string& environment = "") const {
        return clitest::RunCli(args, "TMPDIR=" + clitest::Quote(temp_) + " QT_QPA_PLATFORM=offscreen " + environment);
    }

    lumora::test::LoopbackHttp server_;
    std::atomic<int> hits_{0};
    std::string base_, flv_, temp_;
};

// The whole table runs in process (LoopbackProbeTest); these rows check the
// verb's output, its status and the live hosts read from the environment.
TEST_F(PlayVerbs, ClassifyChoosesAsPlayDoesAndProbesOnlyPlainWebAddresses) {
    struct Case {
        std::string address;
        std::string out;
        bool probes;  // whether a request reached the server
    };
    const std::string mp4 = kMedia + "clip.mp4", mp3 = kMedia + "tone.mp3";
    const std::vector<Case> cases = {
        {mp4, "flash\t" + mp4, false},
        {mp3, "player\t" + mp3, false},
        {base_ + "/watch", "flash\t" + base_ + "/watch", true},  // the announced type
        {base_ + "/go", "flash\t" + base_ + "/watch", true},     // the final address is handed on
        {"http://live.lumora.test/channel", "flash\thttp://live.lumora.test/channel", false},  // LUMORA_LIVE_HOSTS
        {"", "player\t", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        const int before = hits_;
        const CliRun run = Run({"classify", c.address}, "LUMORA_LIVE_HOSTS=live.lumora.test,b.test,c.test");
        EXPECT_EQ(run.out, c.out + "\n") << c.address;
        EXPECT_EQ(run.status, c.address.empty() ? 1 : 0) << c.address << "\n" << run.err;
        EXPECT_EQ(hits_ > before, c.probes) << c.address;
    }
}

// An existing file is classified whole, even when its name holds ";" and
// is given relative to the current directory.
TEST_F(PlayVerbs, ClassifyTakesAnExistingFileWhole) {
    const std::string name = "clip one;two.mp4";
    std::filesystem::copy_file(kMedia + "clip.mp4", temp_ + "/" + name);
    const CliRun run = clitest::RunCli({"classify", name}, "cd " + clitest::Quote(temp_) + " && QT_QPA_PLATFORM=offscreen");
    EXPECT_EQ(run.out, "flash\t" + temp_ + "/" + name + "\n");
    EXPECT_EQ(run.status, 0);
}

// Each plays in real time to its end: every item reaches "playing", the
// position is counted every second, the last line is "stopped".
TEST_F(PlayVerbs, PlayReachesPlayingAndStopsAtTheEnd) {
    struct Case {
        std::string address;
        int items;
    };
    const std::vector<Case> cases = {
        {kMedia + "clip.mp4", 1},
        {base_ + "/watch", 1},
        {kMedia + "clip.mp4;" + kMedia + "tone.mp3", 2},
    };
    const std::regex position("00:00:0[0-2]/00:00:02");
    for (const Case& c : cases) {
        const CliRun run = Run({"play", "--null", c.address});
        const std::vector<std::string> lines = Lines(run.out);
        EXPECT_EQ(run.status, 0) << c.address << "\n" << run.out;
        EXPECT_EQ(Count(lines, kPlaying), c.items) << c.address << "\n" << run.out;
        EXPECT_EQ(Count(lines, kFailed), 0) << c.address << "\n" << run.out;
        ASSERT_FALSE(lines.empty()) << c.address;
        EXPECT_EQ(lines.back(), kStopped) << c.address << "\n" << run.out;
        std::vector<std::string> states;
        for (const std::string& line : lines)
            if (!std::regex_match(line, position)) states.push_back(line);
        EXPECT_LT(states.size(), lines.size()) << c.address << ": no position line\n" << run.out;
        for (std::size_t i = 1; i < states.size(); ++i)
            EXPECT_NE(states[i], states[i - 1]) << c.address << ": a state is printed only when it changes\n"
                                                << run.out;
    }
}

TEST_F(PlayVerbs, WhatCannotPlayEndsFailedOrStoppedWithStatusOne) {
    struct Case {
        std::string address;
        std::string last;
    };
    const std::vector<Case> cases = {
        {kMedia + "corrupt.mp4", kFailed},
        {kMedia + "missing.mp4", kFailed},
        {kMedia + "missing.wmv", kFailed},
        {base_ + "/missing", kFailed},  // 404
        {"lavfi://sine", kFailed},      // mpv's own protocols open nothing
        {"", kStopped},
    };
    for (const Case& c : cases) {
        const CliRun run = Run({"play", "--null", c.address});
        const std::vector<std::string> lines = Lines(run.out);
        EXPECT_EQ(run.status, 1) << c.address << "\n" << run.out;
        EXPECT_NE(run.err.find("lumora-cli: " + c.address + " never reached playing; last state: "), std::string::npos)
            << run.err;
        EXPECT_EQ(Count(lines, kPlaying), 0) << c.address << "\n" << run.out;
        ASSERT_FALSE(lines.empty()) << c.address;
        EXPECT_EQ(lines.back(), c.last) << c.address << "\n" << run.out;
    }
}

// Three items last over six seconds; the limit ends the run within the
// playlist, so "stopped" never shows.
TEST_F(PlayVerbs, SecondsEndsTheRunBeforeTheEnd) {
    const std::string clip = kMedia + "clip.mp4";
    const CliRun run = Run({"play", "--null", "--seconds", "2", clip + ";" + clip + ";" + clip});
    const std::vector<std::string> lines = Lines(run.out);
    EXPECT_EQ(run.status, 0) << run.out;
    // It played: item 1 at least, and at most into item 2 within two seconds.
    EXPECT_GE(Count(lines, kPlaying), 1) << run.out;
    EXPECT_LE(Count(lines, kPlaying), 2) << run.out;
    EXPECT_EQ(Count(lines, kFailed), 0) << run.out;
    EXPECT_EQ(Count(lines, kStopped), 0) << run.out;
}

// --first-frame ends the run at the first decoded picture and says how long
// it took from the start of lumora-cli; a medium without a picture never
// gets there.
TEST_F(PlayVerbs, FirstFrameEndsAtTheFirstPicture) {
    struct Case {
        std::string address;
        bool framed;
    };
    const std::vector<Case> cases = {
        {kMedia + "clip.mp4", true},  {base_ + "/watch", true},  // probed, then the Flash engine
        {base_ + "/go", true},                                   // behind a redirect
        {kMedia + "tone.mp3", false}, {kMedia + "corrupt.mp4", false},
    };
    const std::regex frameLine("first frame after ([0-9]+\\.[0-9]) ms");
    const std::regex position("[0-9:]+/[0-9:]+");
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const CliRun run = Run({"play", "--null", "--first-frame", c.address});
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        int frames = 0, positions = 0;
        for (const std::string& line : Lines(run.out)) {
            std::smatch match;
            if (std::regex_match(line, match, frameLine)) {
                ++frames;
                const double ms = std::stod(match[1].str());
                EXPECT_GT(ms, 0) << c.address;
                EXPECT_LT(ms, wallMs) << c.address;
            }
            positions += std::regex_match(line, position);
        }
        EXPECT_EQ(frames, c.framed ? 1 : 0) << c.address << "\n" << run.out;
        EXPECT_EQ(run.status, c.framed ? 0 : 1) << c.address << "\n" << run.out;
        if (c.framed) {
            EXPECT_EQ(positions, 0) << c.address << ": it played on\n" << run.out;
        }
    }
}

// The helper program counts from the start lumora-cli passed on, when it is
// a plausible one; otherwise from its own start.
TEST_F(PlayVerbs, FirstFrameCountsFromThePassedOnStart) {
    const std::string cli = LUMORA_CLI;
    const std::string media = cli.substr(0, cli.rfind('/') + 1) + "lumora-cli-media";
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto ns = [&](std::chrono::steady_clock::duration offset) {
        return std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now + offset).count());
    };
    struct Case {
        std::string started;   // LUMORA_CLI_STARTED_NS; empty: unset
        double atLeastMs;      // the least figure that is right
        bool fromItsOwnStart;  // the figure is no longer than the run
    };
    const std::vector<Case> cases = {
        {ns(-std::chrono::seconds(5)), 5000, false}, {"", 0, true}, {"soon", 0, true},
        {ns(std::chrono::seconds(30)), 0, true},  // in the future
        {ns(-std::chrono::minutes(5)), 0, true},  // too long ago
    };
    const std::regex frameLine("first frame after ([0-9]+\\.[0-9]) ms");
    for (const Case& c : cases) {
        const std::string environment =
            "TMPDIR=" + clitest::Quote(temp_) + " QT_QPA_PLATFORM=offscreen " +
            (c.started.empty() ? "" : "LUMORA_CLI_STARTED_NS=" + clitest::Quote(c.started) + " ");
        std::string command = environment + clitest::Quote(media) + " play --null --first-frame " +
                              clitest::Quote(kMedia + "clip.mp4") + " 2>/dev/null";
        const auto start = std::chrono::steady_clock::now();
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string out;
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        pclose(pipe);
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::smatch match;
        ASSERT_TRUE(std::regex_search(out, match, frameLine)) << c.started << "\n" << out;
        const double ms = std::stod(match[1].str());
        EXPECT_GE(ms, c.atLeastMs) << c.started;
        if (c.fromItsOwnStart) {
            EXPECT_LT(ms, wallMs) << c.started;
        }
    }
}

TEST_F(PlayVerbs, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"classify"},
        {"classify", "a", "b"},
        {"play"},
        {"play", "--null"},
        {"play", "--null", "a", "b"},
        {"play", "--null", "--seconds", "0", "a"},
        {"play", "--null", "--seconds", "x", "a"},
        {"play", "--null", "a", "--seconds"},
        {"play", "--null", "--loud", "a"},
        {"play", "a"},  // no display: only --null plays
    };
    for (const auto& args : cases) {
        const CliRun run = Run(args);
        EXPECT_EQ(run.status, 2) << args.size() << " " << args.back();
        EXPECT_EQ(run.out, "") << args.back();
    }
}

}  // namespace
