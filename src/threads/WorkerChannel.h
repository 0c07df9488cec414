// SPDX-License-Identifier: GPL-3.0-or-later
// Work that runs off the GUI thread and brings its result back to it.
//
// A WorkerChannel serves one receiver (a QObject of the GUI thread) and one
// kind of request. Start runs a job on a thread of its own; every call the
// job posts runs later on the receiver's thread, in the order posted, unless
// by then the job is no longer current:
//   - a newer job of the channel superseded it (Mode::Supersede), or
//     Supersede() was called;
//   - the channel was closed (Close, or its destructor).
// A job that stops being current also has its stop token requested, so a
// request it is waiting on can end early (PageRequestArgs::stop).
//
// Close stops every job, waits for them up to a time limit and joins them.
// A job still running after the limit is abandoned: it holds only its own
// shared state, posts nothing, and is counted in AbandonedWorkers(), which
// the program checks before it ends through its destructors.
//
// Start, Supersede, Close and Running are for the receiver's thread; the
// job's own handle may be used from its thread only.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>
#include <utility>

class QObject;

namespace lumora {

class WorkerChannel {
public:
    struct Core;
    struct JobState;

    // What a job holds while it runs.
    class Job {
    public:
        Job(std::shared_ptr<Core> core, std::shared_ptr<JobState> job);
        // Requested once the job is superseded or the channel closed.
        std::stop_token StopToken() const;
        // Neither superseded nor closed (yet).
        bool Current() const;
        // Runs `call` on the receiver's thread if the job is still current
        // then; dropped otherwise.
        void Post(std::function<void()> call) const;

    private:
        std::shared_ptr<Core> core_;
        std::shared_ptr<JobState> job_;
    };

    enum class Mode {
        Supersede,  // drops every earlier job of the channel
        Alongside,  // runs beside the others; ended only by Close
    };

    static constexpr std::chrono::milliseconds kCloseLimit{5000};

    explicit WorkerChannel(QObject& receiver);
    ~WorkerChannel();  // Close()
    WorkerChannel(const WorkerChannel&) = delete;
    WorkerChannel& operator=(const WorkerChannel&) = delete;

    // Runs `work` on a new thread. False, with nothing started, when no
    // thread can be had or the channel is closed.
    bool Start(std::function<void(const Job&)> work, Mode mode = Mode::Supersede);

    // The common case: `work` computes a result off the GUI thread,
    // `deliver` takes it on the receiver's thread if the job is still
    // current by then.
    template <typename Work, typename Deliver>
    bool Run(Work work, Deliver deliver, Mode mode = Mode::Supersede) {
        return Start(
            [work = std::move(work), deliver = std::move(deliver)](const Job& job) mutable {
                auto result = work(job.StopToken());
                job.Post([deliver = std::move(deliver), result = std::move(result)]() mutable {
                    deliver(std::move(result));
                });
            },
            mode);
    }

    // Drops every job started so far: they post nothing more.
    void Supersede();
    // Stops every job and joins them, waiting at most `limit` in all; nothing
    // is posted after this returns. Later Starts fail.
    void Close(std::chrono::milliseconds limit = kCloseLimit);
    // Jobs whose threads have not finished yet.
    int Running() const;

private:
    std::shared_ptr<Core> core_;
};

// Jobs of any channel left running when their channel closed.
int AbandonedWorkers();

}  // namespace lumora
