// SPDX-License-Identifier: MIT
#include "platform/linux/EventMapping.h"

#include <sys/inotify.h>

namespace tervane::platform {

namespace {

constexpr DWORD kNameChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;
constexpr DWORD kContentChanges = FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
// touch(1) and utimes change mtime through IN_ATTRIB, so a LAST_WRITE watcher needs it too.
constexpr DWORD kMetadataChanges = FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY |
                                   FILE_NOTIFY_CHANGE_CREATION | FILE_NOTIFY_CHANGE_LAST_WRITE;

} // namespace

std::uint32_t directoryMask(DWORD filter, bool subtree)
{
    std::uint32_t mask = IN_ONLYDIR | IN_EXCL_UNLINK;
    if ((filter & kNameChanges) != 0) {
        mask |= IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
    }
    if (subtree) {
        // New and moved-in directories must be registered even when their names are not reported.
        mask |= IN_CREATE | IN_MOVED_FROM | IN_MOVED_TO;
    }
    if ((filter & kContentChanges) != 0) {
        mask |= IN_MODIFY;
    }
    if ((filter & kMetadataChanges) != 0) {
        mask |= IN_ATTRIB;
    }
    if ((filter & FILE_NOTIFY_CHANGE_LAST_ACCESS) != 0) {
        mask |= IN_ACCESS;
    }
    return mask;
}

std::uint32_t rootMask(DWORD filter, bool subtree)
{
    return directoryMask(filter, subtree) | IN_DELETE_SELF | IN_MOVE_SELF;
}

bool reportsName(DWORD filter, bool isDirectory)
{
    return (filter & (isDirectory ? FILE_NOTIFY_CHANGE_DIR_NAME : FILE_NOTIFY_CHANGE_FILE_NAME)) != 0;
}

DWORD modificationAction(DWORD filter, std::uint32_t mask)
{
    const bool reported = ((mask & IN_MODIFY) != 0 && (filter & kContentChanges) != 0) ||
                          ((mask & IN_ATTRIB) != 0 && (filter & kMetadataChanges) != 0) ||
                          ((mask & IN_ACCESS) != 0 && (filter & FILE_NOTIFY_CHANGE_LAST_ACCESS) != 0);
    return reported ? FILE_ACTION_MODIFIED : 0;
}

} // namespace tervane::platform
