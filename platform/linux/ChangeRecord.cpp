// SPDX-License-Identifier: MIT
#include "platform/linux/ChangeRecord.h"

#include <cstring>

namespace tervane::platform {

namespace {

constexpr std::size_t kHeaderSize = offsetof(FILE_NOTIFY_INFORMATION, FileName);

// The caller's buffer is raw bytes; copying through memcpy keeps us clear of aliasing and alignment rules.
void putDword(unsigned char* at, DWORD value)
{
    std::memcpy(at, &value, sizeof value);
}

} // namespace

std::size_t recordSize(const ChangeRecord& record)
{
    return kHeaderSize + record.name.size() * sizeof(char16_t);
}

DWORD writeRecords(std::deque<ChangeRecord>& records, void* buffer, DWORD length)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t offset = 0;
    std::size_t previous = 0;
    std::size_t end = 0;
    bool first = true;
    while (!records.empty()) {
        const ChangeRecord& record = records.front();
        const std::size_t size = recordSize(record);
        if (offset + size > length) {
            break;
        }
        if (!first) {
            putDword(bytes + previous + offsetof(FILE_NOTIFY_INFORMATION, NextEntryOffset),
                     static_cast<DWORD>(offset - previous));
        }
        unsigned char* at = bytes + offset;
        putDword(at + offsetof(FILE_NOTIFY_INFORMATION, NextEntryOffset), 0);
        putDword(at + offsetof(FILE_NOTIFY_INFORMATION, Action), record.action);
        putDword(at + offsetof(FILE_NOTIFY_INFORMATION, FileNameLength),
                 static_cast<DWORD>(record.name.size() * sizeof(char16_t)));
        std::memcpy(at + kHeaderSize, record.name.data(), record.name.size() * sizeof(char16_t));
        first = false;
        previous = offset;
        end = offset + size;
        offset = (end + 3) & ~std::size_t{3};
        records.pop_front();
    }
    return static_cast<DWORD>(end);
}

} // namespace tervane::platform
