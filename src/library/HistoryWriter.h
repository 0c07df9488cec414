// SPDX-License-Identifier: GPL-3.0-or-later
// Position writes off the caller's thread: RecordPosition only queues, and a
// writer thread with its own connection to the store's file (a
// WorkerChannel job) writes what is queued. A later position of an entry
// still waiting replaces the earlier one. Written() comes back on the
// owner's thread once writes have landed, so a read made then sees them;
// the store's own history reads and removals first let the queue land
// (LibraryStore::SetSettle).
//
// Finish writes what is still queued and ends the thread, waiting a bounded
// time (the exit); positions recorded after it are written directly. A
// store that is not writable gets no thread, and nothing is written.
#pragma once

#include "library/LibraryEntry.h"
#include "threads/WorkerChannel.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

namespace lumora {

class LibraryStore;

class HistoryWriter : public QObject {
    Q_OBJECT
public:
    // Long enough for a write that waits out another copy's lock.
    static constexpr std::chrono::milliseconds kFinishLimit{3000};

    explicit HistoryWriter(std::shared_ptr<LibraryStore> store, QObject* parent = nullptr);
    ~HistoryWriter() override;  // Finish()
    HistoryWriter(const HistoryWriter&) = delete;
    HistoryWriter& operator=(const HistoryWriter&) = delete;

    // Queues the entry's position and duration. False, with nothing queued,
    // when the store cannot be written or the entry is empty.
    bool RecordPosition(const LibraryEntry& entry, double position, double duration);
    // Waits until everything queued so far has been written (or has
    // failed), at most `limit`; true when nothing is left.
    bool WaitWritten(std::chrono::milliseconds limit = kFinishLimit);
    // Writes what is queued and ends the writer thread, waiting at most
    // `limit`. Later positions are written on the caller's thread.
    void Finish(std::chrono::milliseconds limit = kFinishLimit);

signals:
    // Positions queued here are in the file now.
    void Written();

private:
    struct Queue;
    // The writer thread: takes what is queued, writes it on its own
    // connection, says so; once stopped, writes what is left and ends.
    static void WriteQueued(const WorkerChannel::Job& job, Queue& queue, const QString& path,
                            const std::function<void()>& written);

    std::shared_ptr<LibraryStore> store_;
    std::shared_ptr<Queue> queue_;
    WorkerChannel channel_;
    bool finished_ = false;
};

}  // namespace lumora
