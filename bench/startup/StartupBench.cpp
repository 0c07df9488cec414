// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up to the first list on screen, timed from outside: from the spawn of
// each program to the line that reports its list, the programs taking turns.
//
//   startup_bench RUNS LUMORA PEER URL [PEER_LINKED PEER_PLAYER]
// LUMORA runs as `LUMORA --report-state` until "title: 第1批共14批搜索到："
// (the environment points it at the site); the peers as `PEER URL` until
// their "title: " line. Each is ended there. With STARTUP_BENCH_BASELINE
// naming another lumora binary (say one built without a feature), that one
// runs beside lumora (each first in every other run), timed the same way,
// and the ratio of the two is shown.
#include "LineTimer.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Program {
    const char* name;
    std::vector<std::string> argv;
    const char* marker;
    std::vector<double> ms, cpuMs;
    std::string line;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 7) {
        std::fprintf(stderr, "usage: startup_bench RUNS LUMORA PEER URL [PEER_LINKED PEER_PLAYER]\n");
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    std::vector<Program> programs = {
        {"lumora: the first list in the window", {argv[2], "--report-state"}, "title: 第1批共14批搜索到：", {}, {}, {}},
        {"Qt Widgets window + libcurl fetch of the same page", {argv[3], argv[4]}, "title: ", {}, {}, {}},
    };
    if (argc == 7) {
        programs.push_back({"the same, linked with libmpv", {argv[5], argv[4]}, "title: ", {}, {}, {}});
        programs.push_back({"the same + 2 mpv cores and an OpenGL widget", {argv[6], argv[4]}, "title: ", {}, {}, {}});
    }
    const char* baseline = std::getenv("STARTUP_BENCH_BASELINE");
    const std::size_t baselineAt = programs.size();
    if (baseline && *baseline)
        programs.push_back({"lumora baseline (STARTUP_BENCH_BASELINE)", {baseline, "--report-state"},
                            "title: 第1批共14批搜索到：", {}, {}, {}});
    for (int run = 0; run < runs; ++run) {
        for (std::size_t turn = 0; turn < programs.size(); ++turn) {
            // Each run starts with the next program. A baseline instead runs
            // right beside lumora, the two taking the first place in turn:
            // a program that follows a heavy one (the player peer) starts slower.
            std::size_t at = (turn + static_cast<std::size_t>(run)) % programs.size();
            if (programs.size() > baselineAt) {
                const bool baselineFirst = run % 2 == 1;
                at = turn == 0 ? (baselineFirst ? baselineAt : 0) : turn == 1 ? (baselineFirst ? 0 : baselineAt) : turn - 1;
            }
            Program& p = programs[at];
            const auto time = bench::TimeToLine(p.argv, p.marker, true);
            if (!time) {
                std::fprintf(stderr, "%s: no list\n", p.argv[0].c_str());
                return 1;
            }
            p.ms.push_back(time->ms);
            p.cpuMs.push_back(time->cpuMs);
            p.line = time->line;
        }
    }
    std::printf("from spawn to the list on screen, %d runs each (medians)\n\n", runs);
    std::printf("%-56s %10s %14s\n", "", "ms", "CPU ms (all)");
    for (const Program& p : programs)
        std::printf("%-56s %10.1f %14.1f\n", p.name, bench::Median(p.ms), bench::Median(p.cpuMs));
    const double l = bench::Median(programs[0].ms), peer = bench::Median(programs[1].ms);
    std::printf("\nlumora/peer: %.2f (goal: at most 1.30) %s\n", peer > 0 ? l / peer : 0,
                l <= 1.3 * peer ? "met" : "NOT met");
    if (argc == 7) {
        const double player = bench::Median(programs[3].ms);
        std::printf("lumora/peer with the player's libraries and surface: %.2f\n", player > 0 ? l / player : 0);
    }
    if (programs.size() > baselineAt) {
        const double base = bench::Median(programs[baselineAt].ms);
        std::printf("lumora/baseline: %.3f (%+.1f%%)\n", base > 0 ? l / base : 0, base > 0 ? (l / base - 1) * 100 : 0);
    }
    std::printf("%s\n", programs[0].line.c_str());
    return 0;
}
