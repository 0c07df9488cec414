// SPDX-License-Identifier: GPL-3.0-or-later
// The whole `lumora-cli regex` process over a catalogue page beside
// `pcre2grep -o1 -o2` on the same raw bytes: each started directly (no
// shell), output to a file, taking turns run by run. Prints the median and
// best wall time and the median CPU time (user + system) of each, and the
// ratio of the medians to pcre2grep's. On a busy machine the CPU times are
// the steadier figure.
//
//   regex_process_bench LUMORA_CLI PAGE [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

const char kListPattern[] = R"re(</div><a href="/vod/index\.php\?id=(\d+)" target="_blank" title="(.*?) " alt=)re";

struct Sample {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    bool ok = false;
};

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

// Runs argv (looked up on PATH) with standard output into `outPath`.
Sample Run(const std::vector<std::string>& args, const std::string& outPath) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    Sample sample;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid) {
            sample.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            sample.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
            sample.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
    }
    posix_spawn_file_actions_destroy(&files);
    return sample;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct Row {
    std::string name;
    std::vector<std::string> args;
    std::vector<double> wall, cpu;
};

long CountLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s LUMORA_CLI PAGE [RUNS]\n", argv[0]);
        return 2;
    }
    const std::string cli = argv[1], page = argv[2];
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 31;
    const std::string out = page + ".process-out";
    Row rows[] = {
        {"lumora-cli regex PATTERN PAGE", {cli, "regex", kListPattern, page}, {}, {}},
        {"pcre2grep -o1 -o2 PATTERN PAGE", {"pcre2grep", "-o1", "-o2", kListPattern, page}, {}, {}},
    };
    long lines[2] = {0, 0};
    // Two rounds to warm the page cache and the binaries, then turn by turn.
    for (int run = -2; run < runs; ++run) {
        for (int r = 0; r < 2; ++r) {
            const Sample s = Run(rows[r].args, out);
            if (!s.ok) {
                std::fprintf(stderr, "%s failed\n", rows[r].name.c_str());
                return 1;
            }
            if (run < 0) {
                lines[r] = CountLines(out);
                continue;
            }
            rows[r].wall.push_back(s.wallSeconds);
            rows[r].cpu.push_back(s.cpuSeconds);
        }
    }
    std::remove(out.c_str());

    std::printf("\nwhole processes, %d runs each, taking turns\n", runs);
    std::printf("output lines: lumora-cli %ld (the count line, then one per match), pcre2grep %ld\n\n", lines[0],
                lines[1]);
    std::printf("%-34s %12s %10s %12s %16s %16s\n", "", "median wall", "best wall", "median CPU", "wall/pcre2grep",
                "CPU/pcre2grep");
    const double wallBase = Median(rows[1].wall), cpuBase = Median(rows[1].cpu);
    for (const Row& row : rows)
        std::printf("%-34s %10.1fms %8.1fms %10.1fms %16.2f %16.2f\n", row.name.c_str(), Median(row.wall) * 1e3,
                    *std::min_element(row.wall.begin(), row.wall.end()) * 1e3, Median(row.cpu) * 1e3,
                    Median(row.wall) / wallBase, Median(row.cpu) / cpuBase);
    return lines[0] == lines[1] + 1 ? 0 : 1;
}
