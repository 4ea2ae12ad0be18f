// SPDX-License-Identifier: MIT
#pragma once
// What a directory HANDLE names: the directory's path, its queue of changes and, from the first read on,
// the backend thread that watches it. No descriptor stays open between calls: one would keep a removed
// directory's inode alive and so hold back the kernel's IN_DELETE_SELF. close() ends the outstanding read and joins the
// backend, so nothing runs or writes a reader's buffer for this handle afterwards. Any thread.

#include "platform/Platform.h"
#include "platform/linux/ChangeQueue.h"
#include "platform/linux/CompletionPort.h"
#include "platform/linux/InotifyBackend.h"
#include "platform/linux/KernelObject.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>

namespace tervane::platform {

class DirectoryObject final : public KernelObject
{
public:
    static std::shared_ptr<DirectoryObject> open(std::string_view path, std::error_code& ec);
    explicit DirectoryObject(std::string path);
    ~DirectoryObject() override;

    std::error_code bindPort(const std::shared_ptr<CompletionPort>& port, ULONG_PTR key);
    std::error_code read(void* buffer, DWORD length, bool subtree, DWORD filter, OVERLAPPED* overlapped);
    [[nodiscard]] WatchStatus status() const { return m_queue.status(); }
    void close() noexcept override;

private:
    /// Reads beyond this many queued changes mean nobody is reading; the rest is dropped as an overflow.
    static constexpr std::size_t kQueueCapacity = std::size_t{1} << 20;

    const std::string m_path; ///< absolute, symbolic links resolved
    ChangeQueue m_queue{kQueueCapacity};
    std::mutex m_mutex; // orders starting the backend against closing
    std::unique_ptr<InotifyBackend> m_backend;
    bool m_closed = false;
};

} // namespace tervane::platform
