// SPDX-License-Identifier: MIT
#pragma once
// Drives a directory handle the way the watch engine does: open, bind a port, read into a 4097-byte buffer,
// wait on the port, decode the records, clear and read again. The test thread plays both engine threads.

#include "platform/Platform.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace tervane::test {

using namespace tervane::platform;

inline constexpr DWORD kAllChanges = 0x17F;
inline constexpr ULONG_PTR kKey = 0x7e57;
/// Safety net against a hang; never a timing expectation.
inline constexpr DWORD kDeadlineMs = 20000;

struct Change
{
    DWORD action;
    std::string name;
    bool operator==(const Change&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Change& change)
{
    static const char* const names[] = {"?", "ADDED", "REMOVED", "MODIFIED", "OLD_NAME", "NEW_NAME"};
    return out << (change.action < 6 ? names[change.action] : "?") << ' ' << change.name;
}

inline std::string describe(const std::vector<Change>& changes)
{
    std::string out = std::to_string(changes.size()) + " changes:";
    for (std::size_t i = 0; i < changes.size() && i < 40; ++i) {
        out += "\n  " + ::testing::PrintToString(changes[i]);
    }
    return out;
}

/// Names TEST_P cases after their `label` field.
struct LabelOf
{
    template <typename Param> std::string operator()(const ::testing::TestParamInfo<Param>& param) const
    {
        return param.param.label;
    }
};

class Watcher
{
public:
    explicit Watcher(const std::string& path, DWORD filter = kAllChanges, bool subtree = true)
        : m_filter(filter), m_subtree(subtree)
    {
        dir = CreateFileA(path, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED);
        port = CreateIoCompletionPort(dir, 0, kKey, 0);
        armed = arm();
    }
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;
    ~Watcher()
    {
        CloseHandle(port);
        CloseHandle(dir);
    }

    bool arm()
    {
        buffer.fill(0);
        return ReadDirectoryChangesW(dir, buffer.data(), buffer.size(), m_subtree, m_filter, nullptr, &overlapped);
    }

    /// Waits for one completion, appends its records to `seen` and reads again. False on the deadline.
    bool next(DWORD* bytesOut = nullptr)
    {
        DWORD bytes = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* done = nullptr;
        if (!GetQueuedCompletionStatus(port, &bytes, &key, &done, kDeadlineMs)) {
            return false;
        }
        EXPECT_EQ(key, kKey);
        EXPECT_EQ(done, &overlapped);
        EXPECT_LE(bytes, buffer.size());
        decode(bytes);
        if (bytesOut != nullptr) {
            *bytesOut = bytes;
        }
        armed = arm();
        return true;
    }

    /// Collects until `done(seen)` holds; on the deadline the assertion prints what was seen.
    void collectUntil(const std::function<bool(const std::vector<Change>&)>& done)
    {
        while (!done(seen)) {
            ASSERT_TRUE(next()) << "gave up waiting; " << describe(seen);
        }
    }

    /// Creates a new file below `root` as an end marker and returns everything reported before it: since
    /// records arrive in order, anything missing or doubled by then is a fault.
    std::vector<Change> collectUntilMarker(const std::string& root);

    [[nodiscard]] WatchStatus status() const
    {
        WatchStatus s;
        GetWatchStatus(dir, s);
        return s;
    }

    HANDLE dir = INVALID_HANDLE_VALUE;
    HANDLE port = 0;
    bool armed = false;
    OVERLAPPED overlapped{};
    alignas(4) std::array<unsigned char, 4097> buffer{};
    std::vector<Change> seen;

private:
    void decode(DWORD bytes)
    {
        for (std::size_t offset = 0; bytes != 0;) {
            ASSERT_EQ(offset % 4, 0U);
            ASSERT_LE(offset + offsetof(FILE_NOTIFY_INFORMATION, FileName), bytes);
            FILE_NOTIFY_INFORMATION record;
            std::memcpy(&record, buffer.data() + offset, offsetof(FILE_NOTIFY_INFORMATION, FileName));
            const std::size_t nameAt = offset + offsetof(FILE_NOTIFY_INFORMATION, FileName);
            ASSERT_LE(nameAt + record.FileNameLength, bytes);
            std::u16string name(record.FileNameLength / 2, u'\0');
            std::memcpy(name.data(), buffer.data() + nameAt, record.FileNameLength);
            seen.push_back({record.Action, WideCharToMultiByte(name)});
            if (record.NextEntryOffset == 0) {
                break;
            }
            offset += record.NextEntryOffset;
        }
    }

    DWORD m_filter;
    bool m_subtree;
    int m_markers = 0;
};

/// Directories below and including `root`, symbolic links not followed.
inline std::uint64_t directoriesOnDisk(const std::string& root)
{
    std::uint64_t count = 1;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        count += it->is_directory(ec) && !it->is_symlink(ec) ? 1 : 0;
    }
    return count;
}

inline std::vector<Change> Watcher::collectUntilMarker(const std::string& root)
{
    const std::string relative = "~end" + std::to_string(++m_markers);
    // New directories are listed on the backend thread; a marker is only "last" once they are registered,
    // which the status shows (its counts are published together with the listing's records).
    if (m_subtree) {
        const std::uint64_t expected = directoriesOnDisk(root);
        EXPECT_TRUE(waitUntil([&] { return status().watchedDirectories == expected; }))
            << "watching " << status().watchedDirectories << " of " << expected << " directories";
    }
    if (std::FILE* file = std::fopen((root + "/" + relative).c_str(), "w")) {
        std::fclose(file);
    }
    const Change marker{FILE_ACTION_ADDED, relative};
    const std::size_t from = seen.size();
    std::size_t at = from;
    collectUntil([&](const std::vector<Change>& changes) {
        for (at = from; at < changes.size(); ++at) {
            if (changes[at] == marker) {
                return true;
            }
        }
        return false;
    });
    return {seen.begin() + static_cast<std::ptrdiff_t>(from),
            seen.begin() + static_cast<std::ptrdiff_t>(std::min(at, seen.size()))};
}

} // namespace tervane::test
