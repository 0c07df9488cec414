// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LibraryStore.h"

#include "library/LibraryLog.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>
#include <utility>

namespace lumora {

namespace {

qint64 NowMs() { return QDateTime::currentMSecsSinceEpoch(); }

double Finite(double seconds) { return std::isfinite(seconds) && seconds > 0 ? seconds : 0; }

// The entry of a row read back; nullopt for a kind this build does not know.
std::optional<LibraryEntry> EntryOf(const QSqlQuery& query, int first) {
    const auto kind = KindFromName(query.value(first).toString());
    if (!kind) return std::nullopt;
    return LibraryEntry{*kind, query.value(first + 1).toString(), query.value(first + 2).toString()};
}

}  // namespace

LibraryStore::LibraryStore(QString path, QString connection, Access access)
    : path_(std::move(path)), connection_(std::move(connection)), access_(access) {}

LibraryStore::~LibraryStore() {
    if (checkpoint_.joinable()) checkpoint_.join();
    if (connection_.isEmpty()) return;
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        if (db.isValid()) db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

namespace {

// A statement on the store's connection, its values bound in order; false
// (and a debug line) when it fails.
bool Execute(QSqlQuery& query, const QString& statement, std::initializer_list<QVariant> values) {
    if (!query.prepare(statement)) {
        qCDebug(lumoraLibrary).noquote() << "prepare failed:" << query.lastError().text();
        return false;
    }
    for (const QVariant& value : values) query.addBindValue(value);
    if (!query.exec()) {
        qCDebug(lumoraLibrary).noquote() << "statement failed:" << query.lastError().text();
        return false;
    }
    return true;
}

// Writes between two checkpoints: about 256 pages of WAL, some twenty
// minutes of playback.
constexpr int kWritesPerCheckpoint = 256;

}  // namespace

void LibraryStore::AfterWrite() {
    if (++writesSinceCheckpoint_ < kWritesPerCheckpoint) return;
    writesSinceCheckpoint_ = 0;
    if (checkpoint_.joinable()) checkpoint_.join();  // the one before is long done
    checkpoint_ = std::thread([path = path_, name = connection_ + QStringLiteral("-checkpoint")] {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000"));
            // PASSIVE: copies what no reader needs, never waits for a writer.
            if (db.open()) QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    });
}

bool LibraryStore::RecordPosition(const LibraryEntry& entry, double position, double duration) {
    if (!Writable() || entry.Empty()) return false;
    Settle();
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    // One statement, one transaction; an empty title keeps the one recorded.
    // The stamp is at least a millisecond past the newest, so the order of
    // the writes is the order of the list even within one millisecond.
    const bool written = Execute(query,
                   QStringLiteral("INSERT INTO history(key, kind, reference, title, position, duration, played_at)"
                                  " VALUES(?, ?, ?, COALESCE(?, ''), ?, ?, MAX(?, COALESCE((SELECT MAX(played_at) FROM history), 0) + 1))"
                                  " ON CONFLICT(key) DO UPDATE SET"
                                  " title = CASE WHEN excluded.title <> '' THEN excluded.title ELSE history.title END,"
                                  " position = excluded.position, duration = excluded.duration,"
                                  " played_at = excluded.played_at"),
                   {entry.Key(), KindName(entry.kind), entry.reference, entry.title, Finite(position),
                    Finite(duration), NowMs()});
    if (written) AfterWrite();
    return written;
}

std::optional<HistoryRecord> LibraryStore::FindHistory(const LibraryEntry& entry) const {
    if (access_ == Access::Unavailable) return std::nullopt;
    Settle();
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (!Execute(query,
                 QStringLiteral("SELECT kind, reference, title, position, duration, played_at FROM history WHERE key = ?"),
                 {entry.Key()}) ||
        !query.next())
        return std::nullopt;
    const auto found = EntryOf(query, 0);
    if (!found) return std::nullopt;
    return HistoryRecord{*found, query.value(3).toDouble(), query.value(4).toDouble(),
                         QDateTime::fromMSecsSinceEpoch(query.value(5).toLongLong())};
}

std::vector<HistoryRecord> LibraryStore::History() const {
    std::vector<HistoryRecord> records;
    if (access_ == Access::Unavailable) return records;
    Settle();
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    if (!Execute(query,
                 QStringLiteral("SELECT kind, reference, title, position, duration, played_at FROM history"
                                " ORDER BY played_at DESC, rowid DESC"),
                 {}))
        return records;
    while (query.next())
        if (const auto entry = EntryOf(query, 0))
            records.push_back({*entry, query.value(3).toDouble(), query.value(4).toDouble(),
                               QDateTime::fromMSecsSinceEpoch(query.value(5).toLongLong())});
    return records;
}

bool LibraryStore::RemoveHistory(const LibraryEntry& entry) {
    if (!Writable()) return false;
    Settle();
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    return Execute(query, QStringLiteral("DELETE FROM history WHERE key = ?"), {entry.Key()});
}

bool LibraryStore::ClearHistory() {
    if (!Writable()) return false;
    Settle();
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    return Execute(query, QStringLiteral("DELETE FROM history"), {});
}

bool LibraryStore::RecordingEnabled() const {
    if (access_ == Access::Unavailable) return true;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (!Execute(query, QStringLiteral("SELECT value FROM settings WHERE name = 'record-history'"), {}) ||
        !query.next())
        return true;
    return query.value(0).toString() != QLatin1String("0");
}

bool LibraryStore::SetRecordingEnabled(bool enabled) {
    if (!Writable()) return false;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    return Execute(query,
                   QStringLiteral("INSERT INTO settings(name, value) VALUES('record-history', ?)"
                                  " ON CONFLICT(name) DO UPDATE SET value = excluded.value"),
                   {enabled ? QStringLiteral("1") : QStringLiteral("0")});
}

bool LibraryStore::IsFavourite(const LibraryEntry& entry) const {
    if (access_ == Access::Unavailable) return false;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    return Execute(query, QStringLiteral("SELECT 1 FROM favourites WHERE key = ?"), {entry.Key()}) && query.next();
}

bool LibraryStore::SetFavourite(const LibraryEntry& entry, bool favourite) {
    if (!Writable() || entry.Empty()) return false;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (!favourite) return Execute(query, QStringLiteral("DELETE FROM favourites WHERE key = ?"), {entry.Key()});
    return Execute(query,
                   QStringLiteral("INSERT INTO favourites(key, kind, reference, title, added_at) VALUES(?, ?, ?, COALESCE(?, ''), ?)"
                                  " ON CONFLICT(key) DO UPDATE SET title = excluded.title"),
                   {entry.Key(), KindName(entry.kind), entry.reference, entry.title, NowMs()});
}

std::vector<FavouriteRecord> LibraryStore::Favourites() const {
    std::vector<FavouriteRecord> records;
    if (access_ == Access::Unavailable) return records;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    if (!Execute(query,
                 QStringLiteral("SELECT kind, reference, title, added_at FROM favourites ORDER BY added_at DESC, rowid DESC"),
                 {}))
        return records;
    while (query.next())
        if (const auto entry = EntryOf(query, 0))
            records.push_back({*entry, QDateTime::fromMSecsSinceEpoch(query.value(3).toLongLong())});
    return records;
}

}  // namespace lumora
