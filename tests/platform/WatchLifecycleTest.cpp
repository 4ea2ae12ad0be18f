// SPDX-License-Identifier: MIT
// Opening, misuse, closing under the engine's threads, and the end of a watch whose directory goes away.
#include "tests/platform/WatchHarness.h"
#include "tests/support/TempDir.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tervane::test {
namespace {

namespace fs = std::filesystem;

HANDLE openDirectory(const std::string& path, std::error_code* ec = nullptr)
{
    return CreateFileA(path, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, ec);
}

/// Runs `body` in a forked child and returns its exit status (or -1); the child must not use gtest.
int runInChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

struct OpenCase
{
    const char* label;
    std::function<std::string(const TempDir&)> path;
    std::errc error;
};

class OpenFailure : public ::testing::TestWithParam<OpenCase>
{
};

TEST_P(OpenFailure, GivesInvalidHandleAndTheReason)
{
    TempDir tmp;
    std::error_code ec;
    EXPECT_EQ(openDirectory(GetParam().path(tmp), &ec), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ec, std::make_error_code(GetParam().error)) << ec.message();
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenFailure,
    ::testing::Values(
        OpenCase{"Missing", [](const TempDir& dir) { return dir.str() + "/missing"; },
                 std::errc::no_such_file_or_directory},
        OpenCase{"RegularFile", [](const TempDir& dir) { return dir.write("f").string(); }, std::errc::not_a_directory},
        OpenCase{"Empty", [](const TempDir&) { return std::string(); }, std::errc::no_such_file_or_directory}),
    LabelOf{});

TEST(OpenFailure, NoAccessGivesPermissionDenied)
{
    TempDir tmp;
    const std::string locked = tmp.mkdir("locked").string();
    fs::permissions(locked, fs::perms::none);
    const auto attempt = [&] {
        std::error_code ec;
        const HANDLE handle = openDirectory(locked, &ec);
        return handle == INVALID_HANDLE_VALUE && ec == std::errc::permission_denied ? 0 : 1;
    };
    if (::geteuid() != 0) {
        EXPECT_EQ(attempt(), 0);
        return;
    }
    // Root reads everything; an unprivileged child shows what a user meets.
    EXPECT_EQ(runInChild([&] { return ::setgid(65534) == 0 && ::setuid(65534) == 0 ? attempt() : 2; }), 0);
}

struct MisuseCase
{
    const char* label;
    std::function<bool(Watcher&, const TempDir&)> call;
};

class Misuse : public ::testing::TestWithParam<MisuseCase>
{
};

TEST_P(Misuse, FailsCleanly)
{
    TempDir tmp;
    Watcher watcher(tmp.str());
    ASSERT_TRUE(watcher.armed);
    EXPECT_FALSE(GetParam().call(watcher, tmp));
}

INSTANTIATE_TEST_SUITE_P(
    Calls, Misuse,
    ::testing::Values(
        MisuseCase{"ZeroFilter",
                   [](Watcher&, const TempDir& tmp) {
                       // A fresh handle, so the zero filter is the only thing wrong.
                       const HANDLE dir = openDirectory(tmp.str());
                       const HANDLE port = CreateIoCompletionPort(dir, 0, kKey, 0);
                       alignas(4) std::array<unsigned char, 4097> buffer{};
                       OVERLAPPED overlapped{};
                       std::error_code ec;
                       const bool ok =
                           ReadDirectoryChangesW(dir, buffer.data(), buffer.size(), true, 0, nullptr, &overlapped, &ec);
                       EXPECT_EQ(ec, std::errc::invalid_argument);
                       CloseHandle(port);
                       CloseHandle(dir);
                       return ok;
                   }},
        MisuseCase{"SecondReadWhilePending", [](Watcher& w, const TempDir&) { return w.arm(); }},
        MisuseCase{"SecondPortForTheHandle",
                   [](Watcher& w, const TempDir&) { return CreateIoCompletionPort(w.dir, 0, kKey, 0) != 0; }},
        MisuseCase{"ExistingPortArgument",
                   [](Watcher& w, const TempDir&) { return CreateIoCompletionPort(w.dir, w.port, kKey, 0) != 0; }},
        MisuseCase{"ReadOnClosedHandle",
                   [](Watcher& w, const TempDir&) {
                       CloseHandle(w.dir);
                       return w.arm();
                   }},
        MisuseCase{"CloseTwice",
                   [](Watcher& w, const TempDir&) {
                       CloseHandle(w.dir);
                       return CloseHandle(w.dir);
                   }},
        MisuseCase{"PortHandleAsDirectory",
                   [](Watcher& w, const TempDir&) {
                       WatchStatus status;
                       return GetWatchStatus(w.port, status);
                   }},
        MisuseCase{"WaitOnClosedPort",
                   [](Watcher& w, const TempDir&) {
                       CloseHandle(w.port);
                       OVERLAPPED* overlapped = &w.overlapped;
                       const bool ok = GetQueuedCompletionStatus(w.port, nullptr, nullptr, &overlapped, INFINITE);
                       EXPECT_EQ(overlapped, nullptr);
                       return ok;
                   }}),
    LabelOf{});

TEST(Lifecycle, ClosingThePortWakesAWaiterWithAFailedWait)
{
    TempDir tmp;
    Watcher watcher(tmp.str());
    bool result = true;
    OVERLAPPED* overlapped = &watcher.overlapped;
    std::thread worker(
        [&] { result = GetQueuedCompletionStatus(watcher.port, nullptr, nullptr, &overlapped, INFINITE); });
    CloseHandle(watcher.port);
    worker.join();
    EXPECT_FALSE(result);
    EXPECT_EQ(overlapped, nullptr);
}

TEST(Lifecycle, ClosingTheDirectoryAbortsThePendingReadAndNeverTouchesTheBufferAgain)
{
    TempDir tmp;
    Watcher watcher(tmp.str());
    ASSERT_TRUE(watcher.armed);
    ASSERT_TRUE(CloseHandle(watcher.dir));
    DWORD bytes = 1;
    ULONG_PTR key = 0;
    OVERLAPPED* overlapped = nullptr;
    ASSERT_TRUE(GetQueuedCompletionStatus(watcher.port, &bytes, &key, &overlapped, kDeadlineMs));
    EXPECT_EQ(bytes, 0U);
    EXPECT_EQ(key, kKey);
    EXPECT_EQ(overlapped, &watcher.overlapped);
    for (int i = 0; i < 50; ++i) {
        tmp.write("after" + std::to_string(i));
    }
    EXPECT_TRUE(std::all_of(watcher.buffer.begin(), watcher.buffer.end(), [](unsigned char b) { return b == 0; }));
}

/// The engine's own shutdown, repeated while files change: the worker waits and re-arms, the main thread
/// posts a wake-up and closes port and directory, possibly while the worker is mid-call on either.
TEST(Lifecycle, EngineShutdownUnderChangesIsSafe)
{
    TempDir tmp;
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        for (int i = 0; writing.load(); ++i) {
            tmp.write("f" + std::to_string(i % 50));
        }
    });
    for (int round = 0; round < 100; ++round) {
        Watcher watcher(tmp.str());
        ASSERT_TRUE(watcher.armed);
        std::thread worker([&] {
            for (;;) {
                DWORD bytes = 0;
                ULONG_PTR key = 0;
                OVERLAPPED* overlapped = nullptr;
                if (!GetQueuedCompletionStatus(watcher.port, &bytes, &key, &overlapped, INFINITE) ||
                    overlapped == nullptr) {
                    return;
                }
                // The real engine hands the buffer to the main thread here; the re-read may hit a closed handle.
                watcher.arm();
            }
        });
        PostQueuedCompletionStatus(watcher.port, 0, 0, nullptr);
        CloseHandle(watcher.port);
        CloseHandle(watcher.dir);
        worker.join();
    }
    writing = false;
    writer.join();
}

TEST(Lifecycle, ThousandWatchesLeaveNoDescriptorOrThread)
{
    if (!kProcessCountsAreOurs) {
        GTEST_SKIP() << "ThreadSanitizer runs threads of its own, so the counts do not hold";
    }
    TempDir tmp;
    const int descriptors = openDescriptorCount();
    const int threads = threadCount();
    for (int i = 0; i < 1000; ++i) {
        Watcher watcher(tmp.str());
        ASSERT_TRUE(watcher.armed) << "cycle " << i;
    }
    EXPECT_EQ(openDescriptorCount(), descriptors);
    EXPECT_EQ(threadCount(), threads);
}

struct GoneCase
{
    const char* label;
    std::function<void(const fs::path& watched, const fs::path& elsewhere)> act;
};

class WatchedDirectoryGone : public ::testing::TestWithParam<GoneCase>
{
};

TEST_P(WatchedDirectoryGone, EndsWithOneEmptyCompletionThenRefusesReads)
{
    TempDir tmp;
    const fs::path watched = tmp.mkdir("w/s");
    tmp.write("w/s/f");
    Watcher watcher((tmp.path() / "w").string());
    ASSERT_TRUE(waitUntil([&] { return watcher.status().registrationComplete; }));
    GetParam().act(tmp.path() / "w", tmp.path() / "elsewhere");

    DWORD bytes = 1;
    while (bytes != 0) {
        ASSERT_TRUE(watcher.next(&bytes)) << "no end of watch; " << describe(watcher.seen);
    }
    const WatchStatus status = watcher.status();
    EXPECT_TRUE(status.directoryGone);
    EXPECT_EQ(status.overflows, 0U);
    EXPECT_FALSE(watcher.armed);
    // Changes in the moved tree must not surface anywhere any more.
    for (const Change& change : watcher.seen) {
        EXPECT_NE(change.action, FILE_ACTION_ADDED) << change;
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, WatchedDirectoryGone,
                         ::testing::Values(GoneCase{"Removed",
                                                    [](const fs::path& w, const fs::path&) { fs::remove_all(w); }},
                                           GoneCase{"MovedAway",
                                                    [](const fs::path& w, const fs::path& elsewhere) {
                                                        fs::rename(w, elsewhere);
                                                        std::ofstream(elsewhere / "s" / "late").flush();
                                                    }}),
                         LabelOf{});

} // namespace
} // namespace tervane::test
