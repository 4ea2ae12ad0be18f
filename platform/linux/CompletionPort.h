// SPDX-License-Identifier: MIT
#pragma once
// A completion port: a queue of completed reads and posted wake-ups that waiting threads take one at a
// time. Closing it wakes every waiter with a failed wait and drops what is queued. Any thread.

#include "platform/Win32Types.h"
#include "platform/linux/KernelObject.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace tervane::platform {

struct Completion
{
    DWORD bytes = 0;
    ULONG_PTR key = 0;
    OVERLAPPED* overlapped = nullptr;
};

class CompletionPort final : public KernelObject
{
public:
    /// Returns false once the port is closed.
    bool post(const Completion& completion);
    /// Waits for a completion; INFINITE waits until one arrives or the port closes. False on close or timeout.
    bool wait(Completion& completion, DWORD milliseconds);
    void close() noexcept override;

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Completion> m_queue;
    bool m_closed = false;
};

} // namespace tervane::platform
