// SPDX-License-Identifier: MIT
#include "watch/MainThreadQueue.h"

#include <algorithm>

namespace tervane {

MainThreadQueue& MainThreadQueue::instance()
{
    static MainThreadQueue queue;
    return queue;
}

HandOffResult MainThreadQueue::synchronize(const void* owner, std::function<void()> call)
{
    auto entry = std::make_shared<Call>();
    entry->owner = owner;
    entry->fn = std::move(call);
    std::function<void()> waker;
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(entry);
        waker = m_waker;
    }
    m_queued.notify_one();
    if (waker) {
        waker();
    }
    std::unique_lock lock(m_mutex);
    m_served.wait(lock, [&] { return entry->done; });
    return entry->result;
}

bool MainThreadQueue::checkSynchronize(std::chrono::milliseconds timeout)
{
    bool ranAny = false;
    for (;;) {
        std::shared_ptr<Call> entry;
        {
            std::unique_lock lock(m_mutex);
            if (!ranAny && timeout.count() > 0) {
                m_queued.wait_for(lock, timeout, [&] { return !m_calls.empty(); });
            }
            if (m_calls.empty()) {
                return ranAny;
            }
            entry = m_calls.front();
            m_calls.pop_front();
        }
        std::exception_ptr failure;
        try {
            entry->fn();
        } catch (...) {
            failure = std::current_exception();
        }
        {
            std::lock_guard lock(m_mutex);
            entry->done = true;
            entry->result = HandOffResult::Ran;
            entry->fn = nullptr;
        }
        m_served.notify_all();
        ranAny = true;
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
}

void MainThreadQueue::revoke(const void* owner)
{
    {
        std::lock_guard lock(m_mutex);
        auto revoked = std::stable_partition(m_calls.begin(), m_calls.end(),
                                             [owner](const auto& call) { return call->owner != owner; });
        for (auto it = revoked; it != m_calls.end(); ++it) {
            (*it)->done = true;
            (*it)->result = HandOffResult::Revoked;
        }
        m_calls.erase(revoked, m_calls.end());
    }
    m_served.notify_all();
}

void MainThreadQueue::setWaker(std::function<void()> waker)
{
    std::lock_guard lock(m_mutex);
    m_waker = std::move(waker);
}

std::size_t MainThreadQueue::pending() const
{
    std::lock_guard lock(m_mutex);
    return m_calls.size();
}

} // namespace tervane
