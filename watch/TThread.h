// SPDX-License-Identifier: MIT
#pragma once
// Our thread facility: a thread object created suspended (parked), with a priority, a termination request,
// free-on-terminate and a synchronous hand-off to the main thread.
//
// Ownership is decided here and nowhere else: Launch() hands the object to the process-wide thread
// registry. With free-on-terminate set, the object is destroyed on its own thread as soon as Execute
// returns; the registry joins finished threads, and WaitForThreads() joins all of them, so no thread
// outlives main. Whoever launched a thread keeps only a non-owning pointer, valid until it requests
// termination and releases the thread for the last time.
//
// Park() is called by the thread itself; Release(), Terminate() and SetPriority() by the main thread. A
// free-on-terminate thread that may be parked is ended with TerminateAndRelease(): a separate Terminate()
// and Release() would touch it after it may have freed itself.

#include "watch/MainThreadQueue.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace tervane {

enum class TThreadPriority
{
    tpIdle,
    tpLowest,
    tpLower,
    tpNormal,
    tpHigher,
    tpHighest,
    tpTimeCritical,
};

class TThread
{
public:
    /// Starts the thread at once; with CreateSuspended it waits for the first Release before Execute runs.
    static void Launch(std::unique_ptr<TThread> thread);

    virtual ~TThread() = default;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    /// Lets a parked (or suspended) thread run. Releases do not accumulate: one release ends one park,
    /// however many came before it, and a release that comes before the park is not lost.
    void Release();
    void Terminate() { m_terminated.store(true, std::memory_order_release); }
    /// Requests termination and releases in one step. After this call the thread may free itself at any
    /// moment, so the caller must not touch it again.
    void TerminateAndRelease();
    [[nodiscard]] bool Terminated() const { return m_terminated.load(std::memory_order_acquire); }

    void SetFreeOnTerminate(bool value) { m_freeOnTerminate = value; }
    [[nodiscard]] bool FreeOnTerminate() const { return m_freeOnTerminate; }

    /// Best effort on Linux: raising priority needs privileges the program rarely has.
    void SetPriority(TThreadPriority priority);
    [[nodiscard]] TThreadPriority Priority() const { return m_priority.load(); }

    /// Whether the thread is blocked in Park() right now (for tests and diagnostics).
    [[nodiscard]] bool Parked() const;

protected:
    explicit TThread(bool CreateSuspended);

    virtual void Execute() = 0;

    /// Blocks the calling thread (which must be this thread) until released.
    void Park();

    /// Runs `method` on the main thread and waits until it has run or `owner` revoked it.
    HandOffResult Synchronize(const void* owner, std::function<void()> method);

private:
    static void Run(TThread* self);
    void applyPriority();

    bool m_createSuspended;
    bool m_freeOnTerminate = false;
    std::atomic<bool> m_terminated{false};
    std::atomic<TThreadPriority> m_priority{TThreadPriority::tpNormal};
    std::atomic<int> m_tid{0};

    mutable std::mutex m_parkMutex;
    std::condition_variable m_parkCv;
    bool m_released = false;
    bool m_parked = false;
};

/// Joins every thread launched so far, serving their pending hand-offs meanwhile; they must all be on
/// their way to ending. Main thread only: called at the end of main and by tests that count threads.
void WaitForThreads();

/// Number of launched threads whose body has not yet returned.
int LiveThreadCount();

} // namespace tervane
