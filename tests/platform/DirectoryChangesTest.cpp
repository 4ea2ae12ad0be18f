// SPDX-License-Identifier: MIT
// What a reader sees for changes in the watched tree, driven through the real kernel on tmpfs.
#include "tests/platform/WatchHarness.h"
#include "tests/support/TempDir.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tervane::test {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kNames = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;

void touch(const fs::path& path)
{
    std::ofstream(path, std::ios::app).flush();
}

/// Each case works in `w` (watched) with `out` beside it, outside the tree.
struct ChangeCase
{
    const char* label;
    DWORD filter;
    bool subtree;
    std::function<void(const fs::path& w, const fs::path& out)> before;
    std::function<void(const fs::path& w, const fs::path& out)> act;
    std::vector<Change> expected;
};

class DirectoryChanges : public ::testing::TestWithParam<ChangeCase>
{
protected:
    TempDir m_tmp;
    fs::path m_watched = m_tmp.mkdir("w");
    fs::path m_outside = m_tmp.mkdir("out");
};

TEST_P(DirectoryChanges, ReportsExactlyTheseRecords)
{
    const ChangeCase& c = GetParam();
    if (c.before) {
        c.before(m_watched, m_outside);
    }
    Watcher watcher(m_watched.string(), c.filter | FILE_NOTIFY_CHANGE_FILE_NAME, c.subtree);
    ASSERT_TRUE(watcher.armed);
    ASSERT_TRUE(waitUntil([&] { return watcher.status().registrationComplete; }));
    c.act(m_watched, m_outside);
    EXPECT_EQ(watcher.collectUntilMarker(m_watched.string()), c.expected);
}

const fs::path a = "a";

INSTANTIATE_TEST_SUITE_P(
    Changes, DirectoryChanges,
    ::testing::Values(ChangeCase{"CreateFile",
                                 FILE_NOTIFY_CHANGE_FILE_NAME,
                                 true,
                                 nullptr,
                                 [](const fs::path& w, const fs::path&) { touch(w / "a"); },
                                 {{FILE_ACTION_ADDED, "a"}}},
                      ChangeCase{"DeleteFile",
                                 FILE_NOTIFY_CHANGE_FILE_NAME,
                                 true,
                                 [](const fs::path& w, const fs::path&) { touch(w / "a"); },
                                 [](const fs::path& w, const fs::path&) { fs::remove(w / "a"); },
                                 {{FILE_ACTION_REMOVED, "a"}}},
                      ChangeCase{"RenameFile",
                                 FILE_NOTIFY_CHANGE_FILE_NAME,
                                 true,
                                 [](const fs::path& w, const fs::path&) { touch(w / "a"); },
                                 [](const fs::path& w, const fs::path&) { fs::rename(w / "a", w / "b"); },
                                 {{FILE_ACTION_RENAMED_OLD_NAME, "a"}, {FILE_ACTION_RENAMED_NEW_NAME, "b"}}},
                      ChangeCase{"ResizeFile",
                                 FILE_NOTIFY_CHANGE_SIZE,
                                 true,
                                 [](const fs::path& w, const fs::path&) { touch(w / "a"); },
                                 [](const fs::path& w, const fs::path&) { fs::resize_file(w / "a", 10); },
                                 {{FILE_ACTION_MODIFIED, "a"}}},
                      ChangeCase{"ChangeAttributes",
                                 FILE_NOTIFY_CHANGE_ATTRIBUTES,
                                 true,
                                 [](const fs::path& w, const fs::path&) { touch(w / "a"); },
                                 [](const fs::path& w, const fs::path&) { ::chmod((w / "a").c_str(), 0600); },
                                 {{FILE_ACTION_MODIFIED, "a"}}},
                      ChangeCase{"TouchIsALastWrite",
                                 FILE_NOTIFY_CHANGE_LAST_WRITE,
                                 true,
                                 [](const fs::path& w, const fs::path&) { touch(w / "a"); },
                                 [](const fs::path& w, const fs::path&) {
                                     ::utimensat(AT_FDCWD, (w / "a").c_str(), nullptr, 0);
                                 },
                                 {{FILE_ACTION_MODIFIED, "a"}}},
                      ChangeCase{"ReadIsALastAccess",
                                 FILE_NOTIFY_CHANGE_LAST_ACCESS,
                                 true,
                                 [](const fs::path& w, const fs::path&) { std::ofstream(w / "a") << "x"; },
                                 [](const fs::path& w, const fs::path&) {
                                     std::string s;
                                     std::ifstream(w / "a") >> s;
                                 },
                                 {{FILE_ACTION_MODIFIED, "a"}}},
                      ChangeCase{"ChangesNotAskedForStaySilent",
                                 FILE_NOTIFY_CHANGE_FILE_NAME,
                                 true,
                                 [](const fs::path& w, const fs::path&) { std::ofstream(w / "a") << "x"; },
                                 [](const fs::path& w, const fs::path&) {
                                     ::chmod((w / "a").c_str(), 0600);
                                     fs::resize_file(w / "a", 10);
                                     std::string s;
                                     std::ifstream(w / "a") >> s;
                                 },
                                 {}},
                      ChangeCase{"CreateAndRemoveDirectory",
                                 kNames,
                                 true,
                                 nullptr,
                                 [](const fs::path& w, const fs::path&) {
                                     fs::create_directory(w / "d");
                                     fs::remove(w / "d");
                                 },
                                 {{FILE_ACTION_ADDED, "d"}, {FILE_ACTION_REMOVED, "d"}}},
                      ChangeCase{"FileNamesOnlyStillWatchNewDirectories",
                                 FILE_NOTIFY_CHANGE_FILE_NAME,
                                 true,
                                 nullptr,
                                 [](const fs::path& w, const fs::path&) {
                                     fs::create_directory(w / "d");
                                     touch(w / "d" / "x");
                                 },
                                 {{FILE_ACTION_ADDED, "d/x"}}},
                      ChangeCase{"RenameDirectory",
                                 kNames,
                                 true,
                                 [](const fs::path& w, const fs::path&) { fs::create_directory(w / "d"); },
                                 [](const fs::path& w, const fs::path&) { fs::rename(w / "d", w / "e"); },
                                 {{FILE_ACTION_RENAMED_OLD_NAME, "d"}, {FILE_ACTION_RENAMED_NEW_NAME, "e"}}},
                      ChangeCase{"FileDeepInSubtree",
                                 kNames,
                                 true,
                                 [](const fs::path& w, const fs::path&) { fs::create_directories(w / "s" / "t"); },
                                 [](const fs::path& w, const fs::path&) { touch(w / "s" / "t" / "a"); },
                                 {{FILE_ACTION_ADDED, "s/t/a"}}},
                      ChangeCase{"MoveBetweenDirectories",
                                 kNames,
                                 true,
                                 [](const fs::path& w, const fs::path&) {
                                     touch(w / "a");
                                     fs::create_directory(w / "s");
                                 },
                                 [](const fs::path& w, const fs::path&) { fs::rename(w / "a", w / "s" / "a"); },
                                 {{FILE_ACTION_RENAMED_OLD_NAME, "a"}, {FILE_ACTION_RENAMED_NEW_NAME, "s/a"}}},
                      ChangeCase{"ChangeBelowRenamedDirectory",
                                 kNames | FILE_NOTIFY_CHANGE_SIZE,
                                 true,
                                 [](const fs::path& w, const fs::path&) {
                                     fs::create_directories(w / "d" / "s");
                                     touch(w / "d" / "s" / "f");
                                 },
                                 [](const fs::path& w, const fs::path&) {
                                     fs::rename(w / "d", w / "e");
                                     fs::resize_file(w / "e" / "s" / "f", 3);
                                 },
                                 {{FILE_ACTION_RENAMED_OLD_NAME, "d"},
                                  {FILE_ACTION_RENAMED_NEW_NAME, "e"},
                                  {FILE_ACTION_MODIFIED, "e/s/f"}}},
                      ChangeCase{"MoveInAndOutOfTheTreeIsAddAndRemove",
                                 kNames,
                                 true,
                                 [](const fs::path& w, const fs::path& out) {
                                     touch(w / "leaving");
                                     touch(out / "arriving");
                                 },
                                 [](const fs::path& w, const fs::path& out) {
                                     fs::rename(w / "leaving", out / "leaving");
                                     fs::rename(out / "arriving", w / "arriving");
                                 },
                                 {{FILE_ACTION_REMOVED, "leaving"}, {FILE_ACTION_ADDED, "arriving"}}},
                      ChangeCase{
                          "SymbolicLinkIsNotFollowed",
                          kNames,
                          true,
                          [](const fs::path& w, const fs::path& out) { fs::create_directory_symlink(out, w / "l"); },
                          [](const fs::path&, const fs::path& out) { touch(out / "x"); },
                          {}},
                      ChangeCase{"WithoutSubtreeOnlyTheTopLevel",
                                 kNames,
                                 false,
                                 [](const fs::path& w, const fs::path&) { fs::create_directory(w / "s"); },
                                 [](const fs::path& w, const fs::path&) {
                                     touch(w / "s" / "x");
                                     fs::create_directory(w / "d");
                                     touch(w / "d" / "y");
                                 },
                                 {{FILE_ACTION_ADDED, "d"}}}),
    LabelOf{});

/// Trees that appear at once are reported entry by entry, each exactly once and parents first.
struct TreeCase
{
    const char* label;
    std::vector<std::string> directories;
    int filesPerDirectory;
};

class NewTree : public ::testing::TestWithParam<TreeCase>
{
};

TEST_P(NewTree, IsReportedCompletelyAndOnce)
{
    const TreeCase& c = GetParam();
    TempDir tmp;
    Watcher watcher(tmp.str(), kNames);
    ASSERT_TRUE(waitUntil([&] { return watcher.status().registrationComplete; }));

    std::map<std::string, int> expected;
    for (const std::string& directory : c.directories) {
        fs::create_directories(tmp.path() / directory);
        for (fs::path p = directory; !p.empty(); p = p.parent_path()) {
            expected[p.string()] = 1;
        }
        for (int i = 0; i < c.filesPerDirectory; ++i) {
            const std::string file = directory + "/f" + std::to_string(i);
            touch(tmp.path() / file);
            expected[file] = 1;
        }
    }
    const std::vector<Change> changes = watcher.collectUntilMarker(tmp.str());

    std::map<std::string, int> counted;
    for (const Change& change : changes) {
        ASSERT_EQ(change.action, FILE_ACTION_ADDED) << change;
        const std::string parent = fs::path(change.name).parent_path().string();
        EXPECT_TRUE(parent.empty() || counted.count(parent) != 0) << change << " came before its directory";
        ++counted[change.name];
    }
    EXPECT_EQ(counted, expected) << describe(changes);
}

INSTANTIATE_TEST_SUITE_P(Trees, NewTree,
                         ::testing::Values(TreeCase{"DirectoryWith200Files", {"d"}, 200},
                                           TreeCase{"NestedTreeFromOneMkdirP", {"n/a/b/c", "n/a/b", "n/a", "n"}, 50}),
                         LabelOf{});

TEST(DirectoryChanges, TreeMovedInIsReportedAndMovedOutIsReleased)
{
    TempDir tmp;
    const fs::path w = tmp.mkdir("w");
    tmp.mkdir("out/t/s/deep");
    touch(tmp.path() / "out/t/x");
    touch(tmp.path() / "out/t/s/deep/z");
    Watcher watcher(w.string(), kNames | FILE_NOTIFY_CHANGE_SIZE);
    ASSERT_TRUE(waitUntil([&] { return watcher.status().registrationComplete; }));

    fs::rename(tmp.path() / "out/t", w / "t");
    std::vector<Change> arrived = watcher.collectUntilMarker(w.string());
    std::sort(arrived.begin(), arrived.end(), [](const Change& l, const Change& r) { return l.name < r.name; });
    const std::vector<Change> expectedArrival{{FILE_ACTION_ADDED, "t"},
                                              {FILE_ACTION_ADDED, "t/s"},
                                              {FILE_ACTION_ADDED, "t/s/deep"},
                                              {FILE_ACTION_ADDED, "t/s/deep/z"},
                                              {FILE_ACTION_ADDED, "t/x"}};
    EXPECT_EQ(arrived, expectedArrival);
    EXPECT_EQ(watcher.status().watchedDirectories, 4U);

    fs::rename(w / "t", tmp.path() / "gone");
    fs::resize_file(tmp.path() / "gone/s/deep/z", 5);
    touch(tmp.path() / "gone/s/new");
    const std::vector<Change> left{{FILE_ACTION_REMOVED, "t"}};
    EXPECT_EQ(watcher.collectUntilMarker(w.string()), left);
    EXPECT_EQ(watcher.status().watchedDirectories, 1U);
}

TEST(DirectoryChanges, NameRecreatedAfterTheListingIsReportedAgain)
{
    TempDir tmp;
    Watcher watcher(tmp.str(), kNames);
    ASSERT_TRUE(waitUntil([&] { return watcher.status().registrationComplete; }));
    tmp.mkdir("d");
    touch(tmp.path() / "d/f");
    watcher.collectUntilMarker(tmp.str());
    fs::remove(tmp.path() / "d/f");
    touch(tmp.path() / "d/f");
    const std::vector<Change> expected{{FILE_ACTION_REMOVED, "d/f"}, {FILE_ACTION_ADDED, "d/f"}};
    EXPECT_EQ(watcher.collectUntilMarker(tmp.str()), expected);
}

class UndecodableName : public ::testing::TestWithParam<std::string>
{
};

TEST_P(UndecodableName, ComesBackAsTheExactBytes)
{
    TempDir tmp;
    Watcher watcher(tmp.str(), kNames);
    touch(tmp.path() / GetParam());
    const std::vector<Change> expected{{FILE_ACTION_ADDED, GetParam()}};
    EXPECT_EQ(watcher.collectUntilMarker(tmp.str()), expected);
}

INSTANTIATE_TEST_SUITE_P(Names, UndecodableName,
                         ::testing::Values(std::string("latin1-caf\xe9"), std::string("stray-\xff\xfe"),
                                           std::string("surrogate-\xed\xa0\x80"), std::string("emoji-\xf0\x9f\x98\x80"),
                                           std::string("truncated-\xe2\x82")));

} // namespace
} // namespace tervane::test
