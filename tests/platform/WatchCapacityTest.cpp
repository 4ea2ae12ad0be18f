// SPDX-License-Identifier: MIT
// Volume: storms against a slow reader, records split across reads, big trees and the kernel's watch limit.
#include "tests/platform/WatchHarness.h"
#include "tests/support/TempDir.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tervane::test {
namespace {

namespace fs = std::filesystem;

void create(const fs::path& path)
{
    std::ofstream(path).flush();
}

TEST(Capacity, StormBeyondTheKernelQueueReachesASlowReaderComplete)
{
    TempDir tmp;
    Watcher watcher(tmp.str(), FILE_NOTIFY_CHANGE_FILE_NAME);
    ASSERT_TRUE(watcher.armed);
    // More than fs.inotify.max_queued_events (16384 by default) while nobody reads.
    constexpr int kFiles = 20000;
    for (int i = 0; i < kFiles; ++i) {
        create(tmp.path() / ("f" + std::to_string(i)));
    }
    std::set<std::string> names;
    while (names.size() < kFiles) {
        ASSERT_TRUE(watcher.next()) << names.size() << " of " << kFiles << "; " << describe(watcher.seen);
        for (const Change& change : watcher.seen) {
            EXPECT_TRUE(names.insert(change.name).second) << "twice: " << change;
        }
        watcher.seen.clear();
        std::this_thread::sleep_for(std::chrono::microseconds(200)); // a busy main thread
    }
    EXPECT_EQ(watcher.status().overflows, 0U);
}

TEST(Capacity, RecordsThatDoNotFitWaitForTheNextRead)
{
    TempDir tmp;
    Watcher watcher(tmp.str(), FILE_NOTIFY_CHANGE_FILE_NAME);
    // 12 header bytes + 2 * 100 name bytes: 19 records fill 4028 bytes and the 20th does not fit.
    constexpr std::size_t kRecord = 12 + 2 * 100;
    std::vector<Change> expected;
    for (int i = 0; i < 120; ++i) {
        std::string name = std::to_string(1000 + i);
        name.resize(100, 'n');
        create(tmp.path() / name);
        expected.push_back({FILE_ACTION_ADDED, name});
    }
    DWORD largest = 0;
    while (watcher.seen.size() < expected.size()) {
        DWORD bytes = 0;
        ASSERT_TRUE(watcher.next(&bytes)) << describe(watcher.seen);
        largest = std::max(largest, bytes);
    }
    EXPECT_EQ(watcher.seen, expected);
    EXPECT_GT(largest, watcher.buffer.size() - kRecord) << "no read was filled up to its end";
}

TEST(Capacity, LargeTreeRegistersInTheBackgroundWhileChangesFlow)
{
    TempDir tmp;
    for (int i = 0; i < 60; ++i) {
        for (int j = 0; j < 50; ++j) {
            fs::create_directories(tmp.path() / ("d" + std::to_string(i)) / ("e" + std::to_string(j)));
        }
    }
    Watcher watcher(tmp.str(), FILE_NOTIFY_CHANGE_FILE_NAME);
    ASSERT_TRUE(watcher.armed);
    // The root is watched before the first read returns, whatever the crawl is doing.
    create(tmp.path() / "early");
    watcher.collectUntil([](const std::vector<Change>& seen) { return !seen.empty(); });
    EXPECT_EQ(watcher.seen.front(), (Change{FILE_ACTION_ADDED, "early"}));

    ASSERT_TRUE(waitUntil([&] { return watcher.status().registrationComplete; }));
    EXPECT_EQ(watcher.status().watchedDirectories, 1U + 60U + 60U * 50U);
    create(tmp.path() / "d59/e49/late");
    watcher.collectUntil([](const std::vector<Change>& seen) {
        return std::find(seen.begin(), seen.end(), Change{FILE_ACTION_ADDED, "d59/e49/late"}) != seen.end();
    });
}

/// Runs `body` in a forked child with its own user namespace, whose inotify limits are its own to lower.
/// Returns the child's exit status, or -1 if such a namespace cannot be made here.
int runInUserNamespace(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER) != 0) {
            ::_exit(100);
        }
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
        ::_exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) == 100) {
        return -1;
    }
    return WEXITSTATUS(status);
}

TEST(Capacity, WatchLimitKeepsWhatIsWatchedAndNamesTheLimit)
{
    TempDir tmp;
    for (int i = 0; i < 10; ++i) {
        tmp.mkdir("d" + std::to_string(i));
    }
    // Lowering fs.inotify.max_user_watches itself would starve everybody else on the machine; a user
    // namespace has its own limit on top of the global one.
    const int result = runInUserNamespace([&] {
        if (!(std::ofstream("/proc/sys/user/max_inotify_watches") << "4")) {
            return 101;
        }
        Watcher watcher(tmp.str(), FILE_NOTIFY_CHANGE_FILE_NAME);
        if (!watcher.armed || !waitUntil([&] { return watcher.status().registrationComplete; })) {
            return 1;
        }
        const WatchStatus status = watcher.status();
        if (status.watchedDirectories != 4 || status.unwatchedDirectories != 7 ||
            status.limitName != "fs.inotify.max_user_watches") {
            std::fprintf(stderr, "watched %llu unwatched %llu limit '%s'\n",
                         static_cast<unsigned long long>(status.watchedDirectories),
                         static_cast<unsigned long long>(status.unwatchedDirectories), status.limitName.c_str());
            return 2;
        }
        // What is watched keeps working.
        create(tmp.path() / "still");
        watcher.collectUntil([](const std::vector<Change>& seen) { return !seen.empty(); });
        return watcher.seen.front() == Change{FILE_ACTION_ADDED, "still"} ? 0 : 3;
    });
    if (result == -1 || result == 101) {
        // unshare(CLONE_NEWUSER) wants a single-threaded process: ThreadSanitizer's helper thread rules it out.
        GTEST_SKIP() << "no user namespace with its own inotify limit here (sandbox or sanitizer)";
    }
    EXPECT_EQ(result, 0);
}

} // namespace
} // namespace tervane::test
