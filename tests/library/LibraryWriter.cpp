// SPDX-License-Identifier: GPL-3.0-or-later
// library-writer PATH TAG COUNT [queued]: opens the library at PATH as the
// player does and records COUNT positions of the entries TAG-0 …
// TAG-(COUNT-1), each twice (insert, then update), and marks every tenth a
// favourite. With "queued" the positions go through the writer thread as
// the player's do, and the program waits for them at its end as the player
// does at exit. Exit 0 when every write went in (or was queued), 1 when the
// store was not writable or a write failed. Two of them run at once in the
// tests.
#include "library/HistoryWriter.h"
#include "library/LibraryStore.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4 && !(argc == 5 && std::strcmp(argv[4], "queued") == 0)) return 2;
    const std::shared_ptr<lumora::LibraryStore> store = lumora::LibraryStore::Open(QString::fromLocal8Bit(argv[1]));
    if (!store->Writable()) return 1;
    std::unique_ptr<lumora::HistoryWriter> writer;
    if (argc == 5) writer = std::make_unique<lumora::HistoryWriter>(store);
    const auto record = [&](const lumora::LibraryEntry& entry, double position) {
        return writer ? writer->RecordPosition(entry, position, 1000) : store->RecordPosition(entry, position, 1000);
    };
    const QString tag = QString::fromLocal8Bit(argv[2]);
    const int count = QString::fromLocal8Bit(argv[3]).toInt();
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        const lumora::LibraryEntry entry{lumora::LibraryEntry::Kind::Row, tag + QLatin1Char('-') + QString::number(i),
                                         QStringLiteral("标题 %1").arg(i)};
        if (!record(entry, i)) ++failed;
        if (!record(entry, i + 0.5)) ++failed;
        if (i % 10 == 0 && !store->SetFavourite(entry, true)) ++failed;
    }
    if (writer) writer->Finish();
    if (failed) std::fprintf(stderr, "library-writer %s: %d writes failed\n", argv[2], failed);
    return failed ? 1 : 0;
}
