// SPDX-License-Identifier: GPL-3.0-or-later
// The download verb: a web resource into a file, continuing what an earlier
// run left; progress with speed and time left, then the outcome.
#include "cli/Verbs.h"
#include "download/DownloadToFile.h"
#include "download/TransferMeter.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <stop_token>
#include <system_error>
#include <thread>

namespace lumora::cli {

namespace {

using Clock = std::chrono::steady_clock;

// On a terminal, one line rewritten in place about ten times a second;
// elsewhere (a pipe, a log file) a plain line at most once a second.
class ProgressOutput {
public:
    explicit ProgressOutput(bool terminal)
        : terminal_(terminal),
          interval_(terminal ? std::chrono::milliseconds(100) : std::chrono::milliseconds(1000)),
          last_(Clock::now()) {}

    void Update(std::int64_t total, std::int64_t received) {
        const auto now = Clock::now();
        meter_.Add(received, now);
        total_ = total;
        received_ = received;
        if (now - last_ < interval_) {
            pending_ = true;
            return;
        }
        last_ = now;
        Show();
    }

    // The last state, so the output ends with it: on a terminal the line
    // is ended; in a pipe a line follows when the last was not shown yet.
    void End() {
        if (pending_) Show();
        if (terminal_ && shown_ > 0) std::fputc('\n', stdout);
    }

private:
    void Show() {
        pending_ = false;
        const std::string text = TerminalProgressText(total_, received_, meter_.BytesPerSecond()).ToUtf8();
        if (!terminal_) {
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
            return;
        }
        // Blanks clear what a longer earlier text left behind.
        std::string line = "\r" + text;
        const std::size_t length = line.size();
        if (length < shown_) line.append(shown_ - length, ' ');
        shown_ = length;
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }

    bool terminal_;
    Clock::duration interval_;
    Clock::time_point last_;
    TransferMeter meter_;
    std::int64_t total_ = 0;
    std::int64_t received_ = 0;
    bool pending_ = false;
    std::size_t shown_ = 0;
};

// Ctrl-C (SIGINT) and SIGTERM stop the download as a cut connection would,
// so the .part and its record stay and the run says so. The handler only
// notes the signal; a watcher passes it on to the download's stop token.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void NoteStopSignal(int signal) { stopSignal = signal; }

class StopOnSignal {
public:
    StopOnSignal() {
        struct sigaction action {};
        action.sa_handler = NoteStopSignal;
        sigemptyset(&action.sa_mask);
        for (int signal : {SIGINT, SIGTERM}) sigaction(signal, &action, &previous_[signal == SIGINT ? 0 : 1]);
        watcher_ = std::jthread([this](std::stop_token done) {
            while (!done.stop_requested()) {
                if (stopSignal != 0) {
                    source_.request_stop();
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
    }
    ~StopOnSignal() {
        watcher_.request_stop();
        watcher_.join();
        sigaction(SIGINT, &previous_[0], nullptr);
        sigaction(SIGTERM, &previous_[1], nullptr);
    }
    std::stop_token Token() const { return source_.get_token(); }
    // The signal that stopped the download; 0 when none came.
    int Signal() const { return stopSignal; }

private:
    std::stop_source source_;
    struct sigaction previous_[2] {};
    std::jthread watcher_;
};

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

}  // namespace

int Download(const Args& args) {
    // The options come after URL and FILE (cli/Usage sorts them so).
    if (args.size() < 2) return UsageError("usage: lumora-cli download URL FILE [--no-continue]");
    const Args operands(args.begin(), args.begin() + 2);
    PartialFile partial = PartialFile::Resume;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (args[i] != Text("--no-continue")) return UsageError("usage: lumora-cli download URL FILE [--no-continue]");
        partial = PartialFile::StartOver;
    }
    // A file-size limit then shows as a failed write, reported like a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    ProgressOutput progress(isatty(STDOUT_FILENO) == 1);
    StopOnSignal interrupt;
    DownloadLimits limits;
    limits.stop = interrupt.Token();
    const DownloadResult result = DownloadFile(
        operands[0], operands[1],
        [&progress](std::int64_t total, std::int64_t received, std::int64_t) { progress.Update(total, received); },
        partial, limits);
    progress.End();
    const std::string file = AbsolutePath(operands[1].ToUtf8());
    if (result.ok) {
        PrintLine(Text("下载成功"));
        PrintRecord({Text::FromUtf8("saved: " + file)});
        return 0;
    }
    PrintLine(Text("下载失败"));
    const int signal = interrupt.Signal();
    std::string reason = signal != 0 ? "the download of " + operands[0].ToUtf8() + " was interrupted (" +
                                           (signal == SIGINT ? "Ctrl-C" : "SIGTERM") + ")"
                                     : "the download of " + operands[0].ToUtf8() + " failed: " + result.failure.reason;
    if (result.partKept)
        reason += "; " + file + std::string(kPartSuffix) + " is kept and the same command continues it";
    const int status = Failure(reason);
    // The shell's convention for a program ended by a signal.
    return signal != 0 ? 128 + signal : status;
}

}  // namespace lumora::cli
