// SPDX-License-Identifier: MIT
#include "platform/linux/ChangeQueue.h"

#include "platform/linux/PlatformErrors.h"

namespace tervane::platform {

namespace {

constexpr const char* kWatchLimitName = "fs.inotify.max_user_watches";

std::error_code errc(std::errc code)
{
    return std::make_error_code(code);
}

} // namespace

std::error_code ChangeQueue::bindPort(const std::shared_ptr<CompletionPort>& port, ULONG_PTR key)
{
    std::lock_guard lock(m_mutex);
    if (m_closed) {
        return errc(std::errc::bad_file_descriptor);
    }
    if (m_bound && !m_port.expired()) {
        return errc(std::errc::invalid_argument);
    }
    m_port = port;
    m_key = key;
    m_bound = true;
    return {};
}

std::error_code ChangeQueue::beginRead(void* buffer, DWORD length, OVERLAPPED* overlapped)
{
    std::lock_guard lock(m_mutex);
    if (m_closed) {
        return errc(std::errc::bad_file_descriptor);
    }
    if (m_endSignalled) {
        return m_status.directoryGone ? errc(std::errc::no_such_file_or_directory)
                                      : makeError(PlatformError::BackendFailed);
    }
    if (buffer == nullptr || !m_bound) {
        return errc(std::errc::invalid_argument);
    }
    if (m_pending) {
        return errc(std::errc::device_or_resource_busy);
    }
    m_pending = PendingRead{buffer, length, overlapped};
    completePendingLocked();
    return {};
}

void ChangeQueue::cancelRead()
{
    std::lock_guard lock(m_mutex);
    m_pending.reset();
}

void ChangeQueue::close() noexcept
{
    std::lock_guard lock(m_mutex);
    if (m_pending) {
        if (auto port = m_port.lock()) {
            port->post({0, m_key, m_pending->overlapped});
        }
        m_pending.reset();
    }
    m_closed = true;
    m_records.clear();
}

WatchStatus ChangeQueue::status() const
{
    std::lock_guard lock(m_mutex);
    return m_status;
}

void ChangeQueue::deliver(std::vector<ChangeRecord>& records, const RegistrationProgress& progress)
{
    std::lock_guard lock(m_mutex);
    m_status.watchedDirectories = progress.watchedDirectories;
    m_status.unwatchedDirectories = progress.unwatchedDirectories;
    m_status.registrationComplete = progress.complete;
    if (progress.watchLimitHit) {
        m_status.limitName = kWatchLimitName;
    }
    if (m_closed || records.empty()) {
        return;
    }
    for (auto& record : records) {
        if (m_records.size() >= m_capacity) {
            // Nobody has read for a very long time; what follows is lost and the reader must rescan.
            m_overflowPending = true;
            break;
        }
        m_records.push_back(std::move(record));
    }
    completePendingLocked();
}

void ChangeQueue::markOverflow()
{
    std::lock_guard lock(m_mutex);
    m_overflowPending = true;
    completePendingLocked();
}

void ChangeQueue::markGone()
{
    std::lock_guard lock(m_mutex);
    m_ended = true;
    m_status.directoryGone = true;
    completePendingLocked();
}

void ChangeQueue::markFailed(const std::string& reason)
{
    std::lock_guard lock(m_mutex);
    m_ended = true;
    m_status.failure = reason;
    completePendingLocked();
}

void ChangeQueue::completePendingLocked()
{
    if (!m_pending || m_closed) {
        return;
    }
    // A record longer than the whole buffer can never be handed out; it is lost like an overflow.
    while (!m_records.empty() && recordSize(m_records.front()) > m_pending->length) {
        m_records.pop_front();
        m_overflowPending = true;
    }
    DWORD bytes = 0;
    if (m_overflowPending) {
        // Like Windows, an overflow discards everything buffered: the reader rescans anyway.
        m_overflowPending = false;
        m_records.clear();
        ++m_status.overflows;
    } else if (!m_records.empty()) {
        bytes = writeRecords(m_records, m_pending->buffer, m_pending->length);
    } else if (m_ended && !m_endSignalled) {
        m_endSignalled = true;
    } else {
        return;
    }
    const Completion completion{bytes, m_key, m_pending->overlapped};
    m_pending.reset();
    if (auto port = m_port.lock()) {
        port->post(completion);
    }
}

} // namespace tervane::platform
