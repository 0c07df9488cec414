// SPDX-License-Identifier: GPL-3.0-or-later
// Shared helpers of the thread tests.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace lumora::testing_support {

// Holds routines until the test opens it. Routines keep it by shared_ptr, so
// one that outlives its handle (closed, terminated) still has it.
class Gate {
public:
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }

    int Pass(int code) {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
        return code;
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

// Polls `condition` every millisecond until it holds or `limit` passes.
inline bool Eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline std::chrono::milliseconds Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

}  // namespace lumora::testing_support
