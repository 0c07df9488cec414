// SPDX-License-Identifier: GPL-3.0-or-later
// Times a program from its spawn to a line of its output, from outside, the
// same way for a program and its peer. Used by the benchmarks that wait for
// something to happen on screen or in a player (bench/first-frame, bench/startup).
#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

struct LineTime {
    double ms = -1;      // from the spawn to the arrival of the line
    double exitMs = -1;  // from the spawn to the end of the program
    std::string line;    // the line that held the marker
    double cpuMs = 0;    // user + system of the whole process
    long maxRssKiB = 0;
};

inline double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Runs `argv` with its standard output and error read together, until the
// first line holding `marker` arrives, then (with `stopThere`) ends it with
// SIGTERM, or else lets it run to its end. Gives up after `limit`. Empty
// when the program could not start or the line never came.
inline std::optional<LineTime> TimeToLine(const std::vector<std::string>& argv, const std::string& marker,
                                          bool stopThere, std::chrono::seconds limit = std::chrono::seconds(120)) {
    using Clock = std::chrono::steady_clock;
    int fds[2];
    if (pipe(fds) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (failed != 0) {
        close(fds[0]);
        return std::nullopt;
    }

    LineTime result;
    std::string pending;
    char buffer[4096];
    bool stopped = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(start + limit - Clock::now()).count();
        pollfd entry{fds[0], POLLIN, 0};
        if (left <= 0 || poll(&entry, 1, static_cast<int>(left)) == 0) {
            kill(pid, SIGKILL);  // it never got there
            break;
        }
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        const Clock::time_point now = Clock::now();
        pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            std::string line = pending.substr(0, end);
            if (result.ms >= 0 || line.find(marker) == std::string::npos) continue;
            result.ms = Milliseconds(now - start);
            result.line = std::move(line);
            if (stopThere && !stopped) {
                kill(pid, SIGTERM);
                stopped = true;
            }
        }
    }
    close(fds[0]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || result.ms < 0) return std::nullopt;
    result.exitMs = Milliseconds(Clock::now() - start);
    result.cpuMs =
        (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    result.maxRssKiB = usage.ru_maxrss;
    return result;
}

inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace bench
