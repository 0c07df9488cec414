// SPDX-License-Identifier: GPL-3.0-or-later
#include "threads/WorkerChannel.h"

#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace lumora {

namespace {

std::atomic<int> abandonedWorkers{0};

}  // namespace

struct WorkerChannel::JobState {
    std::stop_source stop;
    bool alongside = false;
    bool dropped = false;    // under Core::mutex
    bool finished = false;   // under Core::mutex: the work returned
    bool abandoned = false;  // under Core::mutex: no longer counted as running
};

struct WorkerChannel::Core {
    std::mutex mutex;
    std::condition_variable idle;
    QObject* receiver = nullptr;  // null once closed
    int running = 0;
    struct Worker {
        std::thread thread;
        std::shared_ptr<JobState> job;
    };
    std::vector<Worker> workers;

    bool CurrentLocked(const JobState& job) const { return receiver && !job.dropped; }

    void DropLocked(JobState& job) {
        job.dropped = true;
        job.stop.request_stop();
    }

    // Joins the threads whose work has returned; what is left of them is
    // only the thread's own end.
    void ReapLocked() {
        std::erase_if(workers, [](Worker& worker) {
            if (!worker.job->finished) return false;
            worker.thread.join();
            return true;
        });
    }
};

WorkerChannel::Job::Job(std::shared_ptr<Core> core, std::shared_ptr<JobState> job)
    : core_(std::move(core)), job_(std::move(job)) {}

std::stop_token WorkerChannel::Job::StopToken() const { return job_->stop.get_token(); }

bool WorkerChannel::Job::Current() const {
    std::lock_guard<std::mutex> lock(core_->mutex);
    return core_->CurrentLocked(*job_);
}

void WorkerChannel::Job::Post(std::function<void()> call) const {
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (!core_->CurrentLocked(*job_)) return;
    // Checked again on arrival: the job may have been dropped meanwhile.
    // Close runs on the receiver's thread, so a call that finds the job
    // current there runs before any Close can return.
    QMetaObject::invokeMethod(
        core_->receiver,
        [core = core_, job = job_, call = std::move(call)] {
            {
                std::lock_guard<std::mutex> lock(core->mutex);
                if (!core->CurrentLocked(*job)) return;
            }
            call();
        },
        Qt::QueuedConnection);
}

WorkerChannel::WorkerChannel(QObject& receiver) : core_(std::make_shared<Core>()) { core_->receiver = &receiver; }

WorkerChannel::~WorkerChannel() { Close(); }

bool WorkerChannel::Start(std::function<void(const Job&)> work, Mode mode) {
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (!core_->receiver) return false;
    core_->ReapLocked();
    if (mode == Mode::Supersede)
        for (Core::Worker& worker : core_->workers)
            if (!worker.job->alongside) core_->DropLocked(*worker.job);

    auto job = std::make_shared<JobState>();
    job->alongside = mode == Mode::Alongside;
    std::thread thread;
    try {
        thread = std::thread([core = core_, job, work = std::move(work)]() mutable {
            try {
                const Job handle(core, job);
                work(handle);
            } catch (...) {
                // A job that fails posts nothing more; the thread still ends cleanly.
            }
            work = nullptr;  // its captures go before the job counts as finished
            std::lock_guard<std::mutex> lock(core->mutex);
            job->finished = true;
            if (!job->abandoned) --core->running;
            core->idle.notify_all();
        });
    } catch (const std::system_error&) {
        return false;
    }
    ++core_->running;
    core_->workers.push_back({std::move(thread), std::move(job)});
    return true;
}

void WorkerChannel::Supersede() {
    std::lock_guard<std::mutex> lock(core_->mutex);
    for (Core::Worker& worker : core_->workers)
        if (!worker.job->alongside) core_->DropLocked(*worker.job);
}

void WorkerChannel::Close(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(core_->mutex);
    core_->receiver = nullptr;
    for (Core::Worker& worker : core_->workers) core_->DropLocked(*worker.job);
    core_->idle.wait_for(lock, limit, [this] { return core_->running == 0; });
    core_->ReapLocked();
    for (Core::Worker& worker : core_->workers) {
        worker.job->abandoned = true;
        --core_->running;
        worker.thread.detach();
        ++abandonedWorkers;
    }
    core_->workers.clear();
}

int WorkerChannel::Running() const {
    std::lock_guard<std::mutex> lock(core_->mutex);
    return core_->running;
}

int AbandonedWorkers() { return abandonedWorkers.load(); }

}  // namespace lumora
