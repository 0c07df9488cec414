// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real lumora-cli binary and collects its standard output, standard
// error and exit status.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace clitest {

struct CliRun {
    std::string out;
    std::string err;
    int status = -1;
};

inline std::string Quote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// `environment` is prefixed to the command as NAME=value words.
inline CliRun RunCli(const std::vector<std::string>& args, const std::string& environment = "") {
    static std::atomic<int> serial{0};
    const std::string errPath =
        ::testing::TempDir() + "lumora-cli-" + std::to_string(getpid()) + "-" + std::to_string(serial++) + ".err";
    std::string command = environment + " " + LUMORA_CLI;
    for (const std::string& a : args) {
        command += ' ';
        command += Quote(a);
    }
    command += " 2>";
    command += Quote(errPath);
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream err(errPath, std::ios::binary);
    run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    std::remove(errPath.c_str());
    return run;
}

// Exit status 1 comes with one line on stderr that names the program and says
// why; it ends stderr. Log lines of the layers (lumora.web: ...) may precede it.
inline bool HasOneLineReason(const CliRun& run) {
    if (run.err.empty() || run.err.back() != '\n') return false;
    const std::size_t last = run.err.rfind('\n', run.err.size() - 2);
    const std::string line = run.err.substr(last == std::string::npos ? 0 : last + 1);
    return line.rfind("lumora-cli: ", 0) == 0 && line.size() > 13 &&
           run.err.find("lumora-cli: ") == run.err.size() - line.size();
}

}  // namespace clitest
