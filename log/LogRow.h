// SPDX-License-Identifier: MIT
#pragma once
// One row of the event log, made from a change event: the seven cells and the entry kind. Qt-free, so the
// rules for what a row shows are tested without a window. Plain functions: any thread may call them.

#include "watch/WatchTypes.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace tervane {

/// Category of a logged entry; decides the row's colour and whether its properties can be opened.
enum class EntryKind : std::uint8_t
{
    Folder = 0,
    File = 1,
    Removed = 2,
};

/// The log's columns, in display order.
enum class LogColumn : std::uint8_t
{
    Timestamp,
    Action,
    Name,
    Location,
    Size,
    Modified,
    Attrs,
};
inline constexpr int kLogColumnCount = 7;

struct LogRow
{
    std::string timestamp;
    std::string action;
    std::string name;
    std::string location; ///< ends in the path delimiter
    std::string size;     ///< "Folder", a byte count, or empty
    std::string modified; ///< empty when the entry was not found
    std::string attrs;    ///< empty when the entry was not found
    EntryKind kind = EntryKind::Removed;

    [[nodiscard]] std::string_view cell(LogColumn column) const;
};

/// Makes the row for one change: `fileName` is relative to `directory`; the entry is looked up once, now.
LogRow makeLogRow(std::string_view directory, TWatchAction action, std::string_view fileName,
                  std::chrono::system_clock::time_point now);
/// As above, stamped with the current time.
LogRow makeLogRow(std::string_view directory, TWatchAction action, std::string_view fileName);

/// "Add", "Remove", "Modify", "Rename (Old)" or "Rename (New)".
std::string_view actionText(TWatchAction action);

/// "yyyy-mm-dd hh.nn.ss" of the local time at `when`.
std::string formatLocalTimestamp(std::chrono::system_clock::time_point when);

/// Unpacks an MS-DOS date-time (date in the high half); empty when the fields do not form a valid date.
std::string formatDosDateTime(std::uint32_t dosDateTime);

/// "0x" and the value in upper-case hexadecimal without leading zeros.
std::string formatAttributes(std::uint32_t attributes);

} // namespace tervane
