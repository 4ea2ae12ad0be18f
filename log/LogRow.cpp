// SPDX-License-Identifier: MIT
#include "log/LogRow.h"

#include "app/UtilFuncs.h"
#include "platform/Platform.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>

namespace tervane {

namespace {

constexpr std::uint32_t kReadOnly = 0x01;
constexpr std::uint32_t kHidden = 0x02;
constexpr std::uint32_t kSystem = 0x04;
constexpr std::uint32_t kDirectory = 0x10;
constexpr std::uint32_t kArchive = 0x20;
constexpr std::uint32_t kSparseFile = 0x200;
constexpr std::uint32_t kReparsePoint = 0x400;

// The Attrs cell speaks the attribute bits users of the Windows build know, so Linux metadata is mapped
// onto them here and nowhere else:
//
//   bit    name            set when
//   0x01   read-only       the owner has no write permission (S_IWUSR clear); symlinks always have it
//   0x02   hidden          the name starts with "." (the convention file managers and ls follow)
//   0x04   system          a device, fifo or socket: entries that are not data a user edits
//   0x10   directory       a directory itself; a symlink to one is not, as the link is described
//   0x20   archive         a regular file (Windows sets it on every new or written file)
//   0x200  sparse file     a regular file with fewer bytes allocated than its size, i.e. with holes
//   0x400  reparse point   a symbolic link
//
// "Normal" (0x80) is given by Windows only when no other bit is set; here every entry gets at least one
// of directory, archive, system or reparse point, so it never applies and is never produced.
std::uint32_t attributesOf(const struct stat& st, std::string_view name)
{
    std::uint32_t bits = 0;
    if ((st.st_mode & S_IWUSR) == 0) {
        bits |= kReadOnly;
    }
    if (!name.empty() && name.front() == '.') {
        bits |= kHidden;
    }
    if (S_ISDIR(st.st_mode)) {
        bits |= kDirectory;
    } else if (S_ISREG(st.st_mode)) {
        bits |= kArchive;
        if (st.st_blocks * 512 < st.st_size) {
            bits |= kSparseFile;
        }
    } else if (S_ISLNK(st.st_mode)) {
        bits |= kReparsePoint;
    } else {
        bits |= kSystem;
    }
    return bits;
}

std::string formatDateTime(int year, int month, int day, int hour, int minute, int second)
{
    std::array<char, 48> text{};
    std::snprintf(text.data(), text.size(), "%04d-%02d-%02d %02d.%02d.%02d", year, month, day, hour, minute, second);
    return text.data();
}

int daysInMonth(int year, int month)
{
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays.at(static_cast<std::size_t>(month - 1));
}

// The Modified cell: the last-write time shifted by the UTC offset in force now (as the Windows build's
// FileTimeToLocalFileTime does, so both builds show the same text), then cut to the two-second DOS form.
// Times that form cannot hold would otherwise show nothing; the exact time is more use to the reader.
std::string formatModified(const struct timespec& lastWrite, std::chrono::system_clock::time_point now)
{
    const std::time_t nowSeconds = std::chrono::system_clock::to_time_t(now);
    std::tm nowLocal{};
    if (localtime_r(&nowSeconds, &nowLocal) == nullptr) {
        return {};
    }
    const std::time_t shifted = lastWrite.tv_sec + nowLocal.tm_gmtoff;
    std::tm t{};
    if (gmtime_r(&shifted, &t) == nullptr) {
        return {};
    }
    const int year = t.tm_year + 1900;
    if (year < 1980 || year > 2107) {
        return formatDateTime(year, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    }
    const auto packed = static_cast<std::uint32_t>(year - 1980) << 25 | static_cast<std::uint32_t>(t.tm_mon + 1) << 21 |
                        static_cast<std::uint32_t>(t.tm_mday) << 16 | static_cast<std::uint32_t>(t.tm_hour) << 11 |
                        static_cast<std::uint32_t>(t.tm_min) << 5 | static_cast<std::uint32_t>(t.tm_sec / 2);
    return formatDosDateTime(packed);
}

} // namespace

std::string_view LogRow::cell(LogColumn column) const
{
    switch (column) {
    case LogColumn::Timestamp:
        return timestamp;
    case LogColumn::Action:
        return action;
    case LogColumn::Name:
        return name;
    case LogColumn::Location:
        return location;
    case LogColumn::Size:
        return size;
    case LogColumn::Modified:
        return modified;
    case LogColumn::Attrs:
        return attrs;
    }
    return {};
}

std::string_view actionText(TWatchAction action)
{
    switch (action) {
    case TWatchAction::waAdd:
        return "Add";
    case TWatchAction::waRemove:
        return "Remove";
    case TWatchAction::waModify:
        return "Modify";
    case TWatchAction::waRenameOld:
        return "Rename (Old)";
    case TWatchAction::waRenameNew:
        return "Rename (New)";
    }
    return {};
}

std::string formatLocalTimestamp(std::chrono::system_clock::time_point when)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm t{};
    if (localtime_r(&seconds, &t) == nullptr) {
        return {};
    }
    return formatDateTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

std::string formatDosDateTime(std::uint32_t dosDateTime)
{
    const int year = 1980 + static_cast<int>(dosDateTime >> 25);
    const int month = static_cast<int>((dosDateTime >> 21) & 0x0F);
    const int day = static_cast<int>((dosDateTime >> 16) & 0x1F);
    const int hour = static_cast<int>((dosDateTime >> 11) & 0x1F);
    const int minute = static_cast<int>((dosDateTime >> 5) & 0x3F);
    const int second = static_cast<int>(dosDateTime & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59) {
        return {};
    }
    return formatDateTime(year, month, day, hour, minute, second);
}

std::string formatAttributes(std::uint32_t attributes)
{
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "0x%X", attributes);
    return text.data();
}

LogRow makeLogRow(std::string_view directory, TWatchAction action, std::string_view fileName,
                  std::chrono::system_clock::time_point now)
{
    std::string fullPath = AddBackslash(directory);
    fullPath += fileName;

    LogRow row;
    row.timestamp = formatLocalTimestamp(now);
    row.action = actionText(action);
    const std::size_t split = fullPath.rfind(platform::PathDelimiter());
    row.name = fullPath.substr(split + 1);
    row.location = fullPath.substr(0, split + 1);
    row.kind = EntryKind::Removed;
    if (action == TWatchAction::waRemove) {
        return row;
    }

    // The entry as it is now, not as it was when the change happened; a symlink is described, not followed.
    // An entry already gone again (the old name of a rename, a short-lived file) keeps its detail cells
    // blank and counts as removed, so its properties are not offered for a path that does not exist.
    struct stat st
    {
    };
    if (::lstat(fullPath.c_str(), &st) != 0) {
        return row;
    }
    const std::uint32_t attributes = attributesOf(st, row.name);
    if ((attributes & kDirectory) != 0) {
        row.size = "Folder";
        row.kind = EntryKind::Folder;
    } else {
        row.size = std::to_string(static_cast<std::uint64_t>(st.st_size));
        row.kind = EntryKind::File;
    }
    row.modified = formatModified(st.st_mtim, now);
    row.attrs = formatAttributes(attributes);
    return row;
}

LogRow makeLogRow(std::string_view directory, TWatchAction action, std::string_view fileName)
{
    return makeLogRow(directory, action, fileName, std::chrono::system_clock::now());
}

} // namespace tervane
