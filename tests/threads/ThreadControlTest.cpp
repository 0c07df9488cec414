// SPDX-License-Identifier: GPL-3.0-or-later
#include "threads/ThreadControl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

namespace lumora {
namespace {

using namespace std::chrono_literals;
using testing_support::Eventually;
using testing_support::Gate;

// A routine that counts as fast as it can until told to stop.
struct Counter {
    std::atomic<long> count{0};
    std::atomic<bool> stop{false};
};

ThreadHandle StartCounting(const std::shared_ptr<Counter>& counter) {
    ThreadHandle handle = 0;
    EXPECT_TRUE(ThreadControl::Start(
        [counter] {
            while (!counter->stop) {
                ++counter->count;
            }
            return 0;
        },
        &handle));
    EXPECT_TRUE(Eventually([&] { return counter->count > 0; }));
    return handle;
}

// True when the counter does not move for a while.
bool StaysStill(const Counter& counter) {
    const long before = counter.count;
    std::this_thread::sleep_for(100ms);
    return counter.count == before;
}

TEST(ThreadControlTest, StateTellsRunningEndedAndInvalidHandles) {
    auto gate = std::make_shared<Gate>();
    auto startReturning = [](int code) {
        ThreadHandle handle = 0;
        EXPECT_TRUE(ThreadControl::Start([code] { return code; }, &handle));
        EXPECT_EQ(ThreadControl::WaitUntilEnded(handle, 10s), WaitOutcome::Ended);
        return handle;
    };
    struct Case {
        std::string name;
        std::function<ThreadHandle()> make;
        int state;
    };
    const std::vector<Case> cases = {
        {"running",
         [&] {
             ThreadHandle handle = 0;
             EXPECT_TRUE(ThreadControl::Start([gate] { return gate->Pass(0); }, &handle));
             return handle;
         },
         2},
        {"returned", [&] { return startReturning(7); }, 1},
        // 259 is also the running code; the thread has still ended.
        {"returned 259", [&] { return startReturning(kStillRunning); }, 1},
        {"closed",
         [&] {
             const ThreadHandle handle = startReturning(0);
             EXPECT_TRUE(ThreadControl::Close(handle));
             return handle;
         },
         0},
        {"never created", [] { return 123456789; }, 0},
        {"zero", [] { return 0; }, 0},
        {"negative", [] { return -1; }, 0},
    };
    std::vector<ThreadHandle> opened;
    for (const Case& c : cases) {
        const ThreadHandle handle = c.make();
        EXPECT_EQ(ThreadControl::State(handle), c.state) << c.name;
        if (c.state != 0) {
            opened.push_back(handle);
        }
    }
    gate->Open();
    for (ThreadHandle handle : opened) {
        ThreadControl::Wait(handle, 10000);
        EXPECT_TRUE(ThreadControl::Close(handle));
    }
}

TEST(ThreadControlTest, ExitCodeIsStillRunningThenTheRoutinesResult) {
    auto gate = std::make_shared<Gate>();
    ThreadHandle handle = -1;
    // The routine's one parameter becomes its exit code.
    ASSERT_TRUE(ThreadControl::Start([gate](int code) { return gate->Pass(code); }, 42, &handle));
    EXPECT_GT(handle, 0);
    EXPECT_EQ(ThreadControl::ExitCode(handle), kStillRunning);
    gate->Open();
    EXPECT_EQ(ThreadControl::WaitUntilEnded(handle, 10s), WaitOutcome::Ended);
    EXPECT_EQ(ThreadControl::ExitCode(handle), 42);
    EXPECT_TRUE(ThreadControl::Close(handle));
    EXPECT_EQ(ThreadControl::ExitCode(handle), 0);
    EXPECT_EQ(ThreadControl::ExitCode(0), 0);
}

TEST(ThreadControlTest, ExceptionInRoutineEndsThreadWithCodeZero) {
    ThreadHandle handle = 0;
    ASSERT_TRUE(ThreadControl::Start([]() -> int { throw std::runtime_error("worker failed"); }, &handle));
    EXPECT_EQ(ThreadControl::WaitUntilEnded(handle, 10s), WaitOutcome::Ended);
    EXPECT_EQ(ThreadControl::State(handle), 1);
    EXPECT_EQ(ThreadControl::ExitCode(handle), 0);
    EXPECT_TRUE(ThreadControl::Close(handle));
}

TEST(ThreadControlTest, SuspendCountsAndStopsTheThread) {
    auto counter = std::make_shared<Counter>();
    const ThreadHandle handle = StartCounting(counter);

    EXPECT_TRUE(ThreadControl::Suspend(handle));  // count 0 -> 1
    EXPECT_TRUE(StaysStill(*counter));
    EXPECT_FALSE(ThreadControl::Suspend(handle));  // 1 -> 2
    EXPECT_FALSE(ThreadControl::Resume(handle));   // 2 -> 1: still stopped
    EXPECT_TRUE(StaysStill(*counter));
    EXPECT_EQ(ThreadControl::State(handle), 2);
    EXPECT_EQ(ThreadControl::ExitCode(handle), kStillRunning);

    const long stoppedAt = counter->count;
    EXPECT_TRUE(ThreadControl::Resume(handle));  // 1 -> 0: runs again
    EXPECT_TRUE(Eventually([&] { return counter->count > stoppedAt; }));
    EXPECT_FALSE(ThreadControl::Resume(handle));  // not suspended

    counter->stop = true;
    EXPECT_EQ(ThreadControl::WaitUntilEnded(handle, 10s), WaitOutcome::Ended);
    EXPECT_FALSE(ThreadControl::Suspend(handle));  // ended
    EXPECT_FALSE(ThreadControl::Resume(handle));
    EXPECT_TRUE(ThreadControl::Close(handle));
    EXPECT_FALSE(ThreadControl::Suspend(handle));  // closed
    EXPECT_FALSE(ThreadControl::Resume(handle));
}

TEST(ThreadControlTest, ThreadCanSuspendItselfUntilResumed) {
    auto handleOfSelf = std::make_shared<std::atomic<ThreadHandle>>(0);
    auto suspended = std::make_shared<std::atomic<bool>>(false);
    auto resumed = std::make_shared<std::atomic<bool>>(false);
    ThreadHandle handle = 0;
    ASSERT_TRUE(ThreadControl::Start(
        [=] {
            while (*handleOfSelf == 0) {
                std::this_thread::yield();
            }
            *suspended = true;
            const bool first = ThreadControl::Suspend(*handleOfSelf);  // returns once resumed
            *resumed = true;
            return first ? 1 : 0;
        },
        &handle));
    *handleOfSelf = handle;
    ASSERT_TRUE(Eventually([&] { return suspended->load(); }));
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(*resumed);
    ASSERT_TRUE(Eventually([&] { return ThreadControl::Resume(handle); }));
    EXPECT_EQ(ThreadControl::WaitUntilEnded(handle, 10s), WaitOutcome::Ended);
    EXPECT_TRUE(*resumed);
    EXPECT_EQ(ThreadControl::ExitCode(handle), 1);
    EXPECT_TRUE(ThreadControl::Close(handle));
}

TEST(ThreadControlTest, TerminateAbandonsTheThreadAndDropsItsResult) {
    auto gate = std::make_shared<Gate>();
    std::weak_ptr<Gate> heldByRoutine = gate;
    ThreadHandle handle = 0;
    ASSERT_TRUE(ThreadControl::Start([gate] { return gate->Pass(5); }, &handle));

    EXPECT_TRUE(ThreadControl::Terminate(handle));
    EXPECT_EQ(ThreadControl::State(handle), 1);
    EXPECT_EQ(ThreadControl::ExitCode(handle), 0);
    EXPECT_EQ(ThreadControl::WaitUntilEnded(handle, 10s), WaitOutcome::Ended);
    EXPECT_TRUE(ThreadControl::Terminate(handle));  // again: nothing to do

    // The routine still runs; once it returns, its 5 is not recorded.
    gate->Open();
    gate.reset();
    ASSERT_TRUE(Eventually([&] { return heldByRoutine.expired(); }));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(ThreadControl::ExitCode(handle), 0);
    EXPECT_EQ(ThreadControl::State(handle), 1);
    EXPECT_TRUE(ThreadControl::Close(handle));
    EXPECT_FALSE(ThreadControl::Terminate(handle));
}

TEST(ThreadControlTest, TerminateAndCloseReleaseASuspendedThread) {
    for (const bool terminate : {true, false}) {
        auto counter = std::make_shared<Counter>();
        const ThreadHandle handle = StartCounting(counter);
        ASSERT_TRUE(ThreadControl::Suspend(handle));
        ASSERT_FALSE(ThreadControl::Suspend(handle));
        const long stoppedAt = counter->count;
        EXPECT_TRUE(terminate ? ThreadControl::Terminate(handle) : ThreadControl::Close(handle));
        EXPECT_TRUE(Eventually([&] { return counter->count > stoppedAt; })) << "terminate " << terminate;
        counter->stop = true;
        if (terminate) {
            EXPECT_TRUE(ThreadControl::Close(handle));
        }
    }
}

TEST(ThreadControlTest, CloseInvalidatesHandleForGood) {
    ThreadHandle first = 0;
    ThreadHandle second = 0;
    ASSERT_TRUE(ThreadControl::Start([] { return 1; }, &first));
    EXPECT_TRUE(ThreadControl::Close(first));  // may still be running: it goes on unobserved
    EXPECT_FALSE(ThreadControl::Close(first));
    EXPECT_FALSE(ThreadControl::Close(0));
    EXPECT_FALSE(ThreadControl::Close(987654321));

    // A new thread never gets the closed handle back.
    ASSERT_TRUE(ThreadControl::Start([] { return 2; }, &second));
    EXPECT_NE(second, first);
    EXPECT_EQ(ThreadControl::State(first), 0);
    ThreadControl::Wait(second, 10000);
    EXPECT_EQ(ThreadControl::ExitCode(second), 2);
    EXPECT_TRUE(ThreadControl::Close(second));
}

// Once Close returns on a thread whose routine has ended, the thread has
// exited, its thread-local clean-up included: a short command may leave
// right after without meeting that clean-up at exit. A thread still running
// is let go instead, and a thread may close its own handle.
namespace {
std::atomic<bool> gThreadLocalCleanedUp{false};
struct SlowThreadLocal {
    ~SlowThreadLocal() {
        std::this_thread::sleep_for(100ms);
        gThreadLocalCleanedUp = true;
    }
};
}  // namespace

TEST(ThreadControlTest, CloseWaitsForTheExitOfAnEndedThreadOnly) {
    ThreadHandle ended = 0;
    ASSERT_TRUE(ThreadControl::Start(
        [] {
            thread_local SlowThreadLocal local;
            (void)&local;
            return 3;
        },
        &ended));
    ASSERT_EQ(ThreadControl::WaitUntilEnded(ended, 10s), WaitOutcome::Ended);
    EXPECT_TRUE(ThreadControl::Close(ended));
    EXPECT_TRUE(gThreadLocalCleanedUp.load());

    auto gate = std::make_shared<Gate>();
    ThreadHandle running = 0;
    ASSERT_TRUE(ThreadControl::Start(
        [gate] { return gate->Pass(0); }, &running));
    EXPECT_TRUE(ThreadControl::Close(running));  // returns at once
    gate->Open();

    auto own = std::make_shared<std::atomic<ThreadHandle>>(0);
    auto closed = std::make_shared<std::atomic<int>>(-1);
    ThreadHandle self = 0;
    ASSERT_TRUE(ThreadControl::Start(
        [own, closed] {
            while (own->load() == 0) std::this_thread::yield();
            *closed = ThreadControl::Close(own->load()) ? 1 : 0;
            return 0;
        },
        &self));
    *own = self;
    EXPECT_TRUE(Eventually([&] { return closed->load() == 1; }));
}

TEST(ThreadControlTest, StartWithoutHandleRunsDetached) {
    auto ran = std::make_shared<std::atomic<bool>>(false);
    EXPECT_TRUE(ThreadControl::Start([ran] {
        *ran = true;
        return 0;
    }));
    EXPECT_TRUE(Eventually([&] { return ran->load(); }));

    ThreadHandle handle = 77;
    EXPECT_FALSE(ThreadControl::Start(ThreadControl::Routine(), &handle));  // nothing to run
    EXPECT_EQ(handle, 0);
}

TEST(ThreadControlTest, CurrentIdDiffersBetweenThreads) {
    const int mine = ThreadControl::CurrentId();
    EXPECT_NE(mine, 0);
    EXPECT_EQ(ThreadControl::CurrentId(), mine);
    ThreadHandle handle = 0;
    ASSERT_TRUE(ThreadControl::Start([] { return ThreadControl::CurrentId(); }, &handle));
    ThreadControl::Wait(handle, 10000);
    EXPECT_NE(ThreadControl::ExitCode(handle), 0);
    EXPECT_NE(ThreadControl::ExitCode(handle), mine);
    EXPECT_TRUE(ThreadControl::Close(handle));
}

TEST(ThreadControlTest, LockProtectsACounterAcrossTwoThreads) {
    constexpr int kRounds = 100000;
    struct Shared {
        LockHandle lock = ThreadControl::NewLock();
        long value = 0;  // plain on purpose: only the lock protects it
    };
    auto shared = std::make_shared<Shared>();
    auto add = [shared] {
        for (int i = 0; i < kRounds; ++i) {
            ThreadControl::Lock(shared->lock);
            ThreadControl::Lock(shared->lock);  // recursive, as a critical section
            ++shared->value;
            ThreadControl::Unlock(shared->lock);
            ThreadControl::Unlock(shared->lock);
        }
        return 0;
    };
    ThreadHandle a = 0;
    ThreadHandle b = 0;
    ASSERT_TRUE(ThreadControl::Start(add, &a));
    ASSERT_TRUE(ThreadControl::Start(add, &b));
    ASSERT_EQ(ThreadControl::WaitUntilEnded(a, 60s), WaitOutcome::Ended);
    ASSERT_EQ(ThreadControl::WaitUntilEnded(b, 60s), WaitOutcome::Ended);
    EXPECT_EQ(shared->value, 2L * kRounds);
    ThreadControl::Close(a);
    ThreadControl::Close(b);
    ThreadControl::DeleteLock(shared->lock);

    // A null lock is ignored.
    ThreadControl::Lock(nullptr);
    ThreadControl::Unlock(nullptr);
    ThreadControl::DeleteLock(nullptr);
}

}  // namespace
}  // namespace lumora
