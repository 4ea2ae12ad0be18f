// SPDX-License-Identifier: MIT
#include "platform/linux/ChangeTranslator.h"

#include "platform/linux/DirectoryListing.h"
#include "platform/linux/EventMapping.h"
#include "platform/linux/FileDescriptor.h"
#include "platform/linux/NameCodec.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <utility>

namespace tervane::platform {

namespace {

std::string descriptorPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

} // namespace

ChangeTranslator::ChangeTranslator(const Settings& settings, int rootWd)
    : m_settings(settings), m_mask(directoryMask(settings.filter, settings.subtree))
{
    m_tree.addRoot(rootWd);
    if (m_settings.subtree) {
        m_work.push_back({-1, {}, false});
    } else {
        m_crawled = true;
    }
}

RegistrationProgress ChangeTranslator::progress() const
{
    return {m_tree.size(), m_unwatched, m_limitHit, m_crawled};
}

void ChangeTranslator::registerNext()
{
    const WorkItem item = std::move(m_work.front());
    m_work.pop_front();
    registerDirectory(item);
    if (m_work.empty()) {
        m_crawled = true;
        m_parent = {}; // an open directory would hold back its IN_DELETE_SELF
    }
}

int ChangeTranslator::parentDescriptor(const WatchTree::Node& parent)
{
    // Siblings sit next to each other in the queue, so one cached parent saves walking the whole path
    // for nearly every directory. A descriptor also follows its directory through renames.
    if (m_parent.wd != parent.wd || !m_parent.fd.valid()) {
        const std::string absolute = m_settings.rootPath + '/' + m_tree.path(parent);
        m_parent.fd.reset(::open(absolute.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        m_parent.wd = parent.wd;
    }
    return m_parent.fd.get();
}

void ChangeTranslator::registerDirectory(const WorkItem& item)
{
    if (item.parentWd < 0) {
        FileDescriptor fd(::open(m_settings.rootPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fd.valid() && m_tree.root() != nullptr) {
            list(fd.get(), *m_tree.root(), false);
        }
        return;
    }
    WatchTree::Node* parent = m_tree.find(item.parentWd);
    if (parent == nullptr || m_tree.child(*parent, item.name) != nullptr) {
        return; // gone meanwhile, or registered twice (listing and event both saw it)
    }
    // Opening first and watching the open directory through /proc ties the watch to exactly what we list,
    // even if the path is renamed under us; O_NOFOLLOW keeps symbolic links out of the tree.
    FileDescriptor fd(::openat(parentDescriptor(*parent), item.name.c_str(),
                               O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid()) {
        return; // removed meanwhile, a symbolic link, or not readable: not fatal
    }
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0 || st.st_dev != m_settings.rootDevice) {
        return; // another file system mounted inside the tree
    }
    const int wd = ::inotify_add_watch(m_settings.inotifyFd, descriptorPath(fd.get()).c_str(), m_mask);
    if (wd < 0) {
        if (errno == ENOSPC) {
            ++m_unwatched;
            m_limitHit = true;
        }
        return;
    }
    std::vector<int> dropped;
    WatchTree::Node* node = m_tree.add(wd, *parent, item.name, dropped);
    releaseWatches(dropped);
    if (node != nullptr) {
        list(fd.get(), *node, item.report);
    }
}

void ChangeTranslator::list(int fd, WatchTree::Node& node, bool report)
{
    const bool reportFiles = report && reportsName(m_settings.filter, false);
    const bool reportDirectories = report && reportsName(m_settings.filter, true);
    if (report) {
        m_listedSinceDrain.push_back(node.wd);
    }
    listDirectory(fd, [&](std::string_view name, bool isDirectory) {
        if (report) {
            // The creation event for this entry may still be queued; it must not be reported twice.
            node.synthesized.emplace(name);
            if (isDirectory ? reportDirectories : reportFiles) {
                emit(FILE_ACTION_ADDED, node, name);
            }
        }
        if (isDirectory && m_settings.subtree) {
            m_work.push_back({node.wd, std::string(name), report});
        }
        return true;
    });
}

void ChangeTranslator::handle(const inotify_event& event)
{
    if ((event.mask & IN_Q_OVERFLOW) != 0) {
        m_overflow = true;
        return;
    }
    WatchTree::Node* node = m_gone ? nullptr : m_tree.find(event.wd);
    if (node == nullptr) {
        return; // a watch we already let go
    }
    if (node == m_tree.root() && (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED)) != 0) {
        m_gone = true;
        return;
    }
    if ((event.mask & IN_IGNORED) != 0) {
        dropSubtree(*node);
        return;
    }
    if (event.len == 0 || event.name[0] == '\0') {
        return; // events about a directory itself also reach its parent, with a name
    }
    const std::string name(event.name);
    const bool isDirectory = (event.mask & IN_ISDIR) != 0;
    if ((event.mask & IN_CREATE) != 0) {
        onCreate(*node, name, isDirectory);
    } else if ((event.mask & IN_DELETE) != 0) {
        onDelete(*node, name, isDirectory);
    } else if ((event.mask & IN_MOVED_FROM) != 0) {
        onMovedFrom(*node, name, isDirectory, event.cookie);
    } else if ((event.mask & IN_MOVED_TO) != 0) {
        onMovedTo(*node, name, isDirectory, event.cookie);
    } else if (isDirectory && (event.mask & IN_ACCESS) != 0) {
        return; // listing a directory, our own crawl included, is not what a last-access watcher is after
    } else if (const DWORD action = modificationAction(m_settings.filter, event.mask); action != 0) {
        emit(action, *node, name);
    }
}

void ChangeTranslator::onCreate(WatchTree::Node& parent, const std::string& name, bool isDirectory)
{
    if (parent.synthesized.erase(name) != 0) {
        return; // already reported (and queued) from the listing
    }
    if (reportsName(m_settings.filter, isDirectory)) {
        emit(FILE_ACTION_ADDED, parent, name);
    }
    if (isDirectory && m_settings.subtree) {
        queueDirectory(parent, name, true);
    }
}

void ChangeTranslator::onDelete(WatchTree::Node& parent, const std::string& name, bool isDirectory)
{
    parent.synthesized.erase(name);
    if (reportsName(m_settings.filter, isDirectory)) {
        emit(FILE_ACTION_REMOVED, parent, name);
    }
    if (WatchTree::Node* child = m_tree.child(parent, name); isDirectory && child != nullptr) {
        dropSubtree(*child);
    }
}

void ChangeTranslator::onMovedFrom(WatchTree::Node& parent, const std::string& name, bool isDirectory,
                                   std::uint32_t cookie)
{
    parent.synthesized.erase(name);
    const std::size_t index = m_slotBase + m_slots.size();
    m_slots.push_back({0, true, m_tree.childPath(parent, name), {}, -1, {}});
    PendingMove& move = m_moves[cookie];
    move = PendingMove{index, parent.wd, name, isDirectory, -1, {}};
    if (const WatchTree::Node* moving = m_tree.child(parent, name); isDirectory && moving != nullptr) {
        move.movingWd = moving->wd;
        m_movingDirectories[moving->wd] = cookie;
    }
}

void ChangeTranslator::onMovedTo(WatchTree::Node& parent, const std::string& name, bool isDirectory,
                                 std::uint32_t cookie)
{
    parent.synthesized.erase(name);
    const bool reported = reportsName(m_settings.filter, isDirectory);
    const auto it = m_moves.find(cookie);
    if (it == m_moves.end()) {
        // Moved in from outside the tree: new to us, contents and all.
        if (reported) {
            emit(FILE_ACTION_ADDED, parent, name);
        }
        if (isDirectory && m_settings.subtree) {
            queueDirectory(parent, name, true);
        }
        return;
    }
    const PendingMove move = std::move(it->second);
    m_moves.erase(it);
    // The pair goes where the rename began, old name first, so it stays in order with its neighbours.
    Slot& pair = slot(move.slot);
    pair.pending = false;
    pair.action = reported ? FILE_ACTION_RENAMED_OLD_NAME : 0;
    pair.newPath = m_tree.childPath(parent, name);
    if (!isDirectory || !m_settings.subtree) {
        settleHeld(move, true);
        return;
    }
    WatchTree::Node* from = m_tree.find(move.parentWd);
    WatchTree::Node* node = from != nullptr ? m_tree.child(*from, move.name) : nullptr;
    if (node == nullptr) {
        // Renamed before we got to register it: register it under its new name.
        queueDirectory(parent, name, m_crawled);
        settleHeld(move, true);
        return;
    }
    std::vector<int> dropped;
    m_tree.move(*node, parent, name, dropped);
    releaseWatches(dropped);
    settleHeld(move, true);
}

void ChangeTranslator::settleHeld(const PendingMove& move, bool renamed)
{
    m_movingDirectories.erase(move.movingWd);
    for (const std::size_t index : move.held) {
        Slot& held = slot(index);
        held.pending = false;
        const WatchTree::Node* node = renamed ? m_tree.find(held.heldWd) : nullptr;
        if (node != nullptr) {
            held.path = m_tree.childPath(*node, held.heldName);
        } else {
            held.action = 0; // happened outside the tree, after the directory left it
        }
    }
}

void ChangeTranslator::endOfDrain()
{
    for (auto& [cookie, move] : m_moves) {
        Slot& removed = slot(move.slot);
        removed.pending = false;
        removed.action = reportsName(m_settings.filter, move.isDirectory) ? FILE_ACTION_REMOVED : 0;
        WatchTree::Node* parent = m_tree.find(move.parentWd);
        WatchTree::Node* child = parent != nullptr ? m_tree.child(*parent, move.name) : nullptr;
        if (move.isDirectory && child != nullptr) {
            dropSubtree(*child); // moved out: its watches would keep reporting from outside the tree
        }
        settleHeld(move, false);
    }
    m_moves.clear();
    // Every creation event older than these listings has now been read; later ones are new entries.
    for (const int wd : m_listedSinceDrain) {
        if (WatchTree::Node* node = m_tree.find(wd)) {
            node->synthesized.clear();
        }
    }
    m_listedSinceDrain.clear();
}

void ChangeTranslator::takeRecords(std::vector<ChangeRecord>& out)
{
    while (!m_slots.empty() && !m_slots.front().pending) {
        Slot& next = m_slots.front();
        if (next.action != 0) {
            out.push_back({next.action, encodeName(next.path)});
            if (next.action == FILE_ACTION_RENAMED_OLD_NAME) {
                out.push_back({FILE_ACTION_RENAMED_NEW_NAME, encodeName(next.newPath)});
            }
        }
        m_slots.pop_front();
        ++m_slotBase;
    }
}

void ChangeTranslator::emit(DWORD action, const WatchTree::Node& parent, std::string_view name)
{
    // Between a directory's IN_MOVED_FROM and its other half, changes below it cannot be named yet.
    for (const WatchTree::Node* at = m_movingDirectories.empty() ? nullptr : &parent; at != nullptr; at = at->parent) {
        if (const auto it = m_movingDirectories.find(at->wd); it != m_movingDirectories.end()) {
            m_moves[it->second].held.push_back(m_slotBase + m_slots.size());
            m_slots.push_back({action, true, {}, {}, parent.wd, std::string(name)});
            return;
        }
    }
    m_slots.push_back({action, false, m_tree.childPath(parent, name), {}, -1, {}});
}

void ChangeTranslator::queueDirectory(const WatchTree::Node& parent, std::string name, bool report)
{
    m_work.push_back({parent.wd, std::move(name), report});
}

void ChangeTranslator::dropSubtree(WatchTree::Node& node)
{
    std::vector<int> dropped;
    m_tree.remove(node, dropped);
    releaseWatches(dropped);
}

void ChangeTranslator::releaseWatches(const std::vector<int>& wds)
{
    for (const int wd : wds) {
        // Fails harmlessly for a watch the kernel has already dropped.
        ::inotify_rm_watch(m_settings.inotifyFd, wd);
    }
}

} // namespace tervane::platform
