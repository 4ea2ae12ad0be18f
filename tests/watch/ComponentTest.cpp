// SPDX-License-Identifier: MIT
// The component's properties, the guard, activation outcomes (Watching and the silent Stalled state),
// design mode, and that nothing is left behind when a component goes.

#include "app/Exception.h"
#include "tests/support/TempDir.h"
#include "tests/watch/Recorder.h"
#include "watch/Vasko_DiskMonitor.h"

#include <gtest/gtest.h>

#include <functional>

namespace tervane::test {
namespace {

using enum TWatchAction;
using enum TWatchFilter;

TEST(Component, Defaults)
{
    TQuorvel_DiskMonitor m(nullptr);
    EXPECT_FALSE(m.Active());
    EXPECT_EQ(m.Directory(), "/");
    EXPECT_TRUE(m.WatchSubtree());
    EXPECT_EQ(m.WatchFilter().toByte(), 255);
    EXPECT_EQ(m.WatchAction().toByte(), 31);
    EXPECT_EQ(m.UserComment(), "");
    EXPECT_FALSE(m.OnChange());
    EXPECT_FALSE(m.HoldsDirectoryHandle());
    EXPECT_FALSE(m.HoldsCompletionPort());
}

TEST(Component, NotifyFilterMask)
{
    struct Row
    {
        TWatchFilterSet set;
        platform::DWORD mask;
    };
    const Row rows[] = {
        {{}, 0x000},
        {{wfFilename}, 0x001},
        {{wfCreation}, 0x040},
        {{wfSecurity}, 0x100}, // not 0x080
        {{wfFilename, wfDirname, wfLastWrite}, 0x013},
        {TWatchFilterSet::all(), 0x17F},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(TQuorvel_DiskMonitor::NotifyFilterFor(r.set), r.mask) << int(r.set.toByte());
    }
}

struct Guarded
{
    const char* name;
    std::function<void(TQuorvel_DiskMonitor&)> assign;
};

class Guard : public ::testing::TestWithParam<Guarded>
{
};

// Refused while Active reads true, even when the value is the one already stored; Stalled counts too.
TEST_P(Guard, RefusedWhileActiveEvenForTheStoredValue)
{
    TempDir dir;
    for (const std::string& target : {dir.str(), dir.str() + "/missing"}) {
        TQuorvel_DiskMonitor m(nullptr);
        m.SetDirectory(target);
        m.SetActive(true);
        try {
            GetParam().assign(m);
            ADD_FAILURE() << "assignment accepted while active on " << target;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Cannot change property if component is active.");
        }
        EXPECT_EQ(m.Directory(), target);
        m.SetActive(false);
        EXPECT_NO_THROW(GetParam().assign(m));
    }
}

INSTANTIATE_TEST_SUITE_P(Properties, Guard,
                         ::testing::Values(Guarded{"Directory", [](auto& m) { m.SetDirectory(m.Directory()); }},
                                           Guarded{"WatchSubtree",
                                                   [](auto& m) { m.SetWatchSubtree(m.WatchSubtree()); }},
                                           Guarded{"WatchFilter", [](auto& m) { m.SetWatchFilter(m.WatchFilter()); }},
                                           Guarded{"WatchAction", [](auto& m) { m.SetWatchAction(m.WatchAction()); }}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Component, UnguardedPropertiesChangeWhileActive)
{
    TempDir dir;
    TQuorvel_DiskMonitor m(nullptr);
    m.SetDirectory(dir.str());
    m.SetActive(true);
    m.SetUserComment("note");
    Recorder r;
    r.attach(m);
    EXPECT_EQ(m.UserComment(), "note");
    EXPECT_TRUE(m.OnChange());
}

TEST(Component, ActiveTwiceAndFalseOnNeverActivated)
{
    TempDir dir;
    TQuorvel_DiskMonitor m(nullptr);
    m.SetActive(false);
    EXPECT_FALSE(m.Active());
    m.SetDirectory(dir.str());
    m.SetActive(true);
    m.SetActive(true);
    EXPECT_TRUE(m.HoldsDirectoryHandle() && m.HoldsCompletionPort());
    m.SetActive(false);
    m.SetActive(false);
    EXPECT_FALSE(m.HoldsDirectoryHandle() || m.HoldsCompletionPort());
}

struct StallCase
{
    const char* name;
    std::function<void(TQuorvel_DiskMonitor&, const TempDir&)> setup;
    TQuorvel_DiskMonitor::Stall reason;
    bool dirHeld;
    bool portHeld;
};

class Stalled : public ::testing::TestWithParam<StallCase>
{
};

TEST_P(Stalled, SilentActiveTrueWithTheHandlesObtainedThenRecovers)
{
    const StallCase& c = GetParam();
    TempDir dir;
    TQuorvel_DiskMonitor m(nullptr);
    Recorder r;
    r.attach(m);
    m.SetDirectory(dir.str());
    c.setup(m, dir);
    EXPECT_NO_THROW(m.SetActive(true));
    EXPECT_TRUE(m.Active());
    EXPECT_EQ(m.StallReason(), c.reason);
    EXPECT_EQ(m.HoldsDirectoryHandle(), c.dirHeld);
    EXPECT_EQ(m.HoldsCompletionPort(), c.portHeld);
    EXPECT_THROW(m.SetDirectory(dir.str()), Exception);
    dir.write("ignored.txt", "x");
    r.settle(std::chrono::milliseconds(100));
    EXPECT_TRUE(r.events.empty()) << r.dump();
    EXPECT_TRUE(waitUntil([&] { return m.WorkerParked(); }));

    // Back to Inactive releases what was held; a usable setting then watches again.
    m.SetActive(false);
    EXPECT_FALSE(m.HoldsDirectoryHandle() || m.HoldsCompletionPort());
    m.SetDirectory(dir.str());
    m.SetWatchFilter(TWatchFilterSet::all());
    m.SetActive(true);
    EXPECT_EQ(m.StallReason(), TQuorvel_DiskMonitor::Stall::None);
    dir.write("seen.txt", "x");
    EXPECT_TRUE(r.waitFor(waAdd, "seen.txt")) << r.dump();
}

INSTANTIATE_TEST_SUITE_P(Activation, Stalled,
                         ::testing::Values(StallCase{"MissingDirectory",
                                                     [](auto& m, auto& d) { m.SetDirectory(d.str() + "/nope"); },
                                                     TQuorvel_DiskMonitor::Stall::CannotOpen, false, false},
                                           StallCase{"EmptyDirectoryString", [](auto& m, auto&) { m.SetDirectory(""); },
                                                     TQuorvel_DiskMonitor::Stall::CannotOpen, false, false},
                                           StallCase{"AFileNotADirectory",
                                                     [](auto& m, auto& d) { m.SetDirectory(d.write("file").string()); },
                                                     TQuorvel_DiskMonitor::Stall::CannotOpen, false, false},
                                           StallCase{"EmptyFilter", [](auto& m, auto&) { m.SetWatchFilter({}); },
                                                     TQuorvel_DiskMonitor::Stall::ReadRefused, true, true}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Component, RecoversAfterManyFailedActivations)
{
    TempDir dir;
    TQuorvel_DiskMonitor m(nullptr);
    Recorder r;
    r.attach(m);
    for (int i = 0; i < 5; ++i) {
        m.SetDirectory(dir.str() + "/missing");
        m.SetActive(true);
        m.SetActive(false);
        m.SetDirectory(dir.str());
        m.SetWatchFilter({});
        m.SetActive(true);
        m.SetActive(false);
        m.SetWatchFilter(TWatchFilterSet::all());
    }
    m.SetActive(true);
    dir.write("after.txt");
    EXPECT_TRUE(r.waitFor(waAdd, "after.txt")) << r.dump();
}

TEST(Component, DesignModeRecordsActiveAndOpensNothing)
{
    TempDir dir;
    TQuorvel_DiskMonitor m(nullptr);
    m.SetDesigning(true);
    m.SetDirectory(dir.str());
    m.SetActive(true);
    EXPECT_TRUE(m.Active());
    EXPECT_FALSE(m.HoldsDirectoryHandle() || m.HoldsCompletionPort());
    EXPECT_THROW(m.SetWatchSubtree(false), Exception);
    m.SetActive(false);
    EXPECT_NO_THROW(m.SetWatchSubtree(false));
}

// Destroying components, active or never activated, leaves no worker thread and no descriptor behind.
TEST(Component, DestructionLeavesNothingBehind)
{
    if (!kProcessCountsAreOurs) {
        GTEST_SKIP() << "ThreadSanitizer runs threads of its own, so the counts do not hold";
    }
    TempDir dir;
    WaitForThreads();
    const int fds = openDescriptorCount();
    const int threads = threadCount();
    for (int round = 0; round < 20; ++round) {
        TQuorvel_DiskMonitor idle(nullptr);
        TQuorvel_DiskMonitor active(nullptr);
        TQuorvel_DiskMonitor stalled(nullptr);
        active.SetDirectory(dir.str());
        active.SetActive(true);
        stalled.SetDirectory(dir.str() + "/missing");
        stalled.SetActive(true);
        dir.write("f" + std::to_string(round));
    }
    EXPECT_TRUE(
        waitUntil([] { return LiveThreadCount() == 0; }, [] { CheckSynchronize(std::chrono::milliseconds(5)); }))
        << LiveThreadCount() << " workers still live";
    WaitForThreads();
    EXPECT_EQ(threadCount(), threads);
    EXPECT_EQ(openDescriptorCount(), fds);
}

} // namespace
} // namespace tervane::test
