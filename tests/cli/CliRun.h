// Runs the real lumora-cli binary and collects its standard output and exit status.
#pragma once

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace clitest {

struct CliRun {
    std::string out;
    int status = -1;
};

inline std::string Quote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// `environment` is prefixed to the command as NAME=value words.
inline CliRun RunCli(const std::vector<std::string>& args, const std::string& environment = "") {
    std::string command = environment + " " + LUMORA_CLI;
    for (const std::string& a : args) command += " " + Quote(a);
    command += " 2>/dev/null";
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

}  // namespace clitest
