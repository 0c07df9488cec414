// SPDX-License-Identifier: GPL-3.0-or-later
// library_bench DIR WRITES ENTRIES: the resume-position write as the player
// makes it on its GUI thread (LibraryStore::RecordPosition, one upsert in
// WAL mode) into DIR/library.sqlite holding ENTRIES entries already,
// WRITES times over the entries in turn, with a second copy of the store
// open on the same file as a second player would be. Prints the median,
// the 99th percentile, the worst and the mean in milliseconds, and leaves
// the file for the peer.
#include "library/LibraryStore.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <vector>

using namespace lumora;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: library_bench DIR WRITES ENTRIES\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/library.sqlite");
    const int writes = std::max(1, atoi(argv[2]));
    const int entries = std::max(1, atoi(argv[3]));
    const auto store = LibraryStore::Open(path);
    const auto other = LibraryStore::Open(path);
    if (!store->Writable() || !other->Writable()) {
        std::fprintf(stderr, "library_bench: %s is not writable\n", qPrintable(path));
        return 1;
    }
    const auto entry = [](int i) {
        return LibraryEntry{LibraryEntry::Kind::Row, QString::number(100000 + i), QStringLiteral("视频 %1").arg(i)};
    };
    for (int i = 0; i < entries; ++i) other->RecordPosition(entry(i), i % 600, 600);

    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(writes));
    for (int i = 0; i < writes; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = store->RecordPosition(entry(i % entries), 5.0 * i, 600);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (!ok) {
            std::fprintf(stderr, "library_bench: write %d failed\n", i);
            return 1;
        }
    }
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / ms.size();
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %7.3f ms   p99 %7.3f ms   worst %7.3f ms   mean %7.3f ms\n",
                "lumora RecordPosition (GUI thread)", ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back(), mean);
    return 0;
}
