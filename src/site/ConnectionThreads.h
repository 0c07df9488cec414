// SPDX-License-Identifier: GPL-3.0-or-later
// The task queue of lumora-site's listener: each connection gets a thread of
// its own at once (idle threads are reused, new ones started up to a cap), so
// clients that hold connections open without finishing a request can't keep
// other clients waiting behind them. Past the cap, connections wait in turn.
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace lumora::site {

class ConnectionThreads final : public httplib::TaskQueue {
public:
    explicit ConnectionThreads(std::size_t maxThreads);
    ~ConnectionThreads() override;  // shutdown()

    void enqueue(std::function<void()> job) override;
    // Runs the jobs already queued, then joins every thread.
    void shutdown() override;

private:
    void Work();

    const std::size_t maxThreads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    std::size_t idle_ = 0;
    bool shuttingDown_ = false;
};

}  // namespace lumora::site
