// SPDX-License-Identifier: GPL-3.0-or-later
// All 14 list pages at once (FetchAllListPages: 4 workers, the request and
// reader of every list page) against the slowest of the 14 fetched one at a
// time, taking turns, RUNS times each; beside curl fetching the same 14
// addresses with --parallel --parallel-max 4, and the slowest single one.
// Also the reader's CPU time (this process) for one page and for all 14, and
// the least time 14 pages' CPU takes on the machine's cores. The first,
// checked run makes the site generate and keep every page, so both sides
// are served from the site's cache.
//
//   fetch_all_bench CATALOGUE_HOST [RUNS]
#include "base/Config.h"
#include "catalogue/AllListPages.h"
#include "catalogue/Catalogue.h"
#include "ShellCommand.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

using namespace lumora;
using bench::Quote;
using bench::RunMs;
using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of this process (every thread) so far.
double CpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double Median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CATALOGUE_HOST [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    Config config = Config::Defaults();
    config.catalogueHost = Text::FromUtf8(argv[1]);
    ScopedConfigOverride useSite(config);

    std::string curlAll = "curl -s --no-progress-meter --parallel --parallel-max 4";
    std::vector<std::string> addresses;
    for (int batch = 1; batch <= kBatchCount; ++batch) {
        addresses.push_back(BatchAddress(batch, true).ToUtf8());
        curlAll += " -o /dev/null " + Quote(addresses.back());
    }

    // One checked run: every page read, with rows.
    long rows = 0;
    for (const FetchedPage& page : FetchAllListPages()) {
        if (!page.ok || page.rows.Count() == 0) {
            std::fprintf(stderr, "batch %d: no rows (is the site up, with --list-entries?)\n", page.batchNumber);
            return 1;
        }
        rows += page.rows.Count();
    }

    std::vector<double> all, slowest, curlParallel, curlSlowest, allCpu, oneCpu, oneWall;
    for (int run = 0; run < runs; ++run) {
        Clock::time_point start = Clock::now();
        double cpu = CpuMs();
        FetchAllListPages();
        all.push_back(Since(start));
        allCpu.push_back(CpuMs() - cpu);

        double worst = 0;
        for (int batch = 1; batch <= kBatchCount; ++batch) {
            start = Clock::now();
            cpu = CpuMs();
            FetchBatchPage(batch);
            worst = std::max(worst, Since(start));
            oneWall.push_back(Since(start));
            oneCpu.push_back(CpuMs() - cpu);
        }
        slowest.push_back(worst);

        curlParallel.push_back(RunMs(curlAll + " 2>/dev/null", true));
        double curlWorst = 0;
        for (const std::string& address : addresses)
            curlWorst = std::max(curlWorst, RunMs("curl -s -o /dev/null " + Quote(address), true));
        curlSlowest.push_back(curlWorst);
    }
    if (std::find(curlParallel.begin(), curlParallel.end(), -1.0) != curlParallel.end()) {
        std::fprintf(stderr, "curl failed\n");
        return 1;
    }

    std::printf("14 list pages from %s, %ld rows in all, %d runs each (medians)\n\n", argv[1], rows, runs);
    std::printf("%-44s %12s %12s %10s\n", "", "all 14 ms", "slowest 1 ms", "ratio");
    const double ratio = Median(all) / Median(slowest);
    std::printf("%-44s %12.1f %12.1f %9.2fx\n", "lumora (4 workers, list page request+reader)", Median(all),
                Median(slowest), ratio);
    std::printf("%-44s %12.1f %12.1f %9.2fx\n", "curl --parallel --parallel-max 4 (processes)", Median(curlParallel),
                Median(curlSlowest), Median(curlParallel) / Median(curlSlowest));
    // The reader's work is CPU (receive, match, rows): 14 pages need 14 times
    // the CPU of one, shared out over the cores there are.
    const long cores = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("\nlumora CPU (this process, every thread): one page %.1f ms (%.1f ms wall), all 14 %.1f ms\n",
                Median(oneCpu), Median(oneWall), Median(allCpu));
    const double floor = kBatchCount * Median(oneCpu) / static_cast<double>(cores);
    std::printf("on %ld cores, 14 pages' CPU alone (the site's not counted) takes at least %.1f ms: %.2fx the slowest "
                "single page\n",
                cores, floor, floor / Median(slowest));
    std::printf("\ngoal: all 14 pages within 1.5x the slowest single page: %.2fx, %s\n", ratio,
                ratio <= 1.5 ? "met" : "NOT met");
    return 0;
}
