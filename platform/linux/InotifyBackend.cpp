// SPDX-License-Identifier: MIT
#include "platform/linux/InotifyBackend.h"

#include "platform/linux/ChangeTranslator.h"
#include "platform/linux/EventMapping.h"
#include "platform/linux/PlatformErrors.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <fcntl.h>
#include <string>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tervane::platform {

namespace {

// Between directories of a crawl the kernel queue is emptied this often, so a long crawl never lets it
// overflow; reading an empty queue costs one system call.
constexpr int kDirectoriesBetweenDrains = 16;
// During a storm the queue may never read empty; hand over what we have every so many reads.
constexpr int kReadsBetweenPublishes = 16;

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

} // namespace

std::unique_ptr<InotifyBackend> InotifyBackend::start(const std::string& rootPath, DWORD filter, bool subtree,
                                                      ChangeQueue& sink, std::error_code& ec)
{
    const FileDescriptor root(::open(rootPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st
    {
    };
    if (!root.valid() || ::fstat(root.get(), &st) != 0) {
        ec = lastError();
        return nullptr;
    }
    FileDescriptor inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!inotify.valid()) {
        ec = errno == EMFILE ? makeError(PlatformError::InstanceLimit) : lastError();
        return nullptr;
    }
    FileDescriptor epoll(::epoll_create1(EPOLL_CLOEXEC));
    FileDescriptor wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!epoll.valid() || !wake.valid()) {
        ec = lastError();
        return nullptr;
    }
    for (const int fd : {inotify.get(), wake.get()}) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = fd;
        if (::epoll_ctl(epoll.get(), EPOLL_CTL_ADD, fd, &event) != 0) {
            ec = lastError();
            return nullptr;
        }
    }
    // Through the descriptor, so the watch is on the directory we just checked.
    const std::string watchPath = "/proc/self/fd/" + std::to_string(root.get());
    const int rootWd = ::inotify_add_watch(inotify.get(), watchPath.c_str(), rootMask(filter, subtree));
    if (rootWd < 0) {
        ec = errno == ENOSPC ? makeError(PlatformError::WatchLimit) : lastError();
        return nullptr;
    }
    try {
        auto translator = std::make_unique<ChangeTranslator>(
            ChangeTranslator::Settings{inotify.get(), rootPath, st.st_dev, filter, subtree}, rootWd);
        std::vector<ChangeRecord> none;
        sink.deliver(none, translator->progress());
        return std::unique_ptr<InotifyBackend>(
            new InotifyBackend(std::move(inotify), std::move(epoll), std::move(wake), std::move(translator), sink));
    } catch (const std::system_error& error) {
        ec = error.code();
    } catch (const std::bad_alloc&) {
        ec = std::make_error_code(std::errc::not_enough_memory);
    }
    return nullptr;
}

InotifyBackend::InotifyBackend(FileDescriptor inotify, FileDescriptor epoll, FileDescriptor wake,
                               std::unique_ptr<ChangeTranslator> translator, ChangeQueue& sink)
    : m_inotify(std::move(inotify)), m_epoll(std::move(epoll)), m_wake(std::move(wake)),
      m_translator(std::move(translator)), m_sink(sink), m_thread([this] { run(); })
{}

InotifyBackend::~InotifyBackend()
{
    m_stop.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(m_wake.get(), &one, sizeof one);
    m_thread.join();
}

void InotifyBackend::run() noexcept
{
    try {
        loop();
    } catch (const std::exception& error) {
        m_sink.markFailed(error.what());
    } catch (...) {
        m_sink.markFailed("unknown exception");
    }
}

void InotifyBackend::loop()
{
    while (!m_stop.load()) {
        if (m_translator->hasWork()) {
            for (int i = 0; i < kDirectoriesBetweenDrains && m_translator->hasWork() && !m_stop.load(); ++i) {
                m_translator->registerNext();
            }
        } else {
            std::array<epoll_event, 2> events{};
            const int n = ::epoll_wait(m_epoll.get(), events.data(), static_cast<int>(events.size()), -1);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw std::system_error(lastError(), "epoll_wait");
            }
            for (int i = 0; i < n; ++i) {
                if (events[static_cast<std::size_t>(i)].data.fd == m_wake.get()) {
                    return;
                }
            }
        }
        drain();
        publish();
        if (m_translator->gone()) {
            m_sink.markGone();
            m_inotify.reset(); // lets go of every watch left in a tree that now lives elsewhere
            return;
        }
    }
}

void InotifyBackend::drain()
{
    alignas(inotify_event) std::array<char, 65536> buffer;
    int reads = 0;
    while (!m_stop.load()) {
        const ssize_t n = ::read(m_inotify.get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN) {
                break;
            }
            throw std::system_error(lastError(), "read inotify");
        }
        for (ssize_t offset = 0; offset < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + offset);
            m_translator->handle(*event);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
        if (++reads % kReadsBetweenPublishes == 0) {
            publish();
        }
    }
    m_translator->endOfDrain();
}

void InotifyBackend::publish()
{
    std::vector<ChangeRecord> records;
    m_translator->takeRecords(records);
    m_sink.deliver(records, m_translator->progress());
    if (m_translator->takeOverflow()) {
        m_sink.markOverflow();
    }
}

} // namespace tervane::platform
