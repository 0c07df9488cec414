#include "threads/ThreadControl.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include <pthread.h>
#include <semaphore.h>
#include <signal.h>
#include <unistd.h>

namespace lumora {

struct ThreadLock {
    std::recursive_mutex mutex;
};

namespace {

// Everything known about one started thread. Shared by the registry (while
// the handle is open) and by the thread itself (while it runs).
struct ThreadRecord {
    ThreadRecord()
    {
        sem_init(&parked, 0, 0);
        sem_init(&release, 0, 0);
    }
    ~ThreadRecord()
    {
        sem_destroy(&parked);
        sem_destroy(&release);
    }
    ThreadRecord(const ThreadRecord&) = delete;
    ThreadRecord& operator=(const ThreadRecord&) = delete;

    bool Ended() const { return finished || abandoned; }

    std::mutex mutex; // guards the fields below except the semaphores and `ended`
    pthread_t native{};
    bool finished = false;  // the routine has returned
    bool abandoned = false; // Terminate gave up on it
    int exitCode = kStillRunning;
    int suspendCount = 0;

    sem_t parked;  // posted by the thread once it has stopped in the signal handler
    sem_t release; // posted to let a stopped thread go on
    WakeSignal ended;
};

struct Registry {
    std::mutex mutex;
    std::unordered_map<ThreadHandle, std::shared_ptr<ThreadRecord>> threads;
    ThreadHandle last = 0;
};

// Never destroyed, so detached threads and late callers can use it during exit.
Registry& TheRegistry()
{
    static Registry* registry = new Registry;
    return *registry;
}

std::shared_ptr<ThreadRecord> Find(ThreadHandle handle)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const auto found = registry.threads.find(handle);
    return found == registry.threads.end() ? nullptr : found->second;
}

// Set by each started thread for the signal handler; plain pointer, no
// dynamic initialisation, so reading it in the handler is safe.
thread_local ThreadRecord* tCurrent = nullptr;

int SuspendSignal()
{
    return SIGRTMIN + 5;
}

void OnSuspendSignal(int)
{
    const int savedErrno = errno;
    if (ThreadRecord* self = tCurrent) {
        sem_post(&self->parked);
        while (sem_wait(&self->release) != 0 && errno == EINTR) {
        }
    }
    errno = savedErrno;
}

void InstallSuspendHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = OnSuspendSignal;
        sigfillset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SuspendSignal(), &action, nullptr);
    });
}

void SetSuspendSignalBlocked(bool blocked, sigset_t* previous = nullptr)
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SuspendSignal());
    pthread_sigmask(blocked ? SIG_BLOCK : SIG_UNBLOCK, &set, previous);
}

// Lets a stopped thread go on and clears its count; record mutex held.
void ReleaseSuspension(ThreadRecord& record)
{
    if (record.suspendCount > 0) {
        record.suspendCount = 0;
        sem_post(&record.release);
    }
}

void RunThread(std::shared_ptr<ThreadRecord> record, ThreadControl::Routine routine)
{
    tCurrent = record.get();
    SetSuspendSignalBlocked(false); // Start blocked it until tCurrent was set

    int code = 0;
    try {
        code = routine();
    } catch (...) {
        code = 0;
    }
    routine = nullptr; // what the routine holds is released before its end is reported

    {
        std::lock_guard lock(record->mutex);
        record->finished = true;
        if (!record->abandoned) {
            record->exitCode = code;
        }
    }
    record->ended.Notify();

    SetSuspendSignalBlocked(true);
    tCurrent = nullptr;
}

// How long Suspend waits for the thread to stop (it might have the signal
// blocked for a while); past that, it stops as soon as it unblocks it.
constexpr int kSuspendAckSeconds = 2;

} // namespace

bool ThreadControl::Start(Routine routine, ThreadHandle* handle)
{
    if (handle != nullptr) {
        *handle = 0;
    }
    if (!routine) {
        return false;
    }
    InstallSuspendHandler();
    auto record = std::make_shared<ThreadRecord>();

    // The new thread inherits this mask: it must not take the suspend signal
    // before it has registered itself for the handler.
    sigset_t previous;
    SetSuspendSignalBlocked(true, &previous);
    try {
        std::thread thread(RunThread, record, std::move(routine));
        record->native = thread.native_handle();
        thread.detach();
    } catch (...) { // std::system_error when the system has no thread to give
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

LockHandle ThreadControl::NewLock()
{
    return new ThreadLock;
}

void ThreadControl::DeleteLock(LockHandle lock)
{
    delete lock;
}

void ThreadControl::Lock(LockHandle lock)
{
    if (lock != nullptr) {
        lock->mutex.lock();
    }
}

void ThreadControl::Unlock(LockHandle lock)
{
    if (lock != nullptr) {
        lock->mutex.unlock();
    }
}

void ThreadControl::Wait(ThreadHandle handle, int timeoutMs)
{
    WaitUntilEnded(handle, std::chrono::milliseconds(std::max(timeoutMs, 0)));
}

WaitOutcome ThreadControl::WaitUntilEnded(ThreadHandle handle, std::chrono::milliseconds limit)
{
    const std::shared_ptr<ThreadRecord> record = Find(handle);
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

bool ThreadControl::Suspend(ThreadHandle handle)
{
    const std::shared_ptr<ThreadRecord> record = Find(handle);
    if (!record) {
        return false;
    }
    std::unique_lock lock(record->mutex);
    // A thread past its end is never signalled: its pthread_t may be gone.
    if (record->Ended() || record->suspendCount++ > 0) {
        return false;
    }
    while (sem_trywait(&record->parked) == 0) {
        // an acknowledgement that came after an earlier Suspend gave up waiting
    }
    if (pthread_equal(record->native, pthread_self())) {
        lock.unlock(); // whoever resumes this thread needs the lock
        pthread_kill(record->native, SuspendSignal()); // returns once resumed
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
    while (sem_clockwait(&record->parked, CLOCK_MONOTONIC, &deadline) != 0 && errno == EINTR) {
    }
    return true;
}

bool ThreadControl::Resume(ThreadHandle handle)
{
    const std::shared_ptr<ThreadRecord> record = Find(handle);
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

int ThreadControl::ExitCode(ThreadHandle handle)
{
    const std::shared_ptr<ThreadRecord> record = Find(handle);
    if (!record) {
        return 0;
    }
    std::lock_guard lock(record->mutex);
    return record->exitCode;
}

int ThreadControl::State(ThreadHandle handle)
{
    const std::shared_ptr<ThreadRecord> record = Find(handle);
    if (!record) {
        return 0;
    }
    std::lock_guard lock(record->mutex);
    return record->Ended() ? 1 : 2;
}

bool ThreadControl::Terminate(ThreadHandle handle)
{
    const std::shared_ptr<ThreadRecord> record = Find(handle);
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
        ReleaseSuspension(*record);
    }
    record->ended.Notify(); // waits on this handle are over
    return true;
}

bool ThreadControl::Close(ThreadHandle handle)
{
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
    std::lock_guard lock(record->mutex);
    ReleaseSuspension(*record);
    return true;
}

int ThreadControl::CurrentId()
{
    return static_cast<int>(gettid());
}

} // namespace lumora
