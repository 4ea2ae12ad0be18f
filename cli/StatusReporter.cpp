// SPDX-License-Identifier: MIT
#include "cli/StatusReporter.h"

#include <string_view>
#include <utility>

namespace tervane::cli {

namespace {

std::string counted(std::uint64_t count, std::string_view one, std::string_view many)
{
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

} // namespace

StatusReporter::StatusReporter(std::string directory, bool watchSubtree, bool quiet)
    : m_directory(std::move(directory)), m_watchSubtree(watchSubtree), m_quiet(quiet)
{}

StatusReporter::Report StatusReporter::update(const platform::WatchStatus& status)
{
    Report report;
    if (m_ended) {
        report.watchEnded = true;
        return report;
    }
    const std::string dir = "\"" + m_directory + "\"";
    // The walk of a large subtree takes a while; its counts settle only when it ends, and the ready line
    // tells a user (or a script) from when on changes are seen everywhere below the directory.
    if (status.registrationComplete && !m_announced) {
        m_announced = true;
        if (!m_quiet) {
            report.messages.push_back(m_watchSubtree
                                          ? "watching " + dir + " and the folders below it (" +
                                                counted(status.watchedDirectories, "directory", "directories") + ")"
                                          : "watching " + dir + " (not the folders below it)");
        }
    }
    if (status.registrationComplete && !status.limitName.empty() && status.unwatchedDirectories > m_unwatched) {
        m_unwatched = status.unwatchedDirectories;
        report.messages.push_back("warning: " + counted(m_unwatched, "directory is", "directories are") +
                                  " not watched: the limit " + status.limitName +
                                  " was reached; changes there are not seen");
    }
    if (status.overflows > m_overflows) {
        m_overflows = status.overflows;
        report.messages.push_back("warning: changes were lost: the kernel's event queue overflowed (" +
                                  counted(m_overflows, "time", "times") + " so far)");
    }
    if (status.directoryGone) {
        report.messages.push_back("the watched directory " + dir + " is gone (removed or moved away)");
        m_ended = true;
    } else if (!status.failure.empty()) {
        report.messages.push_back("the watch stopped: " + status.failure);
        m_ended = true;
    }
    report.watchEnded = m_ended;
    return report;
}

} // namespace tervane::cli
