// SPDX-License-Identifier: GPL-3.0-or-later
// One large download on loopback, beside `curl -o` of the same file.
//
// A server thread in this process sends a sparse file of SIZE MiB with
// sendfile(2), so serving costs next to nothing and both clients meet the
// same server. Taking turns, ROUNDS times each:
//  - `curl -s -o FILE URL`, a process as a person would run it;
//  - `lumora-cli download URL FILE`, the same as a lumora process;
//  - DownloadToFile in this process, with the progress text of every block
//    computed and paced as the window and lumora-cli do.
// Then once through the window: StartDownload in a real main window on the
// offscreen platform, while a 10 ms timer on the same event loop measures how
// late it fires. Prints the throughputs, lumora's over curl's, the peak
// memory of each (VmHWM) and the timer's lateness.
//
//   download_bench WORK_DIR LUMORA_CLI [SIZE_MIB] [ROUNDS]
#include "app/AppState.h"
#include "app/Downloads.h"
#include "app/MainWindow.h"
#include "app/QtText.h"
#include "base/Config.h"
#include "download/DownloadProgress.h"
#include "download/DownloadToFileCompat.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Serves one file to every GET, one connection at a time, with sendfile.
class FileServer {
public:
    FileServer(std::string path, off_t size) : path_(std::move(path)), size_(size) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(listener_, 8) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("no listening socket on 127.0.0.1");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~FileServer() {
        stop_ = true;
        thread_.join();
        close(listener_);
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/large.mp4"; }

private:
    void Run() {
        while (!stop_) {
            pollfd fd{listener_, POLLIN, 0};
            if (poll(&fd, 1, 100) <= 0) continue;
            const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            Serve(client);
            close(client);
        }
    }

    void Serve(int client) {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            pollfd fd{client, POLLIN, 0};
            if (poll(&fd, 1, 5000) <= 0) return;
            const ssize_t n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        const std::string head =
            "HTTP/1.1 200 OK\r\nContent-Type: video/mp4\r\nContent-Length: " + std::to_string(size_) +
            "\r\nConnection: close\r\n\r\n";
        if (send(client, head.data(), head.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(head.size())) return;
        const int file = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (file < 0) return;
        off_t offset = 0;
        while (offset < size_ && !stop_) {
            if (sendfile(client, file, &offset, static_cast<std::size_t>(size_ - offset)) <= 0) break;
        }
        close(file);
    }

    std::string path_;
    off_t size_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

off_t FileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

// Kilobytes of a process's peak resident set (VmHWM); -1 when unknown.
long PeakKiB(const std::string& process = "self") {
    std::ifstream status("/proc/" + process + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

struct Run {
    double seconds = -1;
    long peakKiB = -1;
};

// Runs a program with its standard output thrown away: wall time, and its
// peak resident set read from /proc while it runs (a spawned child's rusage
// would count this process's memory as well).
Run Process(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return {};
    Run run;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0) return {};
        run.peakKiB = std::max(run.peakKiB, PeakKiB(std::to_string(pid)));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return run;
}

Run Lumora(const std::string& url, const std::string& file) {
    std::string lastText;
    lumora::CoalescedText shown([&lastText](const lumora::Text& text) { lastText = text.Bytes(); });
    const auto start = Clock::now();
    const int result = lumora::DownloadToFile(lumora::Text::FromUtf8(url), lumora::Text::FromUtf8(file),
                                              [&shown](std::int64_t total, std::int64_t received, std::int64_t) {
                                                  shown.Offer(lumora::DownloadProgressText(total, received));
                                              });
    shown.Flush();
    if (result != 0) return {};
    return {std::chrono::duration<double>(Clock::now() - start).count(), PeakKiB()};
}

struct WindowRun {
    double seconds = -1;
    double worstLateMs = 0;
    double p99LateMs = 0;
    int ticks = 0;
    int titles = 0;
};

// StartDownload in a real main window while a 10 ms timer measures how late
// the event loop lets it fire.
WindowRun Window(const std::string& url, const std::string& directory) {
    lumora::Config config = lumora::Config::Defaults();
    config.downloadDir = lumora::Text::FromUtf8(directory);
    lumora::ScopedConfigOverride use(config);
    lumora::AppState state;
    lumora::MainWindow window(state);
    window.show();
    state.currentAddress = lumora::Text::FromUtf8(url);
    state.currentTitle = lumora::Text("窗口");

    WindowRun run;
    QEventLoop loop;
    bool succeeded = false;
    const QString success = lumora::ToQString(lumora::Text("下载成功"));
    const QString failure = lumora::ToQString(lumora::Text("下载失败"));
    QObject::connect(&window, &QWidget::windowTitleChanged, [&](const QString& title) {
        ++run.titles;
        if (title == success || title == failure) {
            succeeded = title == success;
            loop.quit();
        }
    });
    std::vector<double> late;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        late.push_back(std::max(0.0, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6 - 10.0));
        sinceTick.restart();
    });
    QTimer::singleShot(600'000, &loop, &QEventLoop::quit);

    // Settle the window first, so its first paint is not counted.
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
    const auto start = Clock::now();
    sinceTick.start();
    tick.start();
    lumora::StartDownload(state, window);
    loop.exec();
    tick.stop();
    if (!succeeded) return run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::sort(late.begin(), late.end());
    run.ticks = static_cast<int>(late.size());
    if (!late.empty()) {
        run.worstLateMs = late.back();
        run.p99LateMs = late[late.size() * 99 / 100];
    }
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::signal(SIGPIPE, SIG_IGN);  // a client that hangs up must not end the server
    if (argc < 3) {
        std::fprintf(stderr, "usage: download_bench WORK_DIR LUMORA_CLI [SIZE_MIB] [ROUNDS]\n");
        return 2;
    }
    const std::string work = argv[1];
    const std::string cli = argv[2];
    const long sizeMiB = argc > 3 ? std::max(1L, std::atol(argv[3])) : 1024;
    const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;
    const off_t size = static_cast<off_t>(sizeMiB) * 1024 * 1024;
    const long baseKiB = PeakKiB();

    // A sparse file: reading it costs no disk.
    const std::string source = work + "/source.bin";
    const int fd = open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ftruncate(fd, size) != 0) {
        std::fprintf(stderr, "cannot make %s\n", source.c_str());
        return 1;
    }
    close(fd);
    FileServer server(source, size);
    const std::string target = work + "/download.MP4";

    struct Row {
        Row(const char* rowName, std::function<Run()> rowRun) : name(rowName), run(std::move(rowRun)) {}
        const char* name;
        std::function<Run()> run;
        std::vector<double> seconds;
        long peakKiB = -1;
        double Rate(double mib) const {
            std::vector<double> sorted = seconds;
            std::sort(sorted.begin(), sorted.end());
            return mib / sorted[sorted.size() / 2];
        }
    };
    std::vector<Row> rows = {
        {"curl -s -o FILE",
         [&] {
             return Process({"curl", "-s", "-o", target, server.Url()});
         }},
        {"lumora-cli download",
         [&] {
             return Process({cli, "download", server.Url(), target});
         }},
        {"DownloadToFile in this process", [&] { return Lumora(server.Url(), target); }},
    };
    for (int round = 0; round < rounds; ++round) {
        for (Row& row : rows) {
            const Run run = row.run();
            if (run.seconds < 0 || FileSize(target) != size) {
                std::fprintf(stderr, "%s failed%s\n", row.name,
                             row.name[0] == 'c' ? " (Debian: apt-get install curl)" : "");
                return 1;
            }
            unlink(target.c_str());
            row.seconds.push_back(run.seconds);
            row.peakKiB = std::max(row.peakKiB, run.peakKiB);
        }
    }

    const WindowRun window = Window(server.Url(), work);
    const std::string windowFile = work + "/窗口.MP4";
    if (window.seconds < 0 || FileSize(windowFile) != size) {
        std::fprintf(stderr, "the download through the window failed\n");
        return 1;
    }
    unlink(windowFile.c_str());
    const long windowPeak = PeakKiB();

    const double mib = static_cast<double>(sizeMiB);
    const double curlRate = rows[0].Rate(mib);
    std::printf("%ld MiB from 127.0.0.1 (sendfile server in this process), median of %d rounds taking turns\n\n",
                sizeMiB, rounds);
    std::printf("%-36s %8s %12s %14s\n", "", "MiB/s", "lumora/curl", "peak RSS MiB");
    for (const Row& row : rows)
        std::printf("%-36s %8.0f %12.2f %14.1f\n", row.name, row.Rate(mib), row.Rate(mib) / curlRate,
                    row.peakKiB / 1024.0);
    std::printf("%-36s %8.0f %12.2f %14.1f\n", "StartDownload in the window (once)", mib / window.seconds,
                mib / window.seconds / curlRate, windowPeak / 1024.0);
    std::printf(
        "\nthe window's event loop during its download: %d ticks of a 10 ms timer, late by at most %.1f ms "
        "(99th percentile %.1f ms); %d title writes\n",
        window.ticks, window.worstLateMs, window.p99LateMs, window.titles);
    std::printf(
        "peak RSS of the in-process rows is this whole process (Qt, the window, the server thread; %.1f MiB "
        "before any download)\n",
        baseKiB / 1024.0);
    std::printf("goals: lumora/curl >= 0.9, peak RSS < 100 MiB, lateness <= 50 ms\n");
    return 0;
}
