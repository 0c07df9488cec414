// SPDX-License-Identifier: GPL-3.0-or-later
#include "threads/PumpWait.h"

#include "threads/ThreadControl.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "TestSupport.h"

namespace lumora {
namespace {

using namespace std::chrono_literals;
using testing_support::Eventually;
using testing_support::Gate;
using testing_support::Since;

// What a worker and its waiter share: the worker writes `result`, then sets
// `done` and notifies.
struct Exchange {
    Gate gate;
    std::string result;
    std::atomic<bool> done{false};
    std::atomic<bool> workerLeft{false};
    WakeSignal wake;
};

// Starts a worker on the exchange that finishes once the gate opens.
void StartWorker(const std::shared_ptr<Exchange>& exchange) {
    ASSERT_TRUE(ThreadControl::Start([exchange] {
        exchange->gate.Pass(0);
        exchange->result = "late result";
        exchange->done = true;
        exchange->wake.Notify();
        exchange->workerLeft = true;
        return 0;
    }));
}

// Counts the ticks of a 10 ms timer on the calling thread.
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

TEST(PumpWaitTest, WorkerEndingEarlyEndsTheWaitPromptly) {
    ThreadHandle handle = 0;
    ASSERT_TRUE(ThreadControl::Start(
        [] {
            std::this_thread::sleep_for(50ms);
            return 3;
        },
        &handle));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ThreadControl::WaitUntilEnded(handle, 20s), WaitOutcome::Ended);
    EXPECT_LT(Since(start), 10s);
    EXPECT_EQ(ThreadControl::State(handle), 1);
    EXPECT_EQ(ThreadControl::ExitCode(handle), 3);
    EXPECT_TRUE(ThreadControl::Close(handle));
}

TEST(PumpWaitTest, DeadlineHoldsWhileTimerKeepsFiring) {
    auto gate = std::make_shared<Gate>();
    ThreadHandle handle = 0;
    ASSERT_TRUE(ThreadControl::Start([gate] { return gate->Pass(0); }, &handle));

    {
        Ticker ticker;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ThreadControl::WaitUntilEnded(handle, 300ms), WaitOutcome::TimedOut);
        const auto waited = Since(start);
        EXPECT_GE(waited, 250ms);
        EXPECT_LT(waited, 2s);
        EXPECT_GE(ticker.ticks, 5) << "timers run during the wait";
    }
    {
        // The silent form: returns at its deadline, the caller asks State.
        Ticker ticker;
        const auto start = std::chrono::steady_clock::now();
        ThreadControl::Wait(handle, 300);
        EXPECT_LT(Since(start), 2s);
        EXPECT_GE(ticker.ticks, 5);
        EXPECT_EQ(ThreadControl::State(handle), 2);
    }

    gate->Open();
    EXPECT_EQ(ThreadControl::WaitUntilEnded(handle, 10s), WaitOutcome::Ended);
    EXPECT_TRUE(ThreadControl::Close(handle));
}

TEST(PumpWaitTest, ImmediateOutcomes) {
    struct Case {
        const char* name;
        bool doneAtStart;
        std::chrono::milliseconds limit;
        WaitOutcome expected;
    };
    const Case cases[] = {
        {"done, no time", true, 0ms, WaitOutcome::Ended},
        {"done, long limit", true, 60s, WaitOutcome::Ended},
        {"not done, no time", false, 0ms, WaitOutcome::TimedOut},
        {"not done, negative limit", false, -5ms, WaitOutcome::TimedOut},
    };
    for (const Case& c : cases) {
        WakeSignal wake;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(PumpUntil([&] { return c.doneAtStart; }, c.limit, wake), c.expected) << c.name;
        EXPECT_LT(Since(start), 5s) << c.name;
    }

    // Nothing to wait for: no such thread.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ThreadControl::WaitUntilEnded(123456789, 60s), WaitOutcome::Ended);
    ThreadControl::Wait(0);
    EXPECT_LT(Since(start), 5s);
}

TEST(PumpWaitTest, NotifyEndsTheWaitOnASharedExchange) {
    auto exchange = std::make_shared<Exchange>();
    StartWorker(exchange);
    QTimer::singleShot(30, [exchange] { exchange->gate.Open(); });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(PumpUntil([&] { return exchange->done.load(); }, 20s, exchange->wake), WaitOutcome::Ended);
    EXPECT_LT(Since(start), 10s);
    EXPECT_EQ(exchange->result, "late result");
    EXPECT_TRUE(Eventually([&] { return exchange->workerLeft.load(); }));
}

TEST(PumpWaitTest, WorkerFinishingAfterTheWaiterLeftTouchesOnlyItsExchange) {
    auto exchange = std::make_shared<Exchange>();
    StartWorker(exchange);
    {
        auto done = [&] { return exchange->done.load(); };
        EXPECT_EQ(PumpUntil(done, 50ms, exchange->wake), WaitOutcome::TimedOut);
    }
    // The waiter is gone; only the worker still holds the exchange.
    std::weak_ptr<Exchange> workerHolds = exchange;
    exchange->gate.Open();
    exchange.reset();
    EXPECT_TRUE(Eventually([&] { return workerHolds.expired(); }));
    QCoreApplication::processEvents();  // nothing queued for the finished wait may run
}

TEST(PumpWaitTest, OuterWaitSeesItsWorkerEndDuringANestedWait) {
    auto outer = std::make_shared<Exchange>();
    auto inner = std::make_shared<Exchange>();  // never finishes during the test
    StartWorker(outer);
    StartWorker(inner);

    WaitOutcome innerOutcome = WaitOutcome::Ended;
    QTimer::singleShot(0, [&] {
        // A handler run during the outer wait starts a wait of its own; the
        // outer worker ends meanwhile.
        outer->gate.Open();
        innerOutcome = PumpUntil([&] { return inner->done.load(); }, 300ms, inner->wake);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(PumpUntil([&] { return outer->done.load(); }, 20s, outer->wake), WaitOutcome::Ended);
    EXPECT_LT(Since(start), 10s) << "the wake-up given during the nested wait was not lost";
    EXPECT_EQ(innerOutcome, WaitOutcome::TimedOut);

    inner->gate.Open();
    EXPECT_TRUE(Eventually([&] { return outer->workerLeft && inner->workerLeft; }));
}

}  // namespace
}  // namespace lumora
