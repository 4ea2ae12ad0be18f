// SPDX-License-Identifier: MIT
#pragma once
// The thread behind one directory handle's watch: it empties the inotify queue into the handle's
// ChangeQueue as fast as the kernel fills it, whatever the reader does, and crawls the subtree in between.
// It sleeps in epoll while nothing changes. Created and destroyed by the owning DirectoryObject; the
// destructor stops and joins it, quickly even mid-crawl.

#include "platform/Win32Types.h"
#include "platform/linux/ChangeQueue.h"
#include "platform/linux/FileDescriptor.h"

#include <atomic>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

namespace tervane::platform {

class ChangeTranslator;

class InotifyBackend
{
public:
    /// Watches the directory at the absolute `rootPath`. The root itself is watched before this returns, so
    /// no change made afterwards is missed; the subtree follows on the thread.
    static std::unique_ptr<InotifyBackend> start(const std::string& rootPath, DWORD filter, bool subtree,
                                                 ChangeQueue& sink, std::error_code& ec);
    InotifyBackend(const InotifyBackend&) = delete;
    InotifyBackend& operator=(const InotifyBackend&) = delete;
    ~InotifyBackend();

private:
    InotifyBackend(FileDescriptor inotify, FileDescriptor epoll, FileDescriptor wake,
                   std::unique_ptr<ChangeTranslator> translator, ChangeQueue& sink);

    void run() noexcept;
    void loop();
    /// Reads the inotify descriptor until it is empty (or stop is asked).
    void drain();
    void publish();

    FileDescriptor m_inotify;
    FileDescriptor m_epoll;
    FileDescriptor m_wake;
    std::unique_ptr<ChangeTranslator> m_translator;
    ChangeQueue& m_sink;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace tervane::platform
