// SPDX-License-Identifier: MIT
// The component on the real kernel and real directories (tmpfs): what a user of the window would see.

#include "tests/support/TempDir.h"
#include "tests/watch/Recorder.h"
#include "watch/Vasko_DiskMonitor.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tervane::test {
namespace {

using enum TWatchAction;

class Live : public ::testing::Test
{
protected:
    void SetUp() override
    {
        monitor.SetDirectory(dir.str());
        recorder.attach(monitor);
    }
    void start()
    {
        monitor.SetActive(true);
        ASSERT_EQ(monitor.StallReason(), TQuorvel_DiskMonitor::Stall::None);
    }
    // The subtree is registered off the main thread; wait until it is before making changes deep in it.
    void waitRegistered()
    {
        platform::WatchStatus status;
        ASSERT_TRUE(recorder.pumpUntil([&] { return monitor.WatchStatus(status) && status.registrationComplete; }));
    }

    TempDir dir;
    TQuorvel_DiskMonitor monitor{nullptr};
    Recorder recorder;
};

TEST_F(Live, EachKindOfChangeArrivesWithItsRelativeName)
{
    dir.mkdir("sub");
    start();
    waitRegistered();
    dir.write("a.txt", "1");
    ASSERT_TRUE(recorder.waitFor(waAdd, "a.txt")) << recorder.dump();
    {
        std::ofstream("" + dir.str() + "/a.txt", std::ios::app) << "more";
    }
    ASSERT_TRUE(recorder.waitFor(waModify, "a.txt")) << recorder.dump();
    fs::rename(dir.path() / "a.txt", dir.path() / "b.txt");
    ASSERT_TRUE(recorder.waitFor(waRenameNew, "b.txt")) << recorder.dump();
    dir.write("sub/deep.txt");
    ASSERT_TRUE(recorder.waitFor(waAdd, "sub/deep.txt")) << recorder.dump();
    fs::remove(dir.path() / "b.txt");
    ASSERT_TRUE(recorder.waitFor(waRemove, "b.txt")) << recorder.dump();
    dir.mkdir("newdir");
    ASSERT_TRUE(recorder.waitFor(waAdd, "newdir")) << recorder.dump();

    // The old name comes right before the new one.
    const auto oldAt = std::find(recorder.events.begin(), recorder.events.end(), Event{waRenameOld, "a.txt"});
    ASSERT_NE(oldAt, recorder.events.end()) << recorder.dump();
    EXPECT_EQ(*(oldAt + 1), (Event{waRenameNew, "b.txt"}));
}

TEST_F(Live, WithoutSubtreeOnlyTheDirectoryItself)
{
    dir.mkdir("sub");
    monitor.SetWatchSubtree(false);
    start();
    dir.write("sub/hidden.txt");
    dir.write("top.txt");
    ASSERT_TRUE(recorder.waitFor(waAdd, "top.txt")) << recorder.dump();
    recorder.settle();
    EXPECT_FALSE(recorder.has(waAdd, "sub/hidden.txt")) << recorder.dump();
}

TEST_F(Live, DirectoryCreatedAndFilledAtOnceMissesNothing)
{
    start();
    waitRegistered();
    fs::create_directories(dir.path() / "burst" / "inner");
    for (int i = 0; i < 200; ++i) {
        dir.write("burst/f" + std::to_string(i));
        dir.write("burst/inner/g" + std::to_string(i));
    }
    const auto complete = [&] {
        for (int i = 0; i < 200; ++i) {
            if (!recorder.has(waAdd, "burst/f" + std::to_string(i)) ||
                !recorder.has(waAdd, "burst/inner/g" + std::to_string(i))) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(recorder.pumpUntil(complete)) << recorder.dump();
    recorder.settle();
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(recorder.count(waAdd, "burst/f" + std::to_string(i)), 1u) << "duplicate f" << i;
    }
}

TEST_F(Live, TreeMovedInIsReportedAndMovedOutIsForgotten)
{
    TempDir outside;
    outside.mkdir("tree/a/b");
    outside.write("tree/a/b/leaf.txt");
    start();
    waitRegistered();

    fs::rename(outside.path() / "tree", dir.path() / "tree");
    ASSERT_TRUE(recorder.waitFor(waAdd, "tree")) << recorder.dump();
    ASSERT_TRUE(recorder.waitFor(waAdd, "tree/a/b/leaf.txt")) << recorder.dump();
    dir.write("tree/a/b/later.txt");
    ASSERT_TRUE(recorder.waitFor(waAdd, "tree/a/b/later.txt")) << recorder.dump();

    fs::rename(dir.path() / "tree", outside.path() / "gone");
    ASSERT_TRUE(recorder.waitFor(waRemove, "tree")) << recorder.dump();
    outside.write("gone/a/b/after-out.txt");
    dir.write("marker");
    ASSERT_TRUE(recorder.waitFor(waAdd, "marker")) << recorder.dump();
    recorder.settle();
    for (const auto& [action, name] : recorder.events) {
        EXPECT_EQ(name.find("after-out"), std::string::npos) << name;
    }
}

TEST_F(Live, RenamedDirectoryChildrenCarryTheNewPath)
{
    dir.mkdir("old/inner");
    start();
    waitRegistered();
    fs::rename(dir.path() / "old", dir.path() / "new");
    ASSERT_TRUE(recorder.waitFor(waRenameNew, "new")) << recorder.dump();
    dir.write("new/inner/child.txt");
    ASSERT_TRUE(recorder.waitFor(waAdd, "new/inner/child.txt")) << recorder.dump();
}

TEST_F(Live, InvalidUtf8NamesArriveAsTheirExactBytes)
{
    start();
    const std::string names[] = {"bad\xff\xfe.bin", "half\xc3", "latin1-\xe9t\xe9", "ok-\xc3\xa9"};
    for (const auto& n : names) {
        dir.write(n);
    }
    for (const auto& n : names) {
        ASSERT_TRUE(recorder.waitFor(waAdd, n)) << recorder.dump();
        EXPECT_TRUE(fs::exists(dir.path() / n)) << "joining the name to the directory names the real file";
    }
}

TEST_F(Live, BurstWhileTheMainThreadIsSlowIsDeliveredCompletely)
{
    start();
    waitRegistered();
    constexpr int kFiles = 20000;
    std::thread writer([&] {
        for (int i = 0; i < kFiles; ++i) {
            const std::string p = dir.str() + "/n" + std::to_string(i);
            ::close(::open(p.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        }
    });
    std::set<std::string> seen;
    monitor.SetOnChange([&](TQuorvel_DiskMonitor*, TWatchAction a, std::string name) {
        if (a == waAdd) {
            seen.insert(std::move(name));
        }
    });
    // Serve hand-offs slowly at first, as a main thread busy repainting would.
    for (int i = 0; i < 20; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        CheckSynchronize(std::chrono::milliseconds(1));
    }
    writer.join();
    const bool complete = recorder.pumpUntil([&] { return seen.size() >= kFiles; }, std::chrono::seconds(60));
    platform::WatchStatus status;
    monitor.WatchStatus(status);
    EXPECT_TRUE(complete) << seen.size() << " of " << kFiles << " delivered";
    EXPECT_EQ(status.overflows, 0u);
}

TEST_F(Live, WatchedDirectoryRemovedIsSilentAndStaysActive)
{
    TempDir parent;
    const fs::path watched = parent.mkdir("watched");
    monitor.SetDirectory(watched.string());
    start();
    fs::remove_all(watched);
    recorder.settle();
    EXPECT_TRUE(monitor.Active());
    platform::WatchStatus status;
    EXPECT_TRUE(recorder.pumpUntil([&] { return monitor.WatchStatus(status) && status.directoryGone; }));
    fs::create_directory(watched);
    std::ofstream(watched / "new.txt") << "x";
    recorder.settle();
    EXPECT_FALSE(recorder.has(waAdd, "new.txt")) << recorder.dump();
}

TEST_F(Live, DeactivatedWorkerParksAndChangesMeanwhileAreNeverReported)
{
    start();
    dir.write("first");
    ASSERT_TRUE(recorder.waitFor(waAdd, "first")) << recorder.dump();
    monitor.SetActive(false);
    EXPECT_TRUE(recorder.pumpUntil([&] { return monitor.WorkerParked(); }));
    dir.write("while-off");
    monitor.SetActive(true);
    dir.write("second");
    ASSERT_TRUE(recorder.waitFor(waAdd, "second")) << recorder.dump();
    EXPECT_FALSE(recorder.has(waAdd, "while-off")) << recorder.dump();
}

TEST_F(Live, ThousandActivationCyclesThenStillWatching)
{
    for (int i = 0; i < 1000; ++i) {
        monitor.SetActive(true);
        if (i % 100 == 0) {
            dir.write("c" + std::to_string(i)); // some cycles end with a completion in flight
        }
        CheckSynchronize();
        monitor.SetActive(false);
    }
    start();
    dir.write("last");
    ASSERT_TRUE(recorder.waitFor(waAdd, "last")) << recorder.dump();
}

// A completion handed off but not yet served when the watch moves to another directory must not be
// reported against the new directory, and the new activation keeps working.
TEST_F(Live, PendingHandOffAcrossARestartIsNotMisattributed)
{
    TempDir other;
    start();
    dir.write("from-first-dir");
    ASSERT_TRUE(waitUntil([] { return MainThreadQueue::instance().pending() > 0; }));
    monitor.SetActive(false);
    monitor.SetDirectory(other.str());
    monitor.SetActive(true);
    other.write("from-second-dir");
    ASSERT_TRUE(recorder.waitFor(waAdd, "from-second-dir")) << recorder.dump();
    recorder.settle();
    EXPECT_FALSE(recorder.has(waAdd, "from-first-dir")) << recorder.dump();
}

TEST_F(Live, DestroyWithHandOffPending)
{
    auto doomed = std::make_unique<TQuorvel_DiskMonitor>(nullptr);
    bool called = false;
    doomed->SetOnChange([&](auto*, auto, auto) { called = true; });
    doomed->SetDirectory(dir.str());
    doomed->SetActive(true);
    dir.write("pending");
    ASSERT_TRUE(waitUntil([] { return MainThreadQueue::instance().pending() > 0; }));
    doomed.reset();
    recorder.settle();
    EXPECT_FALSE(called);
}

TEST_F(Live, HandlerExceptionDoesNotStopTheWatch)
{
    monitor.SetOnChange([&](TQuorvel_DiskMonitor*, TWatchAction a, std::string name) {
        if (name == "boom") {
            throw std::runtime_error("handler failed");
        }
        recorder.events.emplace_back(a, name);
    });
    start();
    dir.write("boom");
    bool thrown = false;
    ASSERT_TRUE(waitUntil([&] { return thrown; },
                          [&] {
                              try {
                                  CheckSynchronize(std::chrono::milliseconds(10));
                              } catch (const std::runtime_error&) {
                                  thrown = true;
                              }
                          }));
    dir.write("after");
    EXPECT_TRUE(recorder.waitFor(waAdd, "after")) << recorder.dump();
}

} // namespace
} // namespace tervane::test
