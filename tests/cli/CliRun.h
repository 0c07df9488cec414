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
    const std::string errPath = ::testing::TempDir() + "lumora-cli-" + std::to_string(getpid()) + "-" + std::to_string(serial++) + ".err";
    std::string command = environment + " " + LUMORA_CLI;
    for (const std::string& a : args) command += " " + Quote(a);
    command += " 2>" + Quote(errPath);
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

// Exit status 1 comes with exactly one line on stderr that names the program.
inline bool HasOneLineReason(const CliRun& run) {
    return run.err.rfind("lumora-cli: ", 0) == 0 && run.err.size() > 13 && run.err.find('\n') == run.err.size() - 1;
}

}  // namespace clitest
