// SPDX-License-Identifier: GPL-3.0-or-later
// library_bench DIR WRITES ENTRIES: the resume-position write into
// DIR/library.sqlite holding ENTRIES entries already, WRITES times over the
// entries in turn, with a second copy of the store open on the same file as
// a second player would be, timed on the calling thread (the GUI thread in
// the player):
//   - the direct write (LibraryStore::RecordPosition, one upsert in WAL
//     mode), as the player made it before the writer thread;
//   - the queued write the player makes now (HistoryWriter::RecordPosition),
//     each after the one before has landed, as the player's writes five
//     seconds apart find it, and beside it the time until the write landed
//     on the writer thread;
//   - the queued write back to back, the writer thread busy meanwhile;
//   - a call that touches no file and takes no lock (an entry's key), timed
//     the same way: the floor the machine's scheduling sets for the worst.
// Prints the median, the 99th percentile, the worst and the mean in
// milliseconds of each, and leaves the file for the peer.
#include "library/HistoryWriter.h"
#include "library/LibraryStore.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <numeric>
#include <vector>

using namespace lumora;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Print(const char* what, std::vector<double> ms) {
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / ms.size();
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %7.3f ms   p99 %7.3f ms   worst %7.3f ms   mean %7.3f ms\n", what, ms[ms.size() / 2],
                ms[ms.size() * 99 / 100], ms.back(), mean);
}

LibraryEntry Entry(int i) {
    return LibraryEntry{LibraryEntry::Kind::Row, QString::number(100000 + i), QStringLiteral("视频 %1").arg(i)};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: library_bench DIR WRITES ENTRIES\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/library.sqlite");
    const int writes = std::max(1, atoi(argv[2]));
    const int entries = std::max(1, atoi(argv[3]));
    const std::shared_ptr<LibraryStore> store = LibraryStore::Open(path);
    const auto other = LibraryStore::Open(path);
    if (!store->Writable() || !other->Writable()) {
        std::fprintf(stderr, "library_bench: %s is not writable\n", qPrintable(path));
        return 1;
    }
    for (int i = 0; i < entries; ++i) other->RecordPosition(Entry(i), i % 600, 600);

    std::vector<double> direct, queued, landed, backToBack, floor;
    for (auto* v : {&direct, &queued, &landed, &backToBack, &floor}) v->reserve(static_cast<std::size_t>(writes));
    for (int i = 0; i < writes; ++i) {
        const auto start = Clock::now();
        const bool ok = store->RecordPosition(Entry(i % entries), 5.0 * i, 600);
        direct.push_back(Ms(Clock::now() - start));
        if (!ok) {
            std::fprintf(stderr, "library_bench: write %d failed\n", i);
            return 1;
        }
    }
    {
        HistoryWriter writer(store);
        for (int i = 0; i < writes; ++i) {
            const auto start = Clock::now();
            writer.RecordPosition(Entry(i % entries), 5.0 * i + 1, 600);
            queued.push_back(Ms(Clock::now() - start));
            if (!writer.WaitWritten()) {
                std::fprintf(stderr, "library_bench: queued write %d did not land\n", i);
                return 1;
            }
            landed.push_back(Ms(Clock::now() - start));
        }
        for (int i = 0; i < writes; ++i) {
            const auto start = Clock::now();
            writer.RecordPosition(Entry(i % entries), 5.0 * i + 2, 600);
            backToBack.push_back(Ms(Clock::now() - start));
        }
        writer.Finish();
    }
    std::size_t keys = 0;
    for (int i = 0; i < writes; ++i) {
        const auto start = Clock::now();
        keys += static_cast<std::size_t>(Entry(i % entries).Key().size());
        floor.push_back(Ms(Clock::now() - start));
    }
    if (keys == 0) return 1;
    // Every queued write went in: the last position of each entry is there.
    for (int i = std::max(0, writes - entries); i < writes; ++i) {
        const auto found = store->FindHistory(Entry(i % entries));
        if (!found || found->position != 5.0 * i + 2) {
            std::fprintf(stderr, "library_bench: queued write %d is missing\n", i);
            return 1;
        }
    }
    Print("direct RecordPosition (GUI thread, before)", direct);
    Print("queued RecordPosition (GUI thread, now)", queued);
    Print("  the same, until landed (writer thread)", landed);
    Print("queued back to back (GUI thread)", backToBack);
    Print("floor: an entry's key (no file, no lock)", floor);
    return 0;
}
