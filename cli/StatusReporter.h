// SPDX-License-Identifier: MIT
#pragma once
// Turns snapshots of a running watch into what a command-line user must be told: that the watch is set
// up, the watch limit, lost changes, a watched directory that is gone, a watch that failed. Each fact is
// told once; counts that grow are told again. Plain data in, text out; one thread at a time.

#include "platform/Platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tervane::cli {

class StatusReporter
{
public:
    StatusReporter(std::string directory, bool watchSubtree, bool quiet);

    struct Report
    {
        std::vector<std::string> messages; ///< lines for stderr, without the program name
        bool watchEnded = false;           ///< nothing more will come: the program should end
    };

    /// What is new in `status` since the previous call.
    Report update(const platform::WatchStatus& status);

private:
    std::string m_directory;
    bool m_watchSubtree;
    bool m_quiet;
    bool m_announced = false;
    bool m_ended = false;
    std::uint64_t m_overflows = 0;
    std::uint64_t m_unwatched = 0;
};

} // namespace tervane::cli
