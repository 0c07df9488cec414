// SPDX-License-Identifier: GPL-3.0-or-later
// Time to the first frame: `lumora-cli play --null --first-frame` beside
// `mpv --no-config --vo=null --ao=null --frames=1` on the same addresses.
//
// Both are timed from outside, the same way: from just before the process is
// spawned to the moment its output line that marks the first frame arrives
// (lumora-cli: "first frame after N ms", its own figure from its start;
// mpv, with its cplayer messages on: "first video frame after restart
// shown"). mpv's exit is no measure of the first frame: with --frames=1 it
// still plays out the sound it has buffered before it leaves. Each run plays
// every case once with each program, the one going first taking turns; the
// figures are medians. CPU time (user + system) is the whole process's.
//
// Beside them, what one HTTP request costs curl on the same server
// (libcurl in this process, a fresh handle and connection each time, no
// redirect followed), to weigh the probe's own requests.
//
//   first_frame_bench LUMORA_CLI RUNS NAME=ADDRESS[|MPV_ADDRESS]...
// A NAME starting with "r" followed by a number is a redirect chain of that
// many hops, whose probe makes 1 + 2 x hops requests. MPV_ADDRESS, when
// given, is what mpv plays instead (FFmpeg follows at most 8 redirects).
#include "LineTimer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return bench::Milliseconds(d); }

// From spawn to the line holding `marker`; the program then runs to its end
// (its CPU time is the whole run's).
std::optional<bench::LineTime> Run(const std::vector<std::string>& argv, const char* marker) {
    std::optional<bench::LineTime> time = bench::TimeToLine(argv, marker, false);
    if (!time) std::fprintf(stderr, "no first frame from: %s ... %s\n", argv[0].c_str(), argv.back().c_str());
    return time;
}

using bench::Median;

// One GET through a fresh libcurl handle, redirects not followed.
bool CurlOnce(const std::string& url) {
    CURL* curl = curl_easy_init();
    if (!curl) return false;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char*, size_t size, size_t count, void*) { return size * count; });
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 10'000L);
    const bool ok = curl_easy_perform(curl) == CURLE_OK;
    curl_easy_cleanup(curl);
    return ok;
}

struct Case {
    std::string name, address, mpvAddress;
    int requests = 0;  // the probe's own requests beyond the one of a direct address
    std::vector<double> lumora, own, mpv, lumoraCpu, mpvCpu;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: first_frame_bench LUMORA_CLI RUNS NAME=ADDRESS...\n");
        return 2;
    }
    const std::string cli = argv[1];
    const int runs = std::max(1, std::atoi(argv[2]));
    std::vector<Case> cases;
    for (int i = 3; i < argc; ++i) {
        const char* eq = std::strchr(argv[i], '=');
        if (!eq) return 2;
        Case c;
        c.name.assign(argv[i], static_cast<std::size_t>(eq - argv[i]));
        c.address = eq + 1;
        c.mpvAddress = c.address;
        if (const std::size_t bar = c.address.find('|'); bar != std::string::npos) {
            c.mpvAddress = c.address.substr(bar + 1);
            c.address.resize(bar);
        }
        if (c.name.size() > 1 && c.name[0] == 'r' && std::isdigit(static_cast<unsigned char>(c.name[1])))
            c.requests = 2 * std::atoi(c.name.c_str() + 1);
        cases.push_back(c);
    }

    curl_global_init(CURL_GLOBAL_DEFAULT);
    std::string redirecting;
    for (const Case& c : cases)
        if (c.requests > 0) redirecting = c.address;
    std::vector<double> curlMs;
    if (!redirecting.empty()) {
        CurlOnce(redirecting);
        for (int i = 0; i < 50; ++i) {
            const Clock::time_point start = Clock::now();
            if (!CurlOnce(redirecting)) {
                std::fprintf(stderr, "curl failed on %s\n", redirecting.c_str());
                return 1;
            }
            curlMs.push_back(Ms(Clock::now() - start));
        }
    }
    curl_global_cleanup();
    // The probe alone, as whole commands, on the direct address and on the
    // longest chain, beside curl doing the same: what each further request
    // costs, in time and in CPU.
    const Case* directCase = nullptr;
    const Case* longest = nullptr;
    for (const Case& c : cases) {
        if (c.name == "http") directCase = &c;
        if (c.requests > 0 && (!longest || c.requests > longest->requests)) longest = &c;
    }
    struct Command {
        const char* name;
        std::vector<std::string> direct, chain;
        const char* marker;
        std::vector<double> directMs, chainMs, directCpu, chainCpu;
    };
    std::vector<Command> commands;
    if (directCase && longest) {
        commands.push_back({"lumora-cli probe",
                            {cli, "probe", directCase->address},
                            {cli, "probe", longest->address},
                            "[File]",
                            {},
                            {},
                            {},
                            {}});
        commands.push_back({"curl -sI / curl -sIL",
                            {"curl", "-sI", "--noproxy", "*", directCase->address},
                            {"curl", "-sIL", "--noproxy", "*", longest->address},
                            "HTTP/1.1",
                            {},
                            {},
                            {},
                            {}});
        for (int i = 0; i < 15; ++i)
            for (Command& command : commands)
                for (int chain = 0; chain < 2; ++chain) {
                    const auto time = bench::TimeToLine(chain ? command.chain : command.direct, command.marker, false);
                    if (!time) return 1;
                    (chain ? command.chainMs : command.directMs).push_back(time->exitMs);
                    (chain ? command.chainCpu : command.directCpu).push_back(time->cpuMs);
                }
    }

    for (int run = 0; run < runs; ++run) {
        for (Case& c : cases) {
            const std::vector<std::string> lumora = {cli, "play", "--null", "--first-frame", c.address};
            const std::vector<std::string> mpv = {"mpv",       "--no-config", "--vo=null",
                                                  "--ao=null", "--frames=1",  "--msg-level=all=error,cplayer=v",
                                                  c.mpvAddress};
            for (int turn = 0; turn < 2; ++turn) {
                const bool lumoraTurn = (turn == 0) == (run % 2 == 0);
                const char* marker = lumoraTurn ? "first frame after " : "first video frame after restart shown";
                const std::optional<bench::LineTime> s = Run(lumoraTurn ? lumora : mpv, marker);
                if (!s) return 1;
                if (lumoraTurn) {
                    c.lumora.push_back(s->ms);
                    c.own.push_back(std::atof(s->line.c_str() + s->line.find(marker) + std::strlen(marker)));
                    c.lumoraCpu.push_back(s->cpuMs);
                } else {
                    c.mpv.push_back(s->ms);
                    c.mpvCpu.push_back(s->cpuMs);
                }
            }
        }
    }

    const double curlOne = Median(curlMs);
    std::printf("from spawn to the first frame, %d runs each (medians, ms)\n\n", runs);
    std::printf("%-8s %12s %10s %10s %8s %12s %10s %10s\n", "case", "lumora-cli", "(own)", "mpv", "ratio", "goal, ms",
                "CPU lumora", "CPU mpv");
    for (const Case& c : cases) {
        const double l = Median(c.lumora), m = Median(c.mpv);
        // Direct addresses: 1.2 x mpv. Redirect chains: 1.5 x mpv plus the
        // probe's own requests at curl's cost for one request.
        const double goal = c.requests > 0 ? 1.5 * m + (c.requests + 1) * curlOne : 1.2 * m;
        std::printf("%-8s %12.1f %10.1f %10.1f %8.2f %7.1f %-4s %10.1f %10.1f\n", c.name.c_str(), l, Median(c.own), m,
                    m > 0 ? l / m : 0, goal, l <= goal ? "met" : "NOT", Median(c.lumoraCpu), Median(c.mpvCpu));
    }
    for (const Case& c : cases)
        if (c.mpvAddress != c.address) std::printf("%s: mpv played %s\n", c.name.c_str(), c.mpvAddress.c_str());
    if (!curlMs.empty()) {
        std::printf("\ncurl, one request on the same server (libcurl, fresh handle): %.3f ms\n", curlOne);
    }
    if (!commands.empty()) {
        std::printf(
            "\nthe probe alone, 15 runs each (medians, ms): http, then %s (%d further requests for lumora,\n"
            "%d for curl, which follows the chain on one connection)\n",
            longest->name.c_str(), longest->requests, longest->requests / 2);
        std::printf("%-22s %10s %10s %10s %10s %14s %14s\n", "", "http", longest->name.c_str(), "CPU http",
                    ("CPU " + longest->name).c_str(), "per request", "CPU per req.");
        for (const Command& command : commands) {
            const int further = command.name[0] == 'l' ? longest->requests : longest->requests / 2;
            const double d = Median(command.directMs), r = Median(command.chainMs);
            const double dc = Median(command.directCpu), rc = Median(command.chainCpu);
            std::printf("%-22s %10.1f %10.1f %10.1f %10.1f %14.3f %14.3f\n", command.name, d, r, dc, rc,
                        (r - d) / further, (rc - dc) / further);
        }
        std::printf("curl's cost for one request: curl -sI, the whole command, %.1f ms\n",
                    Median(commands[1].directMs));
    }
    return 0;
}
