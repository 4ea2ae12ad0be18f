// SPDX-License-Identifier: MIT
#include "cli/StatusReporter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tervane::cli {
namespace {

using Status = platform::WatchStatus;

struct Step
{
    std::function<void(Status&)> change; // applied to the previous snapshot
    std::vector<std::string> messages;
    bool ended = false;
};

struct ReportCase
{
    const char* name;
    bool subtree;
    bool quiet;
    std::vector<Step> steps;
};

class StatusReporterTest : public ::testing::TestWithParam<ReportCase>
{
};

TEST_P(StatusReporterTest, TellsEachFactOnce)
{
    StatusReporter reporter("/w", GetParam().subtree, GetParam().quiet);
    Status status;
    int n = 0;
    for (const Step& step : GetParam().steps) {
        step.change(status);
        const StatusReporter::Report report = reporter.update(status);
        EXPECT_EQ(report.messages, step.messages) << "step " << n;
        EXPECT_EQ(report.watchEnded, step.ended) << "step " << n;
        ++n;
    }
}

void walkDone(Status& s)
{
    s.registrationComplete = true;
    s.watchedDirectories = 3;
}
void nothing(Status&) {}
const std::string kReady = "watching \"/w\" and the folders below it (3 directories)";

INSTANTIATE_TEST_SUITE_P(
    Cases, StatusReporterTest,
    ::testing::Values(
        ReportCase{"ReadyOnceTheWalkEnds", true, false, {{nothing, {}}, {walkDone, {kReady}}, {nothing, {}}}},
        ReportCase{
            "NoSubtree",
            false,
            false,
            {{[](Status& s) { s.registrationComplete = true; }, {"watching \"/w\" (not the folders below it)"}}}},
        ReportCase{"QuietSaysNothingButWarnings",
                   true,
                   true,
                   {{walkDone, {}},
                    {[](Status& s) { s.overflows = 1; },
                     {"warning: changes were lost: the kernel's event queue overflowed (1 time so far)"}}}},
        ReportCase{"LimitWaitsForTheWalkThenGrows",
                   true,
                   true,
                   {{[](Status& s) {
                         s.limitName = "fs.inotify.max_user_watches";
                         s.unwatchedDirectories = 1;
                     },
                     {}},
                    {walkDone,
                     {"warning: 1 directory is not watched: the limit fs.inotify.max_user_watches was reached; "
                      "changes there are not seen"}},
                    {nothing, {}},
                    {[](Status& s) { s.unwatchedDirectories = 5; },
                     {"warning: 5 directories are not watched: the limit fs.inotify.max_user_watches was reached; "
                      "changes there are not seen"}}}},
        ReportCase{"OverflowsCountUp",
                   true,
                   true,
                   {{[](Status& s) { s.overflows = 2; },
                     {"warning: changes were lost: the kernel's event queue overflowed (2 times so far)"}},
                    {nothing, {}}}},
        ReportCase{"DirectoryGoneEndsTheWatch",
                   true,
                   false,
                   {{walkDone, {kReady}},
                    {[](Status& s) { s.directoryGone = true; },
                     {"the watched directory \"/w\" is gone (removed or moved away)"},
                     true},
                    {nothing, {}, true}}},
        ReportCase{"FailureEndsTheWatch",
                   true,
                   true,
                   {{[](Status& s) { s.failure = "read inotify: Bad address"; },
                     {"the watch stopped: read inotify: Bad address"},
                     true}}}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace tervane::cli
