// SPDX-License-Identifier: MIT
#include "platform/linux/CompletionPort.h"

#include <chrono>

namespace tervane::platform {

bool CompletionPort::post(const Completion& completion)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return false;
        }
        m_queue.push_back(completion);
    }
    m_ready.notify_one();
    return true;
}

bool CompletionPort::wait(Completion& completion, DWORD milliseconds)
{
    std::unique_lock lock(m_mutex);
    const auto ready = [this] { return m_closed || !m_queue.empty(); };
    if (milliseconds == INFINITE) {
        m_ready.wait(lock, ready);
    } else if (!m_ready.wait_for(lock, std::chrono::milliseconds(milliseconds), ready)) {
        return false;
    }
    if (m_closed) {
        return false;
    }
    completion = m_queue.front();
    m_queue.pop_front();
    return true;
}

void CompletionPort::close() noexcept
{
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_queue.clear();
    }
    m_ready.notify_all();
}

} // namespace tervane::platform
