// SPDX-License-Identifier: MIT
// The Win32-shaped entry points, resolved through the handle table to directory and port objects.
#include "platform/Platform.h"

#include "platform/linux/CompletionPort.h"
#include "platform/linux/DirectoryObject.h"
#include "platform/linux/HandleTable.h"
#include "platform/linux/NameCodec.h"

#include <new>

namespace tervane::platform {

namespace {

void setError(std::error_code* ec, std::error_code value)
{
    if (ec != nullptr) {
        *ec = value;
    }
}

std::error_code invalidHandle()
{
    return std::make_error_code(std::errc::bad_file_descriptor);
}

} // namespace

HANDLE CreateFileA(std::string_view fileName, DWORD, DWORD, DWORD, DWORD, std::error_code* ec)
{
    try {
        std::error_code error;
        auto directory = DirectoryObject::open(fileName, error);
        if (!directory) {
            setError(ec, error);
            return INVALID_HANDLE_VALUE;
        }
        setError(ec, {});
        return HandleTable::instance().insert(std::move(directory));
    } catch (const std::bad_alloc&) {
        setError(ec, std::make_error_code(std::errc::not_enough_memory));
        return INVALID_HANDLE_VALUE;
    }
}

HANDLE CreateIoCompletionPort(HANDLE fileHandle, HANDLE existingPort, ULONG_PTR completionKey, DWORD,
                              std::error_code* ec)
{
    if (existingPort != 0) {
        setError(ec, std::make_error_code(std::errc::invalid_argument));
        return 0;
    }
    try {
        auto port = std::make_shared<CompletionPort>();
        if (fileHandle != INVALID_HANDLE_VALUE) {
            auto directory = HandleTable::instance().findAs<DirectoryObject>(fileHandle);
            if (!directory) {
                setError(ec, invalidHandle());
                return 0;
            }
            if (const std::error_code error = directory->bindPort(port, completionKey)) {
                setError(ec, error);
                return 0;
            }
        }
        setError(ec, {});
        return HandleTable::instance().insert(std::move(port));
    } catch (const std::bad_alloc&) {
        setError(ec, std::make_error_code(std::errc::not_enough_memory));
        return 0;
    }
}

bool ReadDirectoryChangesW(HANDLE directory, void* buffer, DWORD bufferLength, bool watchSubtree, DWORD notifyFilter,
                           DWORD*, OVERLAPPED* overlapped, std::error_code* ec)
{
    auto object = HandleTable::instance().findAs<DirectoryObject>(directory);
    if (!object) {
        setError(ec, invalidHandle());
        return false;
    }
    const std::error_code error = object->read(buffer, bufferLength, watchSubtree, notifyFilter, overlapped);
    setError(ec, error);
    return !error;
}

bool GetQueuedCompletionStatus(HANDLE port, DWORD* bytesTransferred, ULONG_PTR* completionKey, OVERLAPPED** overlapped,
                               DWORD milliseconds)
{
    if (overlapped != nullptr) {
        *overlapped = nullptr;
    }
    auto object = HandleTable::instance().findAs<CompletionPort>(port);
    Completion completion;
    if (!object || !object->wait(completion, milliseconds)) {
        return false;
    }
    if (bytesTransferred != nullptr) {
        *bytesTransferred = completion.bytes;
    }
    if (completionKey != nullptr) {
        *completionKey = completion.key;
    }
    if (overlapped != nullptr) {
        *overlapped = completion.overlapped;
    }
    return true;
}

bool PostQueuedCompletionStatus(HANDLE port, DWORD bytesTransferred, ULONG_PTR completionKey, OVERLAPPED* overlapped)
{
    auto object = HandleTable::instance().findAs<CompletionPort>(port);
    return object && object->post({bytesTransferred, completionKey, overlapped});
}

bool CloseHandle(HANDLE handle)
{
    auto object = HandleTable::instance().remove(handle);
    if (!object) {
        return false;
    }
    object->close();
    return true;
}

bool GetWatchStatus(HANDLE directory, WatchStatus& status)
{
    auto object = HandleTable::instance().findAs<DirectoryObject>(directory);
    if (!object) {
        return false;
    }
    status = object->status();
    return true;
}

std::string WideCharToMultiByte(std::u16string_view wide)
{
    return decodeName(wide);
}

std::u16string MultiByteToWideChar(std::string_view bytes)
{
    return encodeName(bytes);
}

} // namespace tervane::platform
