// SPDX-License-Identifier: MIT
#pragma once
// Turns a subtree's inotify events into change records: keeps the registered directories, pairs renames by
// cookie, registers new and moved-in directories (reporting what they already hold) and walks the initial
// tree one directory at a time so the caller can drain the kernel queue in between. Backend thread only.

#include "platform/Win32Types.h"
#include "platform/linux/ChangeQueue.h"
#include "platform/linux/ChangeRecord.h"
#include "platform/linux/FileDescriptor.h"
#include "platform/linux/WatchTree.h"

#include <cstdint>
#include <deque>
#include <string>
#include <sys/inotify.h>
#include <sys/types.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tervane::platform {

class ChangeTranslator
{
public:
    struct Settings
    {
        int inotifyFd = -1;
        std::string rootPath; ///< absolute
        dev_t rootDevice = 0;
        DWORD filter = 0;
        bool subtree = false;
    };

    ChangeTranslator(const Settings& settings, int rootWd);

    [[nodiscard]] bool hasWork() const { return !m_work.empty(); }
    /// Registers and lists the next queued directory.
    void registerNext();

    void handle(const inotify_event& event);
    /// The kernel queue was read empty: a rename whose other half has not come is a move out of the tree.
    void endOfDrain();

    /// Appends every record that is final (not waiting for the other half of a rename) to `out`.
    void takeRecords(std::vector<ChangeRecord>& out);
    /// True once per kernel queue overflow.
    bool takeOverflow() { return std::exchange(m_overflow, false); }
    [[nodiscard]] bool gone() const { return m_gone; }
    [[nodiscard]] RegistrationProgress progress() const;

private:
    struct WorkItem
    {
        int parentWd; ///< -1 for the root, whose watch already exists
        std::string name;
        bool report; ///< report the entries found: the directory is new to the tree
    };
    /// A record in output order; a rename's slot is held open until its other half arrives.
    struct Slot
    {
        DWORD action = 0; ///< 0: nothing to report
        bool pending = false;
        std::string path;
        std::string newPath;
        /// For a change inside a directory whose rename is pending: where it happened, to name it once the
        /// directory's fate is known (renamed within the tree: new path; moved out: not reported).
        int heldWd = -1;
        std::string heldName;
    };
    struct PendingMove
    {
        std::size_t slot;
        int parentWd;
        std::string name;
        bool isDirectory;
        int movingWd = -1; ///< the directory's own watch, if it is registered
        std::vector<std::size_t> held;
    };

    void registerDirectory(const WorkItem& item);
    int parentDescriptor(const WatchTree::Node& parent);
    void onCreate(WatchTree::Node& parent, const std::string& name, bool isDirectory);
    void onDelete(WatchTree::Node& parent, const std::string& name, bool isDirectory);
    void onMovedFrom(WatchTree::Node& parent, const std::string& name, bool isDirectory, std::uint32_t cookie);
    void onMovedTo(WatchTree::Node& parent, const std::string& name, bool isDirectory, std::uint32_t cookie);

    void list(int fd, WatchTree::Node& node, bool report);
    void emit(DWORD action, const WatchTree::Node& parent, std::string_view name);
    void settleHeld(const PendingMove& move, bool renamed);
    void queueDirectory(const WatchTree::Node& parent, std::string name, bool report);
    void dropSubtree(WatchTree::Node& node);
    void releaseWatches(const std::vector<int>& wds);
    Slot& slot(std::size_t index) { return m_slots[index - m_slotBase]; }

    const Settings m_settings;
    const std::uint32_t m_mask;
    WatchTree m_tree;
    std::deque<WorkItem> m_work;
    std::deque<Slot> m_slots;
    std::size_t m_slotBase = 0;
    std::unordered_map<std::uint32_t, PendingMove> m_moves;
    std::unordered_map<int, std::uint32_t> m_movingDirectories; ///< wd -> cookie of its pending rename
    std::vector<int> m_listedSinceDrain;
    struct
    {
        int wd = -1;
        FileDescriptor fd;
    } m_parent; ///< the directory whose entries are being registered
    std::uint64_t m_unwatched = 0;
    bool m_limitHit = false;
    bool m_crawled = false;
    bool m_overflow = false;
    bool m_gone = false;
};

} // namespace tervane::platform
