// SPDX-License-Identifier: MIT
#pragma once
// One change waiting to be handed to a reader, and the writer that lays such changes out as Win32's
// FILE_NOTIFY_INFORMATION chain. Plain data and a pure function; any thread.

#include "platform/Win32Types.h"

#include <cstddef>
#include <deque>
#include <string>

namespace tervane::platform {

struct ChangeRecord
{
    DWORD action = 0;
    std::u16string name; ///< relative to the watched directory, parts separated by '/'
};

/// Bytes one record takes in a buffer, before the padding that aligns the next one.
std::size_t recordSize(const ChangeRecord& record);

/// Moves as many records from the front of `records` into `buffer` as fit and returns the bytes used
/// (0 when not even the first fits). Records stay DWORD-aligned; the last one has NextEntryOffset 0.
DWORD writeRecords(std::deque<ChangeRecord>& records, void* buffer, DWORD length);

} // namespace tervane::platform
