// SPDX-License-Identifier: GPL-3.0-or-later
// library-writer PATH TAG COUNT: opens the library at PATH as the player
// does and records COUNT positions of the entries TAG-0 … TAG-(COUNT-1),
// each twice (insert, then update), and marks every tenth a favourite.
// Exit 0 when every write went in, 1 when the store was not writable or a
// write failed. Two of them run at once in the tests.
#include "library/LibraryStore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) return 2;
    const auto store = lumora::LibraryStore::Open(QString::fromLocal8Bit(argv[1]));
    if (!store->Writable()) return 1;
    const QString tag = QString::fromLocal8Bit(argv[2]);
    const int count = QString::fromLocal8Bit(argv[3]).toInt();
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        const lumora::LibraryEntry entry{lumora::LibraryEntry::Kind::Row, tag + QLatin1Char('-') + QString::number(i),
                                         QStringLiteral("标题 %1").arg(i)};
        if (!store->RecordPosition(entry, i, 1000)) ++failed;
        if (!store->RecordPosition(entry, i + 0.5, 1000)) ++failed;
        if (i % 10 == 0 && !store->SetFavourite(entry, true)) ++failed;
    }
    if (failed) std::fprintf(stderr, "library-writer %s: %d writes failed\n", argv[2], failed);
    return failed ? 1 : 0;
}
