// SPDX-License-Identifier: GPL-3.0-or-later
// The lumora-site program itself: its start line, request log, loopback-only
// listening, clean ends on SIGTERM and SIGINT, and clients that are slow to
// send their requests.
#include "site/SiteServer.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace lumora::site::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// lumora-site run with its standard output and error on pipes.
class SiteProcess {
public:
    explicit SiteProcess(std::vector<std::string> args) {
        int out[2], err[2];
        EXPECT_EQ(pipe(out), 0);
        EXPECT_EQ(pipe(err), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        args.insert(args.begin(), LUMORA_SITE_BINARY);
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, LUMORA_SITE_BINARY, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }

    ~SiteProcess() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
        close(err_);
    }

    // The next line of standard output, waiting at most `limit`.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit = 5s) {
        const auto deadline = Clock::now() + limit;
        while (true) {
            const std::size_t newline = outBuffer_.find('\n');
            if (newline != std::string::npos) {
                std::string line = outBuffer_.substr(0, newline);
                outBuffer_.erase(0, newline + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left <= 0ms || !ReadSome(out_, outBuffer_, static_cast<int>(left.count()))) return std::nullopt;
        }
    }

    // Waits at most `limit` for the process to end; its exit status, or no
    // value when it is still running or ended by a signal.
    std::optional<int> WaitExit(std::chrono::milliseconds limit) {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                if (!WIFEXITED(status)) return std::nullopt;
                return WEXITSTATUS(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }

    std::string ErrorText() {
        while (ReadSome(err_, errBuffer_, 100)) {}
        return errBuffer_;
    }

    void Signal(int signal) { kill(pid_, signal); }

private:
    static bool ReadSome(int fd, std::string& buffer, int timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) return false;
        char chunk[4096];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) return false;
        buffer.append(chunk, static_cast<std::size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    bool exited_ = false;
    int out_ = -1, err_ = -1;
    std::string outBuffer_, errBuffer_;
};

// The port of the start line "lumora-site listening on http://127.0.0.1:PORT";
// 0 when the line has another form.
int PortOf(const std::string& startLine) {
    const std::string prefix = "lumora-site listening on http://127.0.0.1:";
    const std::string digits = startLine.substr(std::min(prefix.size(), startLine.size()));
    if (startLine.rfind(prefix, 0) != 0 || digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return 0;
    return std::stoi(digits);
}

TEST(ProgramTest, ServesLogsEachRequestAndEndsCleanlyOnSigtermAndSigint) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        SiteProcess site({"--port", "0"});
        const std::optional<std::string> start = site.ReadLine();
        ASSERT_TRUE(start);
        const int port = PortOf(*start);
        ASSERT_GT(port, 0) << *start;

        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(5);
        const httplib::Result home = client.Get("/vodlist/index.php?id=27");
        ASSERT_TRUE(home);
        EXPECT_EQ(home->status, 200);
        EXPECT_EQ(site.ReadLine(), "GET /vodlist/index.php?id=27 200");
        ASSERT_TRUE(client.Get("/nothing/here"));
        EXPECT_EQ(site.ReadLine(), "GET /nothing/here 404");

        // A stalled answer in progress must not hold up the end.
        std::thread stalled([port] {
            httplib::Client slow("127.0.0.1", port);
            slow.set_read_timeout(20);
            slow.Get("/hostile/stall?seconds=20");
        });
        std::this_thread::sleep_for(200ms);
        const auto sent = Clock::now();
        site.Signal(signal);
        EXPECT_EQ(site.WaitExit(5s), 0);
        EXPECT_LT(Clock::now() - sent, 5s);
        stalled.join();
    }
}

// A socket connected to 127.0.0.1:port; -1 when that failed.
int ConnectTo(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    if (fd >= 0) close(fd);
    return -1;
}

bool SendText(int fd, const std::string& text) {
    return send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

// A client that sends a request line and then one header line every
// `pace`, never ending its request, until the server drops it, `stop` is
// set or 30 s pass. How long the server kept it on, counted from the request line.
class TricklingClient {
public:
    TricklingClient(int port, std::chrono::milliseconds pace) {
        thread_ = std::thread([this, port, pace] {
            const int fd = ConnectTo(port);
            const auto started = Clock::now();
            bool open = fd >= 0 && SendText(fd, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n");
            for (int line = 0; open && !stop_ && Clock::now() - started < 30s; ++line) {
                // A dropped connection shows as readable (end of stream) or a failed send.
                pollfd p{fd, POLLIN, 0};
                if (poll(&p, 1, static_cast<int>(pace.count())) != 0) break;
                open = SendText(fd, "X-Line-" + std::to_string(line) + ": slow\r\n");
            }
            kept_ = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
            if (fd >= 0) close(fd);
        });
    }
    ~TricklingClient() {
        stop_ = true;
        thread_.join();
    }
    std::chrono::milliseconds Join() {
        thread_.join();
        thread_ = std::thread([] {});
        return kept_;
    }

private:
    std::atomic<bool> stop_{false};
    std::chrono::milliseconds kept_{0};
    std::thread thread_;
};

// Clients that open connections and never finish a request must not keep
// others waiting, nor hold up the end of the program.
TEST(ProgramTest, HalfSentRequestsNeitherStarveOthersNorHoldUpTheEnd) {
    SiteProcess site({"--port", "0", "--quiet"});
    const std::optional<std::string> start = site.ReadLine();
    ASSERT_TRUE(start);
    const int port = PortOf(*start);
    ASSERT_GT(port, 0) << *start;

    std::vector<int> halfSent;
    for (int i = 0; i < 200; ++i) {
        const int fd = ConnectTo(port);
        ASSERT_GE(fd, 0);
        halfSent.push_back(fd);
        EXPECT_TRUE(SendText(fd, "GET /vodlist/index.php?id=27 HTTP/1.1\r\nHost: 127.0.0.1\r\n"));
    }
    TricklingClient trickling(port, 1s);
    for (int i = 0; i < 5; ++i) {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(10);
        const auto asked = Clock::now();
        const httplib::Result page = client.Get("/vodlist/index.php?id=27");
        ASSERT_TRUE(page);
        EXPECT_EQ(page->status, 200);
        EXPECT_LT(Clock::now() - asked, 2s) << "request " << i;
    }

    std::this_thread::sleep_for(1500ms);
    const auto sent = Clock::now();
    site.Signal(SIGTERM);
    EXPECT_EQ(site.WaitExit(5s), 0);
    EXPECT_LT(Clock::now() - sent, 2s);
    for (const int fd : halfSent) close(fd);
}

// However steadily a client trickles its header lines, it has the head
// limit for the whole of them; a prompt client on the same server is served.
TEST(ProgramTest, ARequestHeadHasADeadline) {
    std::string error;
    std::optional<SiteData> data = LoadSiteData(BundledDataDir(), &error);
    ASSERT_TRUE(data) << error;
    SiteOptions options;
    options.port = 0;
    options.requestHeadLimit = 1s;
    SiteServer server(std::move(*data), options);
    ASSERT_TRUE(server.Start(&error)) << error;

    TricklingClient trickling(server.Port(), 200ms);
    httplib::Client client("127.0.0.1", server.Port());
    client.set_read_timeout(5);
    const httplib::Result page = client.Get("/vodlist/index.php?id=27");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    const std::chrono::milliseconds kept = trickling.Join();
    EXPECT_GE(kept, 900ms);
    EXPECT_LT(kept, 3s);
}

TEST(ProgramTest, RefusesAddressesBeyondLoopbackUnlessAllowed) {
    for (const std::string address : {"0.0.0.0", "::", "192.0.2.1", "example.test"}) {
        SCOPED_TRACE(address);
        SiteProcess site({"--listen", address, "--port", "0"});
        EXPECT_EQ(site.WaitExit(5s), 2);
        const std::string error = site.ErrorText();
        EXPECT_NE(error.find("--allow-remote"), std::string::npos) << error;
        EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
    }
}

TEST(ProgramTest, BadCommandLinesAndMissingDataEndWithAReason) {
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const std::vector<Case> cases = {
        {{"--port", "65536"}, 2},
        {{"--port", "-1"}, 2},
        {{"--port"}, 2},
        {{"--frobnicate"}, 2},
        {{"--port", "0", "--data", "/nonexistent/lumora-site-data"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        SiteProcess site(c.args);
        EXPECT_EQ(site.WaitExit(5s), c.status);
        EXPECT_FALSE(site.ErrorText().empty());
    }
}

TEST(ProgramTest, APortInUseIsRefused) {
    std::string error;
    std::optional<SiteData> data = LoadSiteData(BundledDataDir(), &error);
    ASSERT_TRUE(data) << error;
    SiteOptions options;
    options.port = 0;
    SiteServer first(std::move(*data), options);
    ASSERT_TRUE(first.Start(&error)) << error;

    SiteProcess second({"--port", std::to_string(first.Port())});
    EXPECT_EQ(second.WaitExit(5s), 1);
    EXPECT_NE(second.ErrorText().find("cannot listen"), std::string::npos) << second.ErrorText();
}

TEST(ProgramTest, LoopbackAddresses) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"127.0.0.1", true},
        {"127.255.1.2", true},
        {"localhost", true},
        {"LocalHost", true},
        {"::1", true},
        {"[::1]", true},
        {"::ffff:127.0.0.1", true},
        {"0.0.0.0", false},
        {"::", false},
        {"128.0.0.1", false},
        {"10.0.0.1", false},
        {"127.1", false},
        {"localhost.evil.test", false},
        {"", false},
        {"::ffff:10.0.0.1", false},
    };
    for (const auto& [address, loopback] : cases) EXPECT_EQ(IsLoopbackAddress(address), loopback) << address;
}

}  // namespace
}  // namespace lumora::site::test
