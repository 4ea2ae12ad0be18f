// SPDX-License-Identifier: MIT
#include "watch/Vasko_DiskMonitor.h"

#include "app/Exception.h"

#include <cstring>

namespace tervane {

using namespace platform;

namespace {

constexpr const char* kGuardMessage = "Cannot change property if component is active.";

constexpr DWORD kFilterFlags[8] = {
    FILE_NOTIFY_CHANGE_FILE_NAME, FILE_NOTIFY_CHANGE_DIR_NAME,   FILE_NOTIFY_CHANGE_ATTRIBUTES,
    FILE_NOTIFY_CHANGE_SIZE,      FILE_NOTIFY_CHANGE_LAST_WRITE, FILE_NOTIFY_CHANGE_LAST_ACCESS,
    FILE_NOTIFY_CHANGE_CREATION,  FILE_NOTIFY_CHANGE_SECURITY,
};

TWatchAction actionFor(DWORD code)
{
    switch (code) {
    case FILE_ACTION_REMOVED:
        return TWatchAction::waRemove;
    case FILE_ACTION_MODIFIED:
        return TWatchAction::waModify;
    case FILE_ACTION_RENAMED_OLD_NAME:
        return TWatchAction::waRenameOld;
    case FILE_ACTION_RENAMED_NEW_NAME:
        return TWatchAction::waRenameNew;
    default:
        return TWatchAction::waAdd; // FILE_ACTION_ADDED, 0 and every unknown code
    }
}

DWORD readDword(const unsigned char* p)
{
    DWORD v = 0;
    std::memcpy(&v, p, sizeof v);
    return v;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TWatchThread

TWatchThread::TWatchThread(TQuorvel_DiskMonitor* DiskMonitor, std::shared_ptr<WatchGate> gate)
    : TThread(/*CreateSuspended=*/true), FDiskMonitor(DiskMonitor), m_gate(std::move(gate))
{
    SetFreeOnTerminate(true);
    SetPriority(TThreadPriority::tpTimeCritical);
}

void TWatchThread::Execute()
{
    for (;;) {
        if (Terminated()) {
            return;
        }
        // Take the port anew each round: after a park it belongs to the activation that released us.
        HANDLE port = 0;
        std::uint64_t generation = 0;
        {
            std::lock_guard lock(m_gate->mutex);
            if (!m_gate->alive) {
                return;
            }
            port = FDiskMonitor->FCompletionPort.get();
            generation = FDiskMonitor->FGeneration;
        }
        OVERLAPPED* overlapped = nullptr;
        if (port != 0) {
            DWORD bytes = 0;
            ULONG_PTR key = 0;
            GetQueuedCompletionStatus(port, &bytes, &key, &overlapped, INFINITE);
        }
        {
            std::lock_guard lock(m_gate->mutex);
            if (!m_gate->alive) {
                return;
            }
            FDiskMonitor->FPOverlapped = overlapped;
        }
        if (overlapped == nullptr) {
            // The wake-up of a deactivation, or a port that is gone: park until the next activation.
            if (Terminated()) {
                return;
            }
            Park();
            continue;
        }
        if (Terminated()) {
            return;
        }
        TQuorvel_DiskMonitor* monitor = FDiskMonitor;
        const HandOffResult handed = Synchronize(monitor, [monitor, generation, gate = m_gate] {
            // A deactivation or the destruction may have come first on the main thread (a call queued
            // just after they revoked ours still arrives); then the records belong to a directory that is
            // no longer the component's, and the buffer may hold a newer read.
            if (gate->alive && monitor->FGeneration == generation) {
                monitor->ProcessNotifications();
                if (monitor->FOnReadHandled) {
                    monitor->FOnReadHandled();
                }
            }
        });
        if (Terminated()) {
            return;
        }
        if (handed == HandOffResult::Revoked || !rearm(generation)) {
            Park();
        }
    }
}

bool TWatchThread::rearm(std::uint64_t generation)
{
    std::lock_guard lock(m_gate->mutex);
    TQuorvel_DiskMonitor* m = FDiskMonitor;
    if (!m_gate->alive || m->FGeneration != generation) {
        return false;
    }
    m->FBytesReturned = 0;
    std::memset(m->FNotificationBuffer, 0, sizeof m->FNotificationBuffer);
    // Its result is deliberately not examined: a refused re-arm simply means no further completion,
    // and the next deactivation's wake-up parks us.
    ReadDirectoryChangesW(m->FDirHandle.get(), m->FNotificationBuffer, kNotificationBufferSize, m->FWatchSubtree,
                          m->FNotifyFilter, &m->FBytesReturned, &m->FOverlapped);
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// TQuorvel_DiskMonitor

TQuorvel_DiskMonitor::TQuorvel_DiskMonitor(TComponent* AOwner)
    : TComponent(AOwner), FPOverlapped(&FOverlapped), FGate(std::make_shared<WatchGate>())
{
    FDirectory = std::string(DefaultDirectory());
    FWatchSubtree = true;
    FWatchFilter = TWatchFilterSet::all();
    FWatchAction = TWatchActionSet::all();
    auto worker = std::make_unique<TWatchThread>(this, FGate);
    FWatchThread = worker.get();
    TThread::Launch(std::move(worker));
    FActive = false;
}

TQuorvel_DiskMonitor::~TQuorvel_DiskMonitor()
{
    SetActive(false);
    // The worker ends only when asked to or when it finds the gate closed, and it frees itself as it
    // ends, so ask first: this is the last time we touch it.
    FWatchThread->TerminateAndRelease();
    FWatchThread = nullptr;
    {
        // From here on a late worker finds the gate closed and never touches this object again.
        std::lock_guard lock(FGate->mutex);
        FGate->alive = false;
    }
    // A worker blocked handing a read to us is let go; it sees the termination and ends.
    MainThreadQueue::instance().revoke(this);
}

void TQuorvel_DiskMonitor::checkInactive() const
{
    if (FActive) {
        throw Exception(kGuardMessage);
    }
}

void TQuorvel_DiskMonitor::SetDirectory(std::string_view Value)
{
    checkInactive();
    FDirectory = Value;
}

void TQuorvel_DiskMonitor::SetWatchSubtree(bool Value)
{
    checkInactive();
    FWatchSubtree = Value;
}

void TQuorvel_DiskMonitor::SetWatchFilter(TWatchFilterSet Value)
{
    checkInactive();
    FWatchFilter = Value;
}

void TQuorvel_DiskMonitor::SetWatchAction(TWatchActionSet Value)
{
    checkInactive();
    FWatchAction = Value;
}

void TQuorvel_DiskMonitor::SetActive(bool Value)
{
    if (Value == FActive) {
        return;
    }
    FActive = Value;
    if (Designing()) {
        return;
    }
    if (Value) {
        activate();
    } else {
        deactivate();
    }
}

DWORD TQuorvel_DiskMonitor::NotifyFilterFor(TWatchFilterSet filter)
{
    DWORD mask = 0;
    for (unsigned i = 0; i < 8; ++i) {
        if (filter.contains(static_cast<TWatchFilter>(i))) {
            mask |= kFilterFlags[i];
        }
    }
    return mask;
}

void TQuorvel_DiskMonitor::activate()
{
    // The worker is parked (or on its way to its park) and reads none of this until Release below; the
    // gate still covers the writes so a worker finishing an older round sees either all or nothing.
    std::lock_guard lock(FGate->mutex);
    FStall = Stall::None;
    FStallError.clear();
    FNotifyFilter = NotifyFilterFor(FWatchFilter);

    std::error_code ec;
    FDirHandle.reset(CreateFileA(FDirectory, FILE_LIST_DIRECTORY,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, &ec));
    if (!FDirHandle.valid()) {
        FStall = Stall::CannotOpen; // failure exit 1: silent, Active stays true
        FStallError = ec;
        return;
    }
    FCompletionPort.reset(CreateIoCompletionPort(FDirHandle.get(), 0, reinterpret_cast<ULONG_PTR>(this), 0, &ec));
    if (!FCompletionPort.valid()) {
        FStall = Stall::NoPort; // failure exit 2
        FStallError = ec;
        return;
    }
    std::memset(FNotificationBuffer, 0, sizeof FNotificationBuffer);
    if (!ReadDirectoryChangesW(FDirHandle.get(), FNotificationBuffer, kNotificationBufferSize, FWatchSubtree,
                               FNotifyFilter, &FBytesReturned, &FOverlapped, &ec)) {
        FStall = Stall::ReadRefused; // failure exit 3; an empty WatchFilter ends here
        FStallError = ec;
        return;
    }
    FWatchThread->Release();
}

void TQuorvel_DiskMonitor::deactivate()
{
    {
        std::lock_guard lock(FGate->mutex);
        ++FGeneration; // completions of the ended activation are no longer ours
        if (FCompletionPort.valid()) {
            PostQueuedCompletionStatus(FCompletionPort.get(), 0, 0, nullptr);
        }
        FCompletionPort.reset();
        FDirHandle.reset(); // ends the outstanding read; nothing writes the buffer after this
        FStall = Stall::None;
        FStallError.clear();
    }
    // A hand-off of the ended activation that the main thread has not served yet never will be.
    MainThreadQueue::instance().revoke(this);
}

bool TQuorvel_DiskMonitor::WatchStatus(platform::WatchStatus& status) const
{
    return FActive && FDirHandle.valid() && GetWatchStatus(FDirHandle.get(), status);
}

void TQuorvel_DiskMonitor::ProcessNotifications()
{
    std::size_t offset = 0;
    constexpr std::size_t header = offsetof(FILE_NOTIFY_INFORMATION, FileName);
    // Each record must fit wholly inside the buffer; a chain that points outside it ends the walk.
    while (offset + header <= kNotificationBufferSize) {
        const unsigned char* record = FNotificationBuffer + offset;
        const DWORD next = readDword(record + offsetof(FILE_NOTIFY_INFORMATION, NextEntryOffset));
        const DWORD code = readDword(record + offsetof(FILE_NOTIFY_INFORMATION, Action));
        const DWORD nameBytes = readDword(record + offsetof(FILE_NOTIFY_INFORMATION, FileNameLength));
        const std::size_t available = kNotificationBufferSize - offset - header;
        const std::size_t units = std::min<std::size_t>(nameBytes, available) / 2;

        std::u16string wide(units, u'\0');
        std::memcpy(wide.data(), record + header, units * 2);
        std::string name = units == 0 ? std::string() : WideCharToMultiByte(wide);

        const TWatchAction action = actionFor(code);
        if (FWatchAction.contains(action) && FOnChange && !name.empty()) {
            FOnChange(this, action, std::move(name));
        }
        if (next == 0) {
            break;
        }
        offset += next;
    }
}

} // namespace tervane
