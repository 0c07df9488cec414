// SPDX-License-Identifier: GPL-3.0-or-later
#include "threads/PumpWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <optional>

namespace lumora {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

// One wait in progress, living on the waiting thread's stack. While it is
// registered with its WakeSignal, Notify posts it a queued re-check; it
// unregisters before it is destroyed, and Qt drops events still queued for a
// destroyed object, so a late Notify can never reach it.
class PumpWaiter : public QObject {
public:
    PumpWaiter(const std::function<bool()>& done, WakeSignal& wake) : done_(done), wake_(wake) {
        std::lock_guard lock(wake_.mutex_);
        wake_.waiters_.push_back(this);
    }

    ~PumpWaiter() override {
        std::lock_guard lock(wake_.mutex_);
        std::erase(wake_.waiters_, this);
    }

    // Any thread; called with the signal's mutex held.
    void Poke() {
        QMetaObject::invokeMethod(
            this, [this] { Recheck(); }, Qt::QueuedConnection);
    }

    // Empty when the event loop was stopped by someone else before the wait
    // was decided.
    std::optional<WaitOutcome> Run(Clock::time_point deadline) {
        if (done_()) {
            return WaitOutcome::Ended;
        }
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (remaining.count() <= 0) {
            return WaitOutcome::TimedOut;
        }
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, this,
                         [this] { Finish(done_() ? WaitOutcome::Ended : WaitOutcome::TimedOut); });
        timer.start(static_cast<int>(std::min<std::chrono::milliseconds::rep>(remaining.count(), INT_MAX)));
        loop_.exec(QEventLoop::AllEvents);
        return outcome_;
    }

private:
    void Recheck() {
        if (!outcome_ && done_()) {
            Finish(WaitOutcome::Ended);
        }
    }

    void Finish(WaitOutcome outcome) {
        if (!outcome_) {
            outcome_ = outcome;
            loop_.quit();
        }
    }

    const std::function<bool()>& done_;
    WakeSignal& wake_;
    QEventLoop loop_;
    std::optional<WaitOutcome> outcome_;
};

void WakeSignal::Notify() {
    std::lock_guard lock(mutex_);
    ++generation_;
    for (PumpWaiter* waiter : waiters_) {
        waiter->Poke();
    }
    changed_.notify_all();
}

WaitOutcome PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit, WakeSignal& wake) {
    const Clock::time_point deadline = Clock::now() + std::max(limit, std::chrono::milliseconds(0));
    // Events run only on the application's own thread; a worker thread
    // (a job that resolves or probes) simply waits.
    const QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && QThread::currentThread() == app->thread()) {
        PumpWaiter waiter(done, wake);
        if (const std::optional<WaitOutcome> outcome = waiter.Run(deadline)) {
            return *outcome;
        }
    }

    // No event loop to run (no application object, another thread, or it is quitting): wait
    // on the signal's condition variable instead, handling no events.
    std::unique_lock lock(wake.mutex_);
    for (;;) {
        const std::uint64_t seen = wake.generation_;
        lock.unlock();
        const bool finished = done();  // without the lock: `done` may take locks of its own
        lock.lock();
        if (finished) {
            return WaitOutcome::Ended;
        }
        if (Clock::now() >= deadline) {
            return WaitOutcome::TimedOut;
        }
        wake.changed_.wait_until(lock, deadline, [&] { return wake.generation_ != seen; });
    }
}

}  // namespace lumora
