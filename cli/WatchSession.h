// SPDX-License-Identifier: MIT
#pragma once
// One run of the companion: the watch component, the descriptors that wake the main loop (hand-offs from
// the worker, signals, a reader that went away) and the loop that serves them and writes the lines.
// Main thread only; built on signalfd and eventfd, so Linux only, like the terminal it serves. SIGINT, SIGTERM and
// SIGHUP must be blocked before it is made (blockStopSignals), so that every thread started afterwards inherits the
// mask and the signals reach the loop's signalfd only.

#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/StatusReporter.h"
#include "platform/linux/FileDescriptor.h"
#include "watch/Vasko_DiskMonitor.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tervane::cli {

/// Exit statuses; documented in --help and docs/cli.md.
enum ExitStatus : int
{
    kExitStopped = 0,    ///< ended by a signal or by the reader closing the pipe
    kExitWatchEnded = 1, ///< the watched directory went away, the watch failed, or output failed
    kExitCannotStart = 2 ///< bad command line, or nothing could be watched
};

/// Blocks the signals the loop ends on and makes a write to a closed pipe an error instead of a signal.
void blockStopSignals();

class WatchSession
{
public:
    WatchSession(const Options& options, std::string_view program);
    WatchSession(const WatchSession&) = delete;
    WatchSession& operator=(const WatchSession&) = delete;
    ~WatchSession();

    /// Starts the watch and serves it until a signal, a closed reader or the end of the watch.
    int run();

private:
    enum class End : std::uint8_t
    {
        None,
        Stopped,
        WatchEnded,
        OutputFailed,
    };

    bool start();
    void serveHandOffs();
    void whenIdle();
    void checkStatus();
    void onChange(TWatchAction action, const std::string& fileName);
    void onReadHandled();
    void message(std::string_view text);
    [[nodiscard]] bool registering() const;

    Options m_options;
    std::string m_program;
    std::string m_directory;
    bool m_colour = false;
    StatusReporter m_reporter;
    platform::FileDescriptor m_signals;
    platform::FileDescriptor m_wake;
    Output m_output;
    TQuorvel_DiskMonitor m_monitor{nullptr};
    End m_end = End::None;
    std::uint64_t m_emptyReads = 0; // reads handled that carried no records
};

} // namespace tervane::cli
