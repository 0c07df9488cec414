// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/HistoryWriter.h"

#include "library/LibraryStore.h"
#include "threads/BackgroundPriority.h"

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <utility>
#include <vector>

namespace lumora {

struct HistoryWriter::Queue {
    struct Item {
        QString key;  // the entry's
        LibraryEntry entry;
        double position = 0;
        double duration = 0;
    };
    std::mutex mutex;
    std::condition_variable_any arrived;
    std::condition_variable landed;
    std::vector<Item> items;  // oldest first
    bool writing = false;     // a batch taken from items is being written

    bool Idle() const { return items.empty() && !writing; }
};

void HistoryWriter::WriteQueued(const WorkerChannel::Job& job, Queue& queue, const QString& path,
                                const std::function<void()>& written) {
    // Woken by the window's thread, it leaves that thread the processor.
    RunAsBatchThisThread();
    const auto store = LibraryStore::OpenWriter(path);
    std::unique_lock<std::mutex> lock(queue.mutex);
    for (;;) {
        queue.arrived.wait(lock, job.StopToken(), [&] { return !queue.items.empty(); });
        if (queue.items.empty()) break;  // stopped, nothing left
        std::vector<Queue::Item> batch;
        batch.swap(queue.items);
        queue.writing = true;
        lock.unlock();
        bool any = false;
        for (const auto& item : batch) any = store->RecordPosition(item.entry, item.position, item.duration) || any;
        if (any) written();
        lock.lock();
        queue.writing = false;
        queue.landed.notify_all();
    }
}

HistoryWriter::HistoryWriter(std::shared_ptr<LibraryStore> store, QObject* parent)
    : QObject(parent), store_(std::move(store)), queue_(std::make_shared<Queue>()), channel_(*this) {
    if (!store_->Writable()) {
        finished_ = true;
        return;
    }
    const bool started = channel_.Start(
        [queue = queue_, path = store_->Path(), self = this](const WorkerChannel::Job& job) {
            // Posted calls run only while the channel is open, that is
            // before this writer goes.
            WriteQueued(job, *queue, path, [&job, self] { job.Post([self] { emit self->Written(); }); });
        },
        WorkerChannel::Mode::Alongside);
    if (!started) {
        finished_ = true;  // no thread to be had: written directly
        return;
    }
    store_->SetSettle([queue = queue_] {
        std::unique_lock<std::mutex> lock(queue->mutex);
        queue->landed.wait_for(lock, kFinishLimit, [&] { return queue->Idle(); });
    });
}

HistoryWriter::~HistoryWriter() { Finish(); }

bool HistoryWriter::RecordPosition(const LibraryEntry& entry, double position, double duration) {
    if (!store_->Writable() || entry.Empty()) return false;
    if (finished_) {
        const bool written = store_->RecordPosition(entry, position, duration);
        if (written) emit Written();
        return written;
    }
    {
        std::lock_guard<std::mutex> lock(queue_->mutex);
        // The entry moves to the end: the list's order is the order of the writes.
        QString key = entry.Key();
        std::erase_if(queue_->items, [&](const Queue::Item& item) { return item.key == key; });
        queue_->items.push_back({std::move(key), entry, position, duration});
    }
    queue_->arrived.notify_one();
    return true;
}

bool HistoryWriter::WaitWritten(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(queue_->mutex);
    return queue_->landed.wait_for(lock, limit, [&] { return queue_->Idle(); });
}

void HistoryWriter::Finish(std::chrono::milliseconds limit) {
    if (finished_) return;
    finished_ = true;
    store_->SetSettle({});
    // The job sees the stop, writes what is still queued and ends.
    channel_.Close(limit);
}

}  // namespace lumora
