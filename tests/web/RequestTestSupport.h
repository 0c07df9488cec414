// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the tests of the requests that wait on a worker.
#pragma once

#include "RequestText.h"

#include <QTimer>

#include <chrono>
#include <functional>
#include <thread>

namespace lumora::test {

using Clock = std::chrono::steady_clock;

inline std::chrono::milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// Counts the ticks of a 10 ms timer on the calling thread: proof that the
// thread's events keep being handled during a wait.
class Ticker {
public:
    Ticker() {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { ++ticks; });
        timer_.start(10);
    }
    int ticks = 0;

private:
    QTimer timer_;
};

// Polls `condition` every few milliseconds until it holds or `limit` passes.
inline bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace lumora::test
