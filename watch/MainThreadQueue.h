// SPDX-License-Identifier: MIT
#pragma once
// The synchronous hand-off from worker threads to the main thread. A worker queues a call and blocks until
// the main thread has run it (or its owner revoked it); the main thread serves calls one at a time through
// CheckSynchronize. Front ends install a waker so their event loop calls CheckSynchronize when work arrives.
// Any thread may queue; only the main thread serves and revokes.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

namespace tervane {

enum class HandOffResult
{
    Ran,     ///< the call ran on the main thread (it may have thrown; the exception stays on the main thread)
    Revoked, ///< its owner revoked it before it ran; it never will
};

class MainThreadQueue
{
public:
    static MainThreadQueue& instance();

    /// Worker side: runs `call` on the main thread and waits. `owner` names who may revoke it.
    HandOffResult synchronize(const void* owner, std::function<void()> call);

    /// Main side: serves pending calls one at a time, waiting up to `timeout` for the first one.
    /// Returns true when at least one call ran. An exception thrown by a call is rethrown here, after its
    /// worker has been released, so a failing handler never leaves a worker blocked.
    bool checkSynchronize(std::chrono::milliseconds timeout = std::chrono::milliseconds(0));

    /// Main side: every pending call of `owner` completes as Revoked without running. Calls that owner
    /// queues afterwards are served normally.
    void revoke(const void* owner);

    /// Called from the queuing thread each time a call is queued; must be thread-safe and must not block.
    void setWaker(std::function<void()> waker);

    [[nodiscard]] std::size_t pending() const;

private:
    struct Call
    {
        const void* owner = nullptr;
        std::function<void()> fn;
        bool done = false;
        HandOffResult result = HandOffResult::Revoked;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_queued; // main thread waits for work
    std::condition_variable m_served; // workers wait for their call
    std::deque<std::shared_ptr<Call>> m_calls;
    std::function<void()> m_waker;
};

/// The classic entry point: serve pending hand-offs on the main thread.
inline bool CheckSynchronize(std::chrono::milliseconds timeout = std::chrono::milliseconds(0))
{
    return MainThreadQueue::instance().checkSynchronize(timeout);
}

} // namespace tervane
