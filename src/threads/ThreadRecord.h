// SPDX-License-Identifier: GPL-3.0-or-later
// What the thread registry (ThreadControl.cpp) and thread suspension
// (ThreadSuspend.cpp) share about one started thread.
#pragma once

#include "threads/PumpWait.h"
#include "threads/ThreadControl.h"

#include <memory>
#include <mutex>
#include <thread>

#include <pthread.h>
#include <semaphore.h>

namespace lumora {

// Everything known about one started thread. Shared by the registry (while
// the handle is open) and by the thread itself (while it runs).
struct ThreadRecord {
    ThreadRecord() {
        sem_init(&parked, 0, 0);
        sem_init(&release, 0, 0);
    }
    ~ThreadRecord() {
        if (thread.joinable()) thread.detach();
        sem_destroy(&parked);
        sem_destroy(&release);
    }
    ThreadRecord(const ThreadRecord&) = delete;
    ThreadRecord& operator=(const ThreadRecord&) = delete;

    bool Ended() const { return finished || abandoned; }

    // Lets a stopped thread go on and clears its count; `mutex` held.
    void ReleaseSuspension() {
        if (suspendCount > 0) {
            suspendCount = 0;
            sem_post(&release);
        }
    }

    std::mutex mutex;  // guards the fields below except the semaphores and `ended`
    pthread_t native{};
    std::thread thread;  // joined by Close once the routine has returned, else let go
    bool finished = false;   // the routine has returned
    bool abandoned = false;  // Terminate gave up on it
    int exitCode = kStillRunning;
    int suspendCount = 0;

    sem_t parked;   // posted by the thread once it has stopped in the signal handler
    sem_t release;  // posted to let a stopped thread go on
    WakeSignal ended;
};

// The record of an open handle; null for an invalid one.
std::shared_ptr<ThreadRecord> FindThread(ThreadHandle handle);

// Set by each started thread while it runs its routine, for the suspend
// signal's handler; a plain pointer without dynamic initialisation, so
// reading it in the handler is safe.
extern constinit thread_local ThreadRecord* tCurrentThread;

// The signal that parks a thread. Started threads take it only once
// tCurrentThread is set.
int SuspendSignal();

}  // namespace lumora
