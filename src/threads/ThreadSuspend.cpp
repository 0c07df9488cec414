// SPDX-License-Identifier: GPL-3.0-or-later
// Thread suspension by signal: part of the by-name surface of ThreadControl
// that the player never runs (library lumora_threads_compat).
#include "threads/ThreadControl.h"

#include "threads/ThreadRecord.h"

#include <cerrno>
#include <ctime>
#include <mutex>

#include <signal.h>

namespace lumora {

namespace {

// How long Suspend waits for the thread to stop (it might have the signal
// blocked for a while); past that, it stops as soon as it unblocks it.
constexpr int kSuspendAckSeconds = 2;

void OnSuspendSignal(int) {
    const int savedErrno = errno;
    if (ThreadRecord* self = tCurrentThread) {
        sem_post(&self->parked);
        while (sem_wait(&self->release) != 0 && errno == EINTR) {}
    }
    errno = savedErrno;
}

// Before the first signal goes out; the handler stays for the process.
void InstallSuspendHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = OnSuspendSignal;
        sigfillset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SuspendSignal(), &action, nullptr);
    });
}

}  // namespace

bool ThreadControl::Suspend(ThreadHandle handle) {
    const std::shared_ptr<ThreadRecord> record = FindThread(handle);
    if (!record) {
        return false;
    }
    std::unique_lock lock(record->mutex);
    // A thread past its end is never signalled: its pthread_t may be gone.
    if (record->Ended() || record->suspendCount++ > 0) {
        return false;
    }
    InstallSuspendHandler();
    while (sem_trywait(&record->parked) == 0) {
        // an acknowledgement that came after an earlier Suspend gave up waiting
    }
    if (pthread_equal(record->native, pthread_self())) {
        lock.unlock();                                  // whoever resumes this thread needs the lock
        pthread_kill(record->native, SuspendSignal());  // returns once resumed
        return true;
    }
    if (pthread_kill(record->native, SuspendSignal()) != 0) {
        --record->suspendCount;
        return false;
    }
    // Holding the record's lock here is safe: the thread's own end takes it,
    // but the signal interrupts that wait too.
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += kSuspendAckSeconds;
    while (sem_clockwait(&record->parked, CLOCK_MONOTONIC, &deadline) != 0 && errno == EINTR) {}
    return true;
}

bool ThreadControl::Resume(ThreadHandle handle) {
    const std::shared_ptr<ThreadRecord> record = FindThread(handle);
    if (!record) {
        return false;
    }
    std::lock_guard lock(record->mutex);
    if (record->Ended() || record->suspendCount == 0) {
        return false;
    }
    if (--record->suspendCount > 0) {
        return false;
    }
    sem_post(&record->release);
    return true;
}

}  // namespace lumora
