// SPDX-License-Identifier: GPL-3.0-or-later
// The peers' side of the search benchmarks: a shell command timed whole.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace lumora::bench {

// `text` as one single-quoted shell word.
inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Milliseconds `sh -c command` took; -1 when it could not start or, with
// `mustSucceed`, ended with a failure (grep finding nothing is no failure).
inline double RunMs(const std::string& command, bool mustSucceed) {
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    if (mustSucceed && (!WIFEXITED(status) || WEXITSTATUS(status) != 0)) return -1;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace lumora::bench
