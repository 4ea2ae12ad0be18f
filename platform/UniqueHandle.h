// SPDX-License-Identifier: MIT
#pragma once
// Move-only owner of a platform HANDLE. The value is atomic because the watch worker reads the component's
// current handles while the main thread replaces them; ownership itself stays with one thread.

#include "platform/Platform.h"

#include <atomic>
#include <utility>

namespace tervane::platform {

class UniqueHandle
{
public:
    /// `none` is the value that stands for "no handle": 0 for ports, INVALID_HANDLE_VALUE for files.
    explicit UniqueHandle(HANDLE none = 0) noexcept : m_none(none), m_handle(none) {}
    UniqueHandle(HANDLE handle, HANDLE none) noexcept : m_none(none), m_handle(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : m_none(other.m_none), m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    [[nodiscard]] HANDLE get() const noexcept { return m_handle.load(std::memory_order_acquire); }
    [[nodiscard]] bool valid() const noexcept { return get() != m_none; }
    [[nodiscard]] HANDLE none() const noexcept { return m_none; }

    HANDLE release() noexcept { return m_handle.exchange(m_none, std::memory_order_acq_rel); }
    void reset(HANDLE handle) noexcept
    {
        const HANDLE old = m_handle.exchange(handle, std::memory_order_acq_rel);
        if (old != m_none && old != handle) {
            CloseHandle(old);
        }
    }
    void reset() noexcept { reset(m_none); }

private:
    HANDLE m_none;
    std::atomic<HANDLE> m_handle;
};

} // namespace tervane::platform
