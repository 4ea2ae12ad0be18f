// SPDX-License-Identifier: MIT
#pragma once
// The Win32-shaped vocabulary of the platform layer: handles, the OVERLAPPED record, the change-record layout
// and the constants the watch engine passes. On Windows these alias the real definitions' values; on Linux
// they are our own and mean exactly what Win32 documents.

#include <cstddef>
#include <cstdint>

namespace tervane::platform {

using DWORD = std::uint32_t;
using ULONG_PTR = std::uintptr_t;

/// Opaque kernel-object handle. Values are never reused within a process, so a stale copy of a closed
/// handle can only ever fail, never reach a newer object.
using HANDLE = std::uintptr_t;
inline constexpr HANDLE INVALID_HANDLE_VALUE = ~HANDLE{0};
inline constexpr DWORD INFINITE = 0xFFFFFFFFu;

/// Win32's OVERLAPPED record. The layer never writes into it; its address identifies the read it was
/// passed to, and completions carry that address back.
struct OVERLAPPED
{
    ULONG_PTR Internal = 0;
    ULONG_PTR InternalHigh = 0;
    DWORD Offset = 0;
    DWORD OffsetHigh = 0;
    HANDLE hEvent = 0;
};

/// One change record as Win32 lays it out; records sit back to back on DWORD boundaries.
struct FILE_NOTIFY_INFORMATION
{
    DWORD NextEntryOffset;
    DWORD Action;
    DWORD FileNameLength; ///< in bytes, not characters
    char16_t FileName[1]; ///< FileNameLength bytes of UTF-16, no terminating NUL
};
static_assert(offsetof(FILE_NOTIFY_INFORMATION, NextEntryOffset) == 0);
static_assert(offsetof(FILE_NOTIFY_INFORMATION, Action) == 4);
static_assert(offsetof(FILE_NOTIFY_INFORMATION, FileNameLength) == 8);
static_assert(offsetof(FILE_NOTIFY_INFORMATION, FileName) == 12);
static_assert(alignof(FILE_NOTIFY_INFORMATION) == 4);

// CreateFileA
inline constexpr DWORD FILE_LIST_DIRECTORY = 0x0001;
inline constexpr DWORD FILE_SHARE_READ = 0x0001;
inline constexpr DWORD FILE_SHARE_WRITE = 0x0002;
inline constexpr DWORD FILE_SHARE_DELETE = 0x0004;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000;
inline constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;

// ReadDirectoryChangesW notify filter
inline constexpr DWORD FILE_NOTIFY_CHANGE_FILE_NAME = 0x001;
inline constexpr DWORD FILE_NOTIFY_CHANGE_DIR_NAME = 0x002;
inline constexpr DWORD FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x004;
inline constexpr DWORD FILE_NOTIFY_CHANGE_SIZE = 0x008;
inline constexpr DWORD FILE_NOTIFY_CHANGE_LAST_WRITE = 0x010;
inline constexpr DWORD FILE_NOTIFY_CHANGE_LAST_ACCESS = 0x020;
inline constexpr DWORD FILE_NOTIFY_CHANGE_CREATION = 0x040;
inline constexpr DWORD FILE_NOTIFY_CHANGE_SECURITY = 0x100;

// FILE_NOTIFY_INFORMATION::Action
inline constexpr DWORD FILE_ACTION_ADDED = 1;
inline constexpr DWORD FILE_ACTION_REMOVED = 2;
inline constexpr DWORD FILE_ACTION_MODIFIED = 3;
inline constexpr DWORD FILE_ACTION_RENAMED_OLD_NAME = 4;
inline constexpr DWORD FILE_ACTION_RENAMED_NEW_NAME = 5;

} // namespace tervane::platform
