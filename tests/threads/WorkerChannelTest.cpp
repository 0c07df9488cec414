// SPDX-License-Identifier: GPL-3.0-or-later
// WorkerChannel: results reach the receiver's thread in order, a newer job
// drops what an older one brings back late, and Close stops, joins and
// silences every job, also one that is stuck waiting.
#include "threads/WorkerChannel.h"
#include "EventWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace lumora {
namespace {

using namespace std::chrono_literals;

using test::WaitUntil;

// Waits, off the GUI thread, until `stop` is requested or `limit` passes.
bool SleepUnlessStopped(const std::stop_token& stop, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (stop.stop_requested()) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

TEST(WorkerChannelTest, ResultsArriveOnTheReceiversThreadInOrder) {
    QObject receiver;
    WorkerChannel channel(receiver);
    std::vector<int> got;
    std::vector<bool> onGuiThread;
    ASSERT_TRUE(channel.Start([&](const WorkerChannel::Job& job) {
        EXPECT_NE(QThread::currentThread(), receiver.thread());
        for (int i = 0; i < 50; ++i)
            job.Post([&, i] {
                got.push_back(i);
                onGuiThread.push_back(QThread::currentThread() == receiver.thread());
            });
    }));
    ASSERT_TRUE(WaitUntil([&] { return got.size() == 50 && channel.Running() == 0; }));
    for (int i = 0; i < 50; ++i) EXPECT_EQ(got[i], i);
    EXPECT_EQ(std::count(onGuiThread.begin(), onGuiThread.end(), false), 0);
}

TEST(WorkerChannelTest, ANewerJobDropsWhatTheOlderBringsBackLate) {
    QObject receiver;
    WorkerChannel channel(receiver);
    std::vector<std::string> got;
    std::atomic<bool> olderStopped{false};
    // The older job ignores its stop token and answers late all the same.
    channel.Run(
        [&](std::stop_token stop) {
            std::this_thread::sleep_for(150ms);
            olderStopped = stop.stop_requested();
            return std::string("older");
        },
        [&](std::string result) { got.push_back(result); });
    channel.Run([](std::stop_token) { return std::string("newer"); },
                [&](std::string result) { got.push_back(result); });
    ASSERT_TRUE(WaitUntil([&] { return channel.Running() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(got, std::vector<std::string>{"newer"});
    EXPECT_TRUE(olderStopped);

    // Supersede alone drops the job running; a job beside the others does
    // not drop them and is not dropped.
    got.clear();
    channel.Run([](std::stop_token stop) { return SleepUnlessStopped(stop, 200ms) ? "kept" : "stopped"; },
                [&](const char* r) { got.push_back(r); });
    channel.Run([](std::stop_token stop) { return SleepUnlessStopped(stop, 200ms) ? "beside" : "stopped"; },
                [&](const char* r) { got.push_back(r); }, WorkerChannel::Mode::Alongside);
    channel.Supersede();
    ASSERT_TRUE(WaitUntil([&] { return channel.Running() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(got, std::vector<std::string>{"beside"});
}

TEST(WorkerChannelTest, CloseStopsAndJoinsAndNothingArrivesAfterIt) {
    auto receiver = std::make_unique<QObject>();
    WorkerChannel channel(*receiver);
    std::atomic<int> stopped{0};
    int delivered = 0;
    for (int i = 0; i < 3; ++i)
        channel.Start(
            [&](const WorkerChannel::Job& job) {
                // A job stuck on the network until it is told to stop.
                if (!SleepUnlessStopped(job.StopToken(), 30s)) ++stopped;
                job.Post([&] { ++delivered; });
            },
            WorkerChannel::Mode::Alongside);
    // One that answered before the close, its call still queued.
    channel.Start([](const WorkerChannel::Job& job) { job.Post([] { ADD_FAILURE() << "delivered after Close"; }); },
                  WorkerChannel::Mode::Alongside);
    while (channel.Running() > 3) std::this_thread::sleep_for(1ms);

    QElapsedTimer clock;
    clock.start();
    const int abandonedBefore = AbandonedWorkers();
    channel.Close();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(channel.Running(), 0);
    EXPECT_EQ(stopped.load(), 3);
    EXPECT_EQ(AbandonedWorkers(), abandonedBefore);
    EXPECT_FALSE(channel.Start([](const WorkerChannel::Job&) {}));
    QCoreApplication::processEvents();
    receiver.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
}

TEST(WorkerChannelTest, AJobThatIgnoresTheStopIsAbandonedAfterTheLimit) {
    QObject receiver;
    auto release = std::make_shared<std::atomic<bool>>(false);
    const int abandonedBefore = AbandonedWorkers();
    {
        WorkerChannel channel(receiver);
        channel.Start([release](const WorkerChannel::Job& job) {
            while (!*release) std::this_thread::sleep_for(1ms);
            job.Post([] { ADD_FAILURE() << "an abandoned job posted"; });
        });
        QElapsedTimer clock;
        clock.start();
        channel.Close(100ms);
        EXPECT_LT(clock.elapsed(), 1000);
    }
    EXPECT_EQ(AbandonedWorkers(), abandonedBefore + 1);
    // Let it end: it holds only its own state.
    *release = true;
    std::this_thread::sleep_for(50ms);
    QCoreApplication::processEvents();
}

}  // namespace
}  // namespace lumora
