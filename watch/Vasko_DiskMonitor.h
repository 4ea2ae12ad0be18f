// SPDX-License-Identifier: MIT
#pragma once
// TQuorvel_DiskMonitor watches one directory (optionally its subtree) and raises OnChange on the main
// thread for every change the platform reports there. TWatchThread is its worker: it waits for completed
// reads, hands each one to the main thread synchronously, then re-arms the read; it parks while the
// component is inactive.
//
// Threads: construction, destruction, every property and ProcessNotifications belong to the main thread.
// The worker touches the component only through the shared gate (see WatchGate), so a worker that wakes
// late never reads a handle of an ended activation, never clears the buffer under a newer read and never
// touches a destroyed component.

#include "platform/Platform.h"
#include "platform/UniqueHandle.h"
#include "watch/TComponent.h"
#include "watch/TThread.h"
#include "watch/WatchTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace tervane {

inline constexpr platform::DWORD kNotificationBufferSize = 4097;

/// The lock and liveness flag shared by a component and its worker; it outlives whichever ends last.
struct WatchGate
{
    std::mutex mutex;
    bool alive = true;
};

class TWatchThread : public TThread
{
public:
    TWatchThread(class TQuorvel_DiskMonitor* DiskMonitor, std::shared_ptr<WatchGate> gate);

protected:
    void Execute() override;

private:
    /// Clears the buffer and issues the next read, unless the activation that produced the completion
    /// has ended meanwhile. Returns false when the worker should park instead.
    bool rearm(std::uint64_t generation);

    TQuorvel_DiskMonitor* FDiskMonitor;
    std::shared_ptr<WatchGate> m_gate;
};

class TQuorvel_DiskMonitor : public TComponent
{
public:
    explicit TQuorvel_DiskMonitor(TComponent* AOwner);
    ~TQuorvel_DiskMonitor() override;

    [[nodiscard]] bool Active() const { return FActive; }
    void SetActive(bool Value);

    [[nodiscard]] const std::string& Directory() const { return FDirectory; }
    void SetDirectory(std::string_view Value);

    [[nodiscard]] bool WatchSubtree() const { return FWatchSubtree; }
    void SetWatchSubtree(bool Value);

    [[nodiscard]] TWatchFilterSet WatchFilter() const { return FWatchFilter; }
    void SetWatchFilter(TWatchFilterSet Value);

    [[nodiscard]] TWatchActionSet WatchAction() const { return FWatchAction; }
    void SetWatchAction(TWatchActionSet Value);

    [[nodiscard]] const std::string& UserComment() const { return FUserComment; }
    void SetUserComment(std::string_view Value) { FUserComment = Value; }

    [[nodiscard]] const TEventChange& OnChange() const { return FOnChange; }
    void SetOnChange(TEventChange Value) { FOnChange = std::move(Value); }

    /// Raised on the main thread after each completed read has been handled, whether or not it reported
    /// anything: a front end's cue to look at WatchStatus (an overflow or a vanished directory completes a
    /// read with no records).
    [[nodiscard]] const std::function<void()>& OnReadHandled() const { return FOnReadHandled; }
    void SetOnReadHandled(std::function<void()> Value) { FOnReadHandled = std::move(Value); }

    /// Decodes the records of the completed read in FNotificationBuffer and raises OnChange for each.
    /// Run by the worker's hand-off on the main thread; also callable by tests on a crafted buffer.
    void ProcessNotifications();

    /// The FILE_NOTIFY_CHANGE_* mask a filter set asks for.
    static platform::DWORD NotifyFilterFor(TWatchFilterSet filter);

    // What the Win32 shape cannot say: why a watch that reads Active is not watching, lost changes, limits.
    enum class Stall : std::uint8_t
    {
        None,
        CannotOpen,  ///< the directory could not be opened (FStallError says why)
        NoPort,      ///< no completion queue could be made
        ReadRefused, ///< the first read was refused; an empty WatchFilter ends here
    };
    [[nodiscard]] Stall StallReason() const { return FStall; }
    [[nodiscard]] const std::error_code& StallError() const { return FStallError; }
    /// Snapshot of the running watch; false when nothing is being watched.
    bool WatchStatus(platform::WatchStatus& status) const;

    // Exposed for tests: handles held and the worker's state.
    [[nodiscard]] bool HoldsDirectoryHandle() const { return FDirHandle.valid(); }
    [[nodiscard]] bool HoldsCompletionPort() const { return FCompletionPort.valid(); }
    [[nodiscard]] bool WorkerParked() const { return FWatchThread->Parked(); }
    [[nodiscard]] unsigned char* NotificationBuffer() { return FNotificationBuffer; }

private:
    friend class TWatchThread;

    void checkInactive() const;
    void activate();
    void deactivate();

    TWatchFilterSet FWatchFilter = TWatchFilterSet::all();
    TWatchActionSet FWatchAction = TWatchActionSet::all();
    std::string FDirectory;
    TWatchThread* FWatchThread = nullptr; // owned by the thread registry; see TThread
    TEventChange FOnChange;
    std::function<void()> FOnReadHandled;
    bool FActive = false;
    bool FWatchSubtree = true;
    platform::UniqueHandle FCompletionPort{0};
    platform::OVERLAPPED FOverlapped{};
    platform::OVERLAPPED* FPOverlapped = nullptr;
    platform::DWORD FBytesReturned = 0;
    alignas(4) unsigned char FNotificationBuffer[kNotificationBufferSize]{};
    platform::UniqueHandle FDirHandle{platform::INVALID_HANDLE_VALUE};
    platform::DWORD FNotifyFilter = 0;
    std::string FUserComment;

    // Our additions: the gate shared with the worker, and a counter that tells one activation's
    // completions from the next one's (guarded by the gate; written on the main thread only).
    std::shared_ptr<WatchGate> FGate;
    std::uint64_t FGeneration = 0;
    Stall FStall = Stall::None;
    std::error_code FStallError;
};

} // namespace tervane
