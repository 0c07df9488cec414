// SPDX-License-Identifier: GPL-3.0-or-later
// `lumora-cli list` over one large list page, end to end (process start,
// request, extraction while the page arrives, printing), beside the pipeline
// that does the bare job: `curl -s URL | grep -oP PATTERN`. Both run as
// `sh -c` commands with their output thrown away, taking turns, so both see
// the same machine; first each runs once with its output kept, to check that
// they find the same number of entries.
//
//   catalogue_bench LUMORA_CLI URL [RUNS]
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace {

const char kListPattern[] = R"re(</div><a href="/vod/index\.php\?id=(\d+)" target="_blank" title="(.*?) " alt=)re";

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs `command` under /bin/sh; its wall time in milliseconds, or a negative
// value when it could not run or exited with a status above `okStatus`.
double RunMs(const std::string& command, int okStatus = 0) {
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) > okStatus) return -1;
    return ms;
}

long CountLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
}

struct Row {
    std::string name;
    std::string command;
    std::vector<double> ms;
    double Median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
    double Best() const { return *std::min_element(ms.begin(), ms.end()); }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s LUMORA_CLI URL [RUNS]\n", argv[0]);
        return 2;
    }
    const std::string cli = argv[1];
    const std::string url = argv[2];
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 21;

    Row lumora{"lumora-cli list", Quote(cli) + " list 1 --address " + Quote(url), {}};
    Row pipeline{"curl -s | grep -oP", "curl -s " + Quote(url) + " | grep -oP " + Quote(kListPattern), {}};

    // One checked run each: the same entries found.
    char dir[] = "/tmp/catalogue-bench-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::string lumoraOut = std::string(dir) + "/lumora.txt";
    const std::string pipelineOut = std::string(dir) + "/pipeline.txt";
    const bool ran =
        RunMs(lumora.command + " > " + lumoraOut) >= 0 && RunMs(pipeline.command + " > " + pipelineOut) >= 0;
    const long lumoraRows = CountLines(lumoraOut) - 1;  // the status line follows the rows
    const long pipelineRows = CountLines(pipelineOut);
    std::remove(lumoraOut.c_str());
    std::remove(pipelineOut.c_str());
    rmdir(dir);
    if (!ran || lumoraRows <= 0 || lumoraRows != pipelineRows) {
        std::fprintf(stderr, "the two found different entries: lumora-cli %ld, curl | grep %ld\n", lumoraRows,
                     pipelineRows);
        return 1;
    }

    for (int i = 0; i < runs; ++i) {
        for (Row* row : {&lumora, &pipeline}) {
            const double ms = RunMs(row->command + " > /dev/null");
            if (ms < 0) {
                std::fprintf(stderr, "%s failed\n", row->name.c_str());
                return 1;
            }
            row->ms.push_back(ms);
        }
    }

    std::printf("list page %s: %ld entries, %d runs each\n\n", url.c_str(), lumoraRows, runs);
    std::printf("%-22s %12s %12s %10s\n", "", "median ms", "best ms", "ratio");
    for (const Row* row : {&lumora, &pipeline})
        std::printf("%-22s %12.1f %12.1f %9.2fx\n", row->name.c_str(), row->Median(), row->Best(),
                    row->Median() / pipeline.Median());
    const double ratio = lumora.Median() / pipeline.Median();
    std::printf("\ngoal: lumora-cli at most 1.20x the pipeline's median: %.2fx, %s\n", ratio,
                ratio <= 1.2 ? "met" : "NOT met");
    return 0;
}
