// SPDX-License-Identifier: GPL-3.0-or-later
// The library database: play history with the last position of each entry,
// favourites and the one setting (whether history is recorded), in one
// SQLite file opened through Qt SQL (WAL, one transaction per change, a
// schema version in user_version).
//
// Opening never fails the program: a damaged file is set aside
// (renamed NAME.corrupt-DATE) and a new one made; a file locked by another
// program past a short wait, a read-only file or folder, or a file of a
// newer schema is opened read-only; each says why in the log
// (lumora.library). A read-only store answers reads and refuses writes
// (they return false); an unavailable one answers nothing.
//
// Used from the thread that opened it. Every write is one short
// transaction that appends to the WAL without syncing, so several copies of
// the program share the file safely and a write takes a fraction of a
// millisecond; the WAL goes back into the file on a worker (checkpoints).
// The player's position writes go through HistoryWriter, on a thread of its
// own with a connection of its own (OpenWriter).
#pragma once

#include "library/LibraryEntry.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace lumora {

struct HistoryRecord {
    LibraryEntry entry;
    double position = 0;  // seconds
    double duration = 0;  // seconds; 0 when unknown
    QDateTime playedAt;   // last written
};

struct FavouriteRecord {
    LibraryEntry entry;
    QDateTime addedAt;
};

class LibraryStore {
public:
    enum class Access { Writable, ReadOnly, Unavailable };

    // The schema this build writes.
    static constexpr int kSchemaVersion = 1;

    // Opens (or makes) the database at `path`.
    static std::unique_ptr<LibraryStore> Open(const QString& path);
    // Opens the database at `path` read-only, quietly; unavailable when
    // there is none (nothing is made).
    static std::unique_ptr<LibraryStore> OpenForReading(const QString& path);
    // A further writing connection to a file Open found writable, for the
    // calling thread (Qt SQL connections are per thread), without Open's
    // checks; unavailable when it cannot be had.
    static std::unique_ptr<LibraryStore> OpenWriter(const QString& path);
    ~LibraryStore();
    LibraryStore(const LibraryStore&) = delete;
    LibraryStore& operator=(const LibraryStore&) = delete;

    Access Mode() const { return access_; }
    bool Writable() const { return access_ == Access::Writable; }
    const QString& Path() const { return path_; }

    // Upserts the entry's position and duration, stamped now.
    bool RecordPosition(const LibraryEntry& entry, double position, double duration);
    std::optional<HistoryRecord> FindHistory(const LibraryEntry& entry) const;
    // Newest first.
    std::vector<HistoryRecord> History() const;
    bool RemoveHistory(const LibraryEntry& entry);
    bool ClearHistory();

    // On unless turned off (kept in the database).
    bool RecordingEnabled() const;
    bool SetRecordingEnabled(bool enabled);

    bool IsFavourite(const LibraryEntry& entry) const;
    bool SetFavourite(const LibraryEntry& entry, bool favourite);
    // Newest first.
    std::vector<FavouriteRecord> Favourites() const;

    // Run before every read and change of the history on this store, so
    // that positions written elsewhere first (HistoryWriter's queue) land
    // before it; empty for none.
    void SetSettle(std::function<void()> settle) { settle_ = std::move(settle); }

private:
    LibraryStore(QString path, QString connection, Access access);
    friend struct LibraryOpening;

    // Every so many writes the WAL is copied back into the file on a thread
    // of its own (the fsync of a checkpoint would stall the caller's
    // thread); the writes themselves never sync.
    void AfterWrite();
    void Settle() const {
        if (settle_) settle_();
    }

    QString path_;
    QString connection_;  // the Qt SQL connection's name, one per store
    Access access_;
    int writesSinceCheckpoint_ = 0;
    std::thread checkpoint_;
    std::function<void()> settle_;
};

}  // namespace lumora
