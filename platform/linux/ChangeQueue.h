// SPDX-License-Identifier: MIT
#pragma once
// What one directory handle has to hand out: changes found by its backend thread, the read the engine has
// outstanding, and the port that read completes on. The reader's buffer is written only here, under the
// mutex, so once close() returns nothing touches it again. Caller threads and the backend thread.

#include "platform/Platform.h"
#include "platform/linux/ChangeRecord.h"
#include "platform/linux/CompletionPort.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace tervane::platform {

/// The backend's view of its crawl, published with each batch of changes.
struct RegistrationProgress
{
    std::uint64_t watchedDirectories = 0;
    std::uint64_t unwatchedDirectories = 0;
    bool watchLimitHit = false;
    bool complete = false;
};

class ChangeQueue
{
public:
    explicit ChangeQueue(std::size_t capacity) : m_capacity(capacity) {}

    // Caller threads.
    std::error_code bindPort(const std::shared_ptr<CompletionPort>& port, ULONG_PTR key);
    std::error_code beginRead(void* buffer, DWORD length, OVERLAPPED* overlapped);
    /// Withdraws a read that was armed but whose watch could not be started.
    void cancelRead();
    /// Ends the outstanding read as aborted (0 bytes) and refuses everything after.
    void close() noexcept;
    [[nodiscard]] WatchStatus status() const;

    // Backend thread.
    void deliver(std::vector<ChangeRecord>& records, const RegistrationProgress& progress);
    void markOverflow();
    /// The watched directory was removed or moved away: what is queued is still handed out, then one read
    /// completes with 0 bytes and later reads fail.
    void markGone();
    /// Like markGone, for a backend that stopped on an error; `reason` shows in the status.
    void markFailed(const std::string& reason);

private:
    struct PendingRead
    {
        void* buffer;
        DWORD length;
        OVERLAPPED* overlapped;
    };

    void completePendingLocked();

    const std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::deque<ChangeRecord> m_records;
    std::optional<PendingRead> m_pending;
    std::weak_ptr<CompletionPort> m_port;
    ULONG_PTR m_key = 0;
    bool m_bound = false;
    bool m_closed = false;
    bool m_overflowPending = false;
    bool m_ended = false;
    bool m_endSignalled = false;
    WatchStatus m_status;
};

} // namespace tervane::platform
