// SPDX-License-Identifier: GPL-3.0-or-later
// lumora-site: the local stand-in of the catalogue site and the web services.
//
//   lumora-site [--listen ADDR] [--port N] [--data DIR] [--allow-remote]
//               [--stall-seconds S] [--list-entries N] [--quiet]
//
// Exit status: 0 after SIGINT or SIGTERM, 1 when the data or the port can't
// be had, 2 for a bad command line or a non-loopback address without
// --allow-remote.
#include "site/SiteServer.h"

#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

namespace {

void Usage(FILE* out) {
    std::fprintf(out,
                 "usage: lumora-site [--listen ADDR] [--port N] [--data DIR] [--allow-remote]\n"
                 "                   [--stall-seconds S] [--list-entries N] [--quiet]\n"
                 "  --listen ADDR      address to listen on (default 127.0.0.1; loopback only\n"
                 "                     unless --allow-remote is given)\n"
                 "  --port N           port, 0 for an ephemeral one (default 8600)\n"
                 "  --data DIR         demo data directory (default: the bundled one)\n"
                 "  --stall-seconds S  how long stalling answers hold a connection (default 30)\n"
                 "  --list-entries N   serve every list page as a generated page of N entries\n"
                 "                     (1 to 200000; for the search benchmarks)\n"
                 "  --quiet            no per-request log\n");
}

bool ReadNumber(const char* text, long max, long& value) {
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < 0 || parsed > max) return false;
    value = parsed;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lumora::site;
    SiteOptions options;
    std::filesystem::path dataDir = BundledDataDir();
    bool allowRemote = false;
    bool quiet = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        long number = 0;
        if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        } else if (arg == "--allow-remote") {
            allowRemote = true;
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (arg == "--listen" && hasValue) {
            options.listenAddress = argv[++i];
        } else if (arg == "--data" && hasValue) {
            dataDir = argv[++i];
        } else if (arg == "--port" && hasValue && ReadNumber(argv[i + 1], 65535, number)) {
            options.port = static_cast<int>(number);
            ++i;
        } else if (arg == "--list-entries" && hasValue && ReadNumber(argv[i + 1], 200000, number) && number > 0) {
            options.listEntries = number;
            ++i;
        } else if (arg == "--stall-seconds" && hasValue && ReadNumber(argv[i + 1], 3600, number)) {
            options.stallSeconds = static_cast<int>(number);
            ++i;
        } else {
            std::fprintf(stderr, "lumora-site: bad argument: %s\n", arg.c_str());
            Usage(stderr);
            return 2;
        }
    }

    if (!allowRemote && !IsLoopbackAddress(options.listenAddress)) {
        std::fprintf(stderr, "lumora-site: refusing to listen on %s (not a loopback address; add --allow-remote)\n",
                     options.listenAddress.c_str());
        return 2;
    }

    std::string error;
    std::optional<SiteData> data = LoadSiteData(dataDir, &error);
    if (!data) {
        std::fprintf(stderr, "lumora-site: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& warning : data->warnings)
        std::fprintf(stderr, "lumora-site: warning: %s\n", warning.c_str());

    if (!quiet) {
        options.requestLog = [](const std::string& line) {
            static std::mutex mutex;
            std::lock_guard lock(mutex);
            std::fprintf(stdout, "%s\n", line.c_str());
            std::fflush(stdout);
        };
    }

    // SIGINT and SIGTERM are taken by sigtimedwait below, never by a handler:
    // blocked here, before any thread starts, so every thread inherits it.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    SiteServer server(std::move(*data), options);
    if (!server.Start(&error)) {
        std::fprintf(stderr, "lumora-site: %s\n", error.c_str());
        return 1;
    }
    std::printf("lumora-site listening on %s\n", server.BaseAddress().c_str());
    std::fflush(stdout);

    int signal = 0;
    while (signal <= 0 && server.Running()) {
        const timespec wait{0, 200 * 1000 * 1000};
        signal = sigtimedwait(&stopSignals, nullptr, &wait);
    }
    server.Stop();
    if (signal <= 0) {
        std::fprintf(stderr, "lumora-site: the listener ended unexpectedly\n");
        return 1;
    }
    std::printf("lumora-site stopped (%s)\n", signal == SIGINT ? "SIGINT" : "SIGTERM");
    return 0;
}
