// SPDX-License-Identifier: MIT
#include "cli/WatchSession.h"

#include "cli/LineFormat.h"
#include "log/LogRow.h"
#include "watch/MainThreadQueue.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace tervane::cli {

namespace {

// While the initial walk of a subtree registers folders, nothing wakes us when it ends; look this often.
constexpr int kRegistrationPollMs = 50;

sigset_t stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

bool colourWanted(ColorMode mode, bool json)
{
    if (json || mode == ColorMode::Never) {
        return false; // a JSON line with escapes in it is no longer JSON
    }
    if (mode == ColorMode::Always) {
        return true;
    }
    // Read once at start-up, before any other thread exists.
    const char* noColor = std::getenv("NO_COLOR"); // NOLINT(concurrency-mt-unsafe)
    const char* term = std::getenv("TERM");        // NOLINT(concurrency-mt-unsafe)
    return ::isatty(STDOUT_FILENO) == 1 && (noColor == nullptr || *noColor == '\0') &&
           (term == nullptr || std::string_view(term) != "dumb");
}

// The window shows the directory a user picked in a dialog, always absolute; so do we, which also keeps
// every Location usable from another working directory.
std::string absoluteDirectory(std::string_view given)
{
    const std::filesystem::path path(given.empty() ? std::string(platform::DefaultDirectory()) : std::string(given));
    std::error_code ec;
    std::string text = std::filesystem::absolute(path, ec).lexically_normal().string();
    if (ec) {
        text = path.string();
    }
    while (text.size() > 1 && text.back() == platform::PathDelimiter()) {
        text.pop_back();
    }
    return text;
}

std::string inQuotes(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

} // namespace

void blockStopSignals()
{
    const sigset_t set = stopSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

WatchSession::WatchSession(const Options& options, std::string_view program)
    : m_options(options), m_program(program), m_directory(absoluteDirectory(options.directory)),
      m_colour(colourWanted(options.color, options.json)), m_reporter(m_directory, options.watchSubtree, options.quiet),
      m_signals([] {
          const sigset_t set = stopSignals();
          return ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
      }()),
      m_wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      m_output(STDOUT_FILENO, m_signals.get(), ::isatty(STDOUT_FILENO) == 1)
{
    // The worker calls this from its own thread; an eventfd write is thread-safe and never blocks.
    MainThreadQueue::instance().setWaker([fd = m_wake.get()] {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
    });
}

WatchSession::~WatchSession()
{
    MainThreadQueue::instance().setWaker({});
}

void WatchSession::message(std::string_view text)
{
    // Lines already made come first, so on a terminal a warning appears where it happened.
    m_output.flush();
    const std::string line = m_program + ": " + std::string(text) + "\n";
    std::fputs(line.c_str(), stderr);
}

bool WatchSession::start()
{
    if (!m_signals.valid() || !m_wake.valid()) {
        message("cannot set up the main loop: " + platform::SystemErrorText({errno, std::generic_category()}));
        return false;
    }
    std::error_code ec;
    if (!platform::ChangeNotificationAvailable(&ec)) {
        message("change notification is not available: " + platform::SystemErrorText(ec));
        return false;
    }
    m_monitor.SetDirectory(m_directory);
    m_monitor.SetWatchSubtree(m_options.watchSubtree);
    m_monitor.SetWatchFilter(m_options.notify);
    m_monitor.SetWatchAction(m_options.actions);
    m_monitor.SetOnChange([this](TQuorvel_DiskMonitor*, TWatchAction action, const std::string& fileName) {
        onChange(action, fileName);
    });
    m_monitor.SetOnReadHandled([this] { onReadHandled(); });
    m_monitor.SetActive(true);

    using Stall = TQuorvel_DiskMonitor::Stall;
    switch (m_monitor.StallReason()) {
    case Stall::None:
        return true;
    case Stall::ReadRefused:
        if (m_options.notify.empty()) {
            message("nothing to watch for: the notification filter is empty (--notify lists no kind of change)");
            return false;
        }
        break;
    case Stall::CannotOpen:
    case Stall::NoPort:
        break;
    }
    message("cannot watch " + inQuotes(m_directory) + ": " + platform::SystemErrorText(m_monitor.StallError()));
    return false;
}

void WatchSession::onChange(TWatchAction action, const std::string& fileName)
{
    const LogRow row = makeLogRow(m_directory, action, fileName);
    m_output.write(m_options.json ? jsonLine(row) : textLine(row, m_colour));
}

void WatchSession::onReadHandled()
{
    // Runs inside the hand-off while the worker waits, so the buffer holds the read just handled. A read
    // with no records has a zeroed first record.
    const unsigned char* buffer = m_monitor.NotificationBuffer();
    if (std::all_of(buffer, buffer + sizeof(platform::FILE_NOTIFY_INFORMATION),
                    [](unsigned char b) { return b == 0; })) {
        ++m_emptyReads;
    }
}

void WatchSession::serveHandOffs()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(m_wake.get(), &count, sizeof count);
    CheckSynchronize();
}

bool WatchSession::registering() const
{
    platform::WatchStatus status;
    return m_monitor.WatchStatus(status) && !status.registrationComplete;
}

void WatchSession::checkStatus()
{
    platform::WatchStatus status;
    if (!m_monitor.WatchStatus(status)) {
        return;
    }
    // The platform says the directory is gone (or the watch failed) as soon as it knows, while the records
    // before that may still wait for the worker's next reads; the watch's last read is an empty one. Every
    // overflow also completes one empty read, so an empty read beyond the overflows is that last one.
    const bool lastReadHandled = m_emptyReads > status.overflows;
    if (!lastReadHandled) {
        status.directoryGone = false;
        status.failure.clear();
    }
    const StatusReporter::Report report = m_reporter.update(status);
    for (const std::string& text : report.messages) {
        message(text);
    }
    if (report.watchEnded) {
        m_end = End::WatchEnded;
    }
}

void WatchSession::whenIdle()
{
    // The queue ran empty: a block-buffered pipe gets its lines now, so `| grep` shows matches promptly.
    m_output.flush();
    checkStatus();
}

int WatchSession::run()
{
    if (!start()) {
        return kExitCannotStart;
    }
    try {
        while (m_end == End::None) {
            std::array<pollfd, 3> fds{{
                {m_signals.get(), POLLIN, 0},
                {m_wake.get(), POLLIN, 0},
                // No events asked: a pipe's write end reports POLLERR once its reader is gone, a terminal
                // POLLHUP when it hangs up, and a regular file nothing; so an idle watch still ends at once.
                {STDOUT_FILENO, 0, 0},
            }};
            int ready = ::poll(fds.data(), fds.size(), 0);
            if (ready == 0) {
                whenIdle();
                if (m_end != End::None) {
                    break;
                }
                ready = ::poll(fds.data(), fds.size(), registering() ? kRegistrationPollMs : -1);
            }
            if (ready < 0) {
                if (errno == EINTR) {
                    continue;
                }
                message("poll failed: " + platform::SystemErrorText({errno, std::generic_category()}));
                m_end = End::WatchEnded;
                break;
            }
            if ((fds[0].revents & POLLIN) != 0) {
                signalfd_siginfo info{};
                [[maybe_unused]] const ssize_t got = ::read(m_signals.get(), &info, sizeof info);
                m_end = End::Stopped;
            }
            if ((fds[2].revents & (POLLERR | POLLHUP)) != 0) {
                m_end = End::Stopped;
            }
            // A hand-off already queued when the stop came is still served, so its lines are not lost.
            if ((fds[1].revents & POLLIN) != 0) {
                serveHandOffs();
            }
            if (m_output.state() == Output::State::Closed) {
                m_end = End::Stopped;
            } else if (m_output.state() == Output::State::Failed) {
                m_end = End::OutputFailed;
            }
        }
    } catch (const std::exception& error) {
        message(std::string("stopped by an error: ") + error.what());
        m_end = End::WatchEnded;
    }
    m_monitor.SetActive(false);
    m_output.flush();
    if (m_output.state() == Output::State::Failed) {
        m_end = End::OutputFailed;
    }
    switch (m_end) {
    case End::OutputFailed:
        std::fputs(
            (m_program + ": cannot write the output: " + platform::SystemErrorText(m_output.error()) + "\n").c_str(),
            stderr);
        return kExitWatchEnded;
    case End::WatchEnded:
        return kExitWatchEnded;
    case End::None:
    case End::Stopped:
        break;
    }
    return kExitStopped;
}

} // namespace tervane::cli
