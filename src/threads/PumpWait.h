// SPDX-License-Identifier: GPL-3.0-or-later
// Waiting for another thread without freezing the calling one.
//
// PumpUntil runs a nested QEventLoop on the calling thread, so that thread's
// timers, input and queued calls keep being handled while it waits. The wait
// ends when its condition holds or when its deadline, counted once from the
// start of the wait, passes; later events never extend it.
//
// Events are pumped only on the application object's own thread. Without an
// application object, or on any other thread (a worker job), the wait still
// ends on time and on wake-up, but handles no events meanwhile.
//
// Sharing with a worker: the worker and the waiter share a WakeSignal (and
// whatever result object the condition reads) through std::shared_ptr. The
// worker makes the condition true, then calls Notify. A worker that finishes
// after the waiter gave up only touches those shared objects: Notify reaches
// a wait only while it is in progress.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace lumora {

class PumpWaiter;

enum class WaitOutcome {
    Ended,     // the condition held (the worker finished)
    TimedOut,  // the deadline passed first
};

class WakeSignal {
public:
    WakeSignal() = default;
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // Makes every wait now in progress on this signal check its condition
    // again, promptly. Callable from any thread at any time, also when no
    // wait is in progress (then it does nothing).
    void Notify();

private:
    friend class PumpWaiter;
    friend WaitOutcome PumpUntil(const std::function<bool()>&, std::chrono::milliseconds, WakeSignal&);

    std::mutex mutex_;
    std::vector<PumpWaiter*> waiters_;  // waits now pumping an event loop
    std::condition_variable changed_;   // for waits without an application object
    std::uint64_t generation_ = 0;
};

// Handles the calling thread's events until `done()` returns true or `limit`
// has passed since the call. `done` is evaluated on the calling thread only:
// at the start, after every Notify of `wake` and once more at the deadline.
// Ended when `done` held (also when it already holds at the start), TimedOut
// when the deadline passed with `done` still false. A limit of 0 or less only
// checks `done` once.
//
// Waits may nest (a handler run during one wait may start another); an outer
// wait can only return once the inner one has, but it keeps its outcome: the
// first of its own condition and its own deadline decides.
WaitOutcome PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit, WakeSignal& wake);

}  // namespace lumora
