// SPDX-License-Identifier: GPL-3.0-or-later
// Worker threads, recursive locks and waits that keep the calling thread's
// event loop running.
//
// Threads are std::threads that always run detached; a thread is known to the
// caller only by a small integer handle from a process-wide registry. Handles
// count up from 1 and are never reused within a run, so a closed handle stays
// invalid for good. Each thread's record is shared between the registry and
// the thread itself, so Close and Terminate never free state a running thread
// still uses.
#pragma once

#include <chrono>
#include <concepts>
#include <functional>
#include <utility>

#include "threads/PumpWait.h"

namespace lumora {

// 0 is never a valid handle.
using ThreadHandle = int;

// A recursive lock (a thread may take it again while holding it), owned by
// the caller from NewLock to DeleteLock.
struct ThreadLock;
using LockHandle = ThreadLock*;

// Exit code read while a thread still runs.
inline constexpr int kStillRunning = 259;

// Stateless: every operation is static, and instances (which callers may
// create and copy freely) only give a place to call them from. Every
// operation is thread-safe.
class ThreadControl {
public:
    using Routine = std::function<int()>;

    // Starts `routine` on a new thread at once; its return value becomes the
    // thread's exit code (an escaping exception counts as exit code 0).
    // `*handle` is set to 0 first, then to the new thread's handle, which the
    // caller then owns and must Close. Without `handle` the thread runs
    // unobserved. False (handle 0) when no thread could be created.
    static bool Start(Routine routine, ThreadHandle* handle = nullptr);

    // The same with the routine's one parameter passed separately; the
    // parameter is moved into the thread and handed to `routine` there.
    template <class R, class P>
    requires std::invocable<R&, P&> &&
        (!std::same_as<std::decay_t<P>, ThreadHandle*>)static bool Start(R routine, P parameter,
                                                                         ThreadHandle* handle = nullptr) {
        return Start(Routine([routine = std::move(routine), parameter = std::move(parameter)]() mutable {
                         return static_cast<int>(routine(parameter));
                     }),
                     handle);
    }

    // A new lock; DeleteLock it once, when no thread holds it or waits for it.
    // Lock, Unlock and DeleteLock ignore a null handle.
    static LockHandle NewLock();
    static void DeleteLock(LockHandle lock);
    static void Lock(LockHandle lock);
    static void Unlock(LockHandle lock);

    // Waits until the thread ends or `timeoutMs` passes, counted from the
    // call, while the calling thread's events (timers, input, queued calls)
    // keep being handled. Reports nothing: ask State afterwards. Returns at
    // once for an invalid handle; a negative time-out counts as 0.
    static void Wait(ThreadHandle handle, int timeoutMs = 5000);

    // The same wait, saying why it returned. An invalid handle, or a thread
    // that has ended or been terminated, gives Ended at once.
    static WaitOutcome WaitUntilEnded(ThreadHandle handle, std::chrono::milliseconds limit);

    // Suspend and Resume are the by-name surface's thread suspension, which
    // the player never runs; they are built in ThreadSuspend.cpp (library
    // lumora_threads_compat).
    //
    // Suspension is counted: Suspend is true when the thread had been
    // running (previous count 0) and then does not return before the thread
    // has stopped; Resume is true when the previous count was exactly 1, that
    // is, when the thread runs again now. Both are false on an invalid handle
    // or a thread that has ended or been terminated.
    //
    // A suspended thread is parked inside the handler of a real-time signal
    // (SIGRTMIN + 5). It stops wherever it is, possibly holding a lock that
    // other threads need, so suspend only threads whose code you know. A
    // system call it was blocked in may return EINTR once it resumes.
    static bool Suspend(ThreadHandle handle);
    static bool Resume(ThreadHandle handle);

    // kStillRunning while the thread runs, its routine's return value after;
    // 0 after Terminate or for an invalid handle.
    static int ExitCode(ThreadHandle handle);

    // 0: no such thread (closed or never created); 2: running; 1: ended or
    // terminated. A routine that returns 259 still reads as ended.
    static int State(ThreadHandle handle);

    // A thread cannot be killed safely here, so Terminate abandons it: from
    // now on the handle reads ended with exit code 0, waits on it end, and its
    // routine's result is never recorded. The routine itself runs on until it
    // returns (a suspended one is released to do so). True for any valid
    // handle; does nothing to a thread that has already ended.
    static bool Terminate(ThreadHandle handle);

    // Invalidates the handle (State reads 0 afterwards); false when it was
    // not valid. A thread still running goes on unobserved; one left
    // suspended is released, since nobody could resume it any more.
    static bool Close(ThreadHandle handle);

    // The calling thread's system thread id.
    static int CurrentId();
};

}  // namespace lumora
