// SPDX-License-Identifier: GPL-3.0-or-later
#include "threads/ThreadControl.h"

#include "threads/ThreadRecord.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

namespace lumora {

struct ThreadLock {
    std::recursive_mutex mutex;
};

constinit thread_local ThreadRecord* tCurrentThread = nullptr;

int SuspendSignal() { return SIGRTMIN + 5; }

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<ThreadHandle, std::shared_ptr<ThreadRecord>> threads;
    ThreadHandle last = 0;
};

// Never destroyed, so detached threads and late callers can use it during exit.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

void SetSuspendSignalBlocked(bool blocked, sigset_t* previous = nullptr) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SuspendSignal());
    pthread_sigmask(blocked ? SIG_BLOCK : SIG_UNBLOCK, &set, previous);
}

void RunThread(std::shared_ptr<ThreadRecord> record, ThreadControl::Routine routine) {
    tCurrentThread = record.get();
    SetSuspendSignalBlocked(false);  // Start blocked it until tCurrentThread was set

    int code = 0;
    try {
        code = routine();
    } catch (...) {
        code = 0;
    }
    routine = nullptr;  // what the routine holds is released before its end is reported

    {
        std::lock_guard lock(record->mutex);
        record->finished = true;
        if (!record->abandoned) {
            record->exitCode = code;
        }
    }
    record->ended.Notify();

    SetSuspendSignalBlocked(true);
    tCurrentThread = nullptr;
}

}  // namespace

std::shared_ptr<ThreadRecord> FindThread(ThreadHandle handle) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const auto found = registry.threads.find(handle);
    return found == registry.threads.end() ? nullptr : found->second;
}

bool ThreadControl::Start(Routine routine, ThreadHandle* handle) {
    if (handle != nullptr) {
        *handle = 0;
    }
    if (!routine) {
        return false;
    }
    auto record = std::make_shared<ThreadRecord>();

    // The new thread inherits this mask: it must not take the suspend signal
    // before it has registered itself for the handler.
    sigset_t previous;
    SetSuspendSignalBlocked(true, &previous);
    try {
        std::thread thread(RunThread, record, std::move(routine));
        record->native = thread.native_handle();
        // Kept while a handle is open, so Close can wait for the end of a
        // thread whose routine has returned: its thread-local clean-up (a
        // TLS library's, say) must not meet the process's clean-up at exit.
        if (handle != nullptr)
            record->thread = std::move(thread);
        else
            thread.detach();
    } catch (...) {  // std::system_error when the system has no thread to give
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return false;
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);

    if (handle != nullptr) {
        Registry& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        *handle = ++registry.last;
        registry.threads.emplace(*handle, std::move(record));
    }
    return true;
}

LockHandle ThreadControl::NewLock() { return new ThreadLock; }

void ThreadControl::DeleteLock(LockHandle lock) { delete lock; }

void ThreadControl::Lock(LockHandle lock) {
    if (lock != nullptr) {
        lock->mutex.lock();
    }
}

void ThreadControl::Unlock(LockHandle lock) {
    if (lock != nullptr) {
        lock->mutex.unlock();
    }
}

void ThreadControl::Wait(ThreadHandle handle, int timeoutMs) {
    WaitUntilEnded(handle, std::chrono::milliseconds(std::max(timeoutMs, 0)));
}

WaitOutcome ThreadControl::WaitUntilEnded(ThreadHandle handle, std::chrono::milliseconds limit) {
    const std::shared_ptr<ThreadRecord> record = FindThread(handle);
    if (!record) {
        return WaitOutcome::Ended;
    }
    return PumpUntil(
        [&record] {
            std::lock_guard lock(record->mutex);
            return record->Ended();
        },
        limit, record->ended);
}

int ThreadControl::ExitCode(ThreadHandle handle) {
    const std::shared_ptr<ThreadRecord> record = FindThread(handle);
    if (!record) {
        return 0;
    }
    std::lock_guard lock(record->mutex);
    return record->exitCode;
}

int ThreadControl::State(ThreadHandle handle) {
    const std::shared_ptr<ThreadRecord> record = FindThread(handle);
    if (!record) {
        return 0;
    }
    std::lock_guard lock(record->mutex);
    return record->Ended() ? 1 : 2;
}

bool ThreadControl::Terminate(ThreadHandle handle) {
    const std::shared_ptr<ThreadRecord> record = FindThread(handle);
    if (!record) {
        return false;
    }
    {
        std::lock_guard lock(record->mutex);
        if (record->Ended()) {
            return true;
        }
        record->abandoned = true;
        record->exitCode = 0;
        record->ReleaseSuspension();
    }
    record->ended.Notify();  // waits on this handle are over
    return true;
}

bool ThreadControl::Close(ThreadHandle handle) {
    std::shared_ptr<ThreadRecord> record;
    {
        Registry& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        const auto found = registry.threads.find(handle);
        if (found == registry.threads.end()) {
            return false;
        }
        record = std::move(found->second);
        registry.threads.erase(found);
    }
    std::thread thread;
    {
        std::lock_guard lock(record->mutex);
        record->ReleaseSuspension();
        if (record->finished && record->thread.get_id() != std::this_thread::get_id())
            thread = std::move(record->thread);
    }
    // Only the thread's own exit is left: a short wait.
    if (thread.joinable()) thread.join();
    return true;
}

int ThreadControl::CurrentId() { return static_cast<int>(gettid()); }

}  // namespace lumora
