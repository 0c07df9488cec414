// SPDX-License-Identifier: GPL-3.0-or-later
// Verbs of the library: the play history and the favourites, read from the
// player's database without changing it.
#include "cli/Verbs.h"
#include "library/LibraryLocation.h"
#include "library/LibraryStore.h"

#include <QString>

namespace lumora::cli {

namespace {

Text Field(const QString& text) { return Text::FromUtf8(text.toStdString()); }

Text Stamp(const QDateTime& time) { return Field(time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))); }

Text Seconds(double seconds) { return Field(QString::number(seconds, 'f', 1)); }

}  // namespace

int History(const Args& args) {
    if (!args.empty()) return UsageError("usage: lumora-cli history");
    const auto store = LibraryStore::OpenForReading(LibraryDatabasePath());
    const std::vector<HistoryRecord> records = store->History();
    for (const HistoryRecord& record : records)
        PrintRecord({Stamp(record.playedAt), Seconds(record.position), Seconds(record.duration),
                     Field(KindName(record.entry.kind)), Field(record.entry.reference), Field(record.entry.title)});
    return ResultStatus(!records.empty(), "no history");
}

int Favourites(const Args& args) {
    if (!args.empty()) return UsageError("usage: lumora-cli favourites");
    const auto store = LibraryStore::OpenForReading(LibraryDatabasePath());
    const std::vector<FavouriteRecord> records = store->Favourites();
    for (const FavouriteRecord& record : records)
        PrintRecord({Stamp(record.addedAt), Field(KindName(record.entry.kind)), Field(record.entry.reference),
                     Field(record.entry.title)});
    return ResultStatus(!records.empty(), "no favourites");
}

}  // namespace lumora::cli
