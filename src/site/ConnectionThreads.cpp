// SPDX-License-Identifier: GPL-3.0-or-later
#include "site/ConnectionThreads.h"

namespace lumora::site {

ConnectionThreads::ConnectionThreads(std::size_t maxThreads) : maxThreads_(maxThreads == 0 ? 1 : maxThreads) {}

ConnectionThreads::~ConnectionThreads() { shutdown(); }

void ConnectionThreads::enqueue(std::function<void()> job) {
    std::lock_guard lock(mutex_);
    if (shuttingDown_) return;
    jobs_.push_back(std::move(job));
    // An idle thread takes it; without one a new thread starts, while the cap allows.
    if (idle_ < jobs_.size() && threads_.size() < maxThreads_) threads_.emplace_back([this] { Work(); });
    wake_.notify_one();
}

void ConnectionThreads::shutdown() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        shuttingDown_ = true;
        threads.swap(threads_);
    }
    wake_.notify_all();
    for (std::thread& thread : threads) thread.join();
}

void ConnectionThreads::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        wake_.wait(lock, [this] { return shuttingDown_ || !jobs_.empty(); });
        --idle_;
        if (jobs_.empty()) return;  // shutting down with nothing left
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}

}  // namespace lumora::site
