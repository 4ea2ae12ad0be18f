// SPDX-License-Identifier: MIT
#pragma once
// Our stand-in for the platform services the watch engine relies on. The shape is Win32's, so a Windows
// backend passes straight through to the real calls; the Linux backend (platform/linux) builds the same
// behaviour on inotify. Every function is safe to call from any thread.

#include "platform/Win32Types.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace tervane::platform {

/// Opens an existing directory for change reads without locking anybody out of it.
/// Returns INVALID_HANDLE_VALUE (and sets ec) for a missing path, a non-directory, no access or "".
HANDLE CreateFileA(std::string_view fileName, DWORD desiredAccess, DWORD shareMode, DWORD creationDisposition,
                   DWORD flagsAndAttributes, std::error_code* ec = nullptr);

/// Creates a new completion port bound to `fileHandle`; every completed read of that handle is queued on
/// it carrying `completionKey`. Only a new port is supported (existingPort must be 0). Returns 0 on failure.
HANDLE CreateIoCompletionPort(HANDLE fileHandle, HANDLE existingPort, ULONG_PTR completionKey,
                              DWORD numberOfConcurrentThreads, std::error_code* ec = nullptr);

/// Issues one asynchronous read of change records into `buffer`. Once a change matching `notifyFilter`
/// is available, the buffer is filled with FILE_NOTIFY_INFORMATION records (as many as fit; the rest wait
/// for the next read) and one completion carrying `overlapped` is queued on the handle's port. A completion
/// with 0 bytes means changes were lost (overflow). The first read on a handle starts the watch with its
/// filter and subtree flag. Returns false when the read cannot be issued (filter 0, closed handle,
/// a read already pending, the watched directory gone).
/// `bytesReturned` is accepted for the Win32 shape and left untouched, as for any overlapped read.
bool ReadDirectoryChangesW(HANDLE directory, void* buffer, DWORD bufferLength, bool watchSubtree, DWORD notifyFilter,
                           DWORD* bytesReturned, OVERLAPPED* overlapped, std::error_code* ec = nullptr);

/// Blocks until a completion is queued on `port` (or `milliseconds` pass; INFINITE waits for ever).
/// Stores the completion's OVERLAPPED pointer, or nullptr for a posted completion without one and for a
/// failed wait (closed or unknown port). Returns false when the wait failed or timed out.
bool GetQueuedCompletionStatus(HANDLE port, DWORD* bytesTransferred, ULONG_PTR* completionKey, OVERLAPPED** overlapped,
                               DWORD milliseconds);

/// Queues a completion on `port`, waking one waiter.
bool PostQueuedCompletionStatus(HANDLE port, DWORD bytesTransferred, ULONG_PTR completionKey, OVERLAPPED* overlapped);

/// Releases a handle. Closing a port wakes its waiters with a failed wait; closing a directory handle ends
/// its outstanding read (queued on its port, if that is still open, as an aborted read with 0 bytes).
/// Safe while another thread waits on the handle.
bool CloseHandle(HANDLE handle);

/// Converts a UTF-16 name from a change record into the 8-bit form file names take on this system.
/// On Linux this is the exact byte string of the entry: undecodable bytes travel through the records as
/// lone surrogates U+DC80..U+DCFF and come back as the original bytes.
std::string WideCharToMultiByte(std::u16string_view wide);

/// The inverse of WideCharToMultiByte: bytes of a file name to the UTF-16 form used in change records.
std::u16string MultiByteToWideChar(std::string_view bytes);

/// What a front end may want to show about a watch that the Win32 shape has no words for.
/// Fields only grow; everything is a snapshot.
struct WatchStatus
{
    std::uint64_t overflows = 0;            ///< reads completed with 0 bytes because changes were lost
    std::uint64_t watchedDirectories = 0;   ///< directories currently registered with the kernel
    std::uint64_t unwatchedDirectories = 0; ///< directories skipped because a kernel limit was reached
    std::string limitName;                  ///< the limit that was hit, e.g. "fs.inotify.max_user_watches"
    bool registrationComplete = false;      ///< the initial walk of the subtree has finished
    bool directoryGone = false;             ///< the watched directory was removed or moved away
    std::string failure;                    ///< why the watch stopped on its own error, if it did
};

/// Snapshot of a directory handle's watch. Returns false for an unknown or closed handle.
bool GetWatchStatus(HANDLE directory, WatchStatus& status);

/// The directory the window watches first: "/" on Linux, "c:\" on Windows.
std::string_view DefaultDirectory();

/// The separator between path parts in names reported by ReadDirectoryChangesW and in full paths.
char PathDelimiter();

/// Whether the kernel's change-notification facility can be used by this process.
bool ChangeNotificationAvailable(std::error_code* ec = nullptr);

/// The system's text for an error, without trailing blanks or full stops.
std::string SystemErrorText(const std::error_code& ec);

/// Full path of the running executable, symbolic links resolved.
std::string ExecutablePath();

} // namespace tervane::platform
