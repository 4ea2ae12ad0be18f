// SPDX-License-Identifier: MIT
#include "log/LogRow.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tervane {
namespace {

using Clock = std::chrono::system_clock;

std::time_t utc(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return timegm(&t);
}

// A fixed zone without daylight saving, three hours east of UTC, keeps expected texts literal.
constexpr const char* kFixedZone = "TVT-3";
const std::time_t kMtime = utc(2021, 6, 15, 7, 20, 31);
const Clock::time_point kNow = Clock::from_time_t(utc(2024, 2, 29, 21, 59, 58));

struct RowCase
{
    const char* name;
    std::function<void(const test::TempDir&)> setup;
    bool trailingDelimiter;
    TWatchAction action;
    std::string fileName;
    // Expected row; location is relative to the temp dir.
    const char* actionText;
    std::string rowName;
    std::string location;
    std::string size;
    std::string modified;
    std::string attrs;
    EntryKind kind;
    std::time_t mtime = kMtime;
    const char* zone = kFixedZone;
    Clock::time_point now = kNow;
    std::string timestamp = "2024-03-01 00.59.58";
};

void PrintTo(const RowCase& c, std::ostream* os)
{
    *os << c.name;
}

std::string caseName(const ::testing::TestParamInfo<RowCase>& info)
{
    return info.param.name;
}

void setMtime(const std::string& path, std::time_t mtime)
{
    const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// The tests run on one thread, so changing the environment under them is safe.
// NOLINTBEGIN(concurrency-mt-unsafe)
class ScopedZone
{
public:
    explicit ScopedZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ScopedZone(const ScopedZone&) = delete;
    ScopedZone& operator=(const ScopedZone&) = delete;
    ~ScopedZone()
    {
        if (m_old) {
            ::setenv("TZ", m_old->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::optional<std::string> m_old;
};
// NOLINTEND(concurrency-mt-unsafe)

class MakeLogRowCases : public ::testing::TestWithParam<RowCase>
{
};

TEST_P(MakeLogRowCases, DescribesTheEntryAsFoundNow)
{
    const RowCase& c = GetParam();
    const ScopedZone zone(c.zone);
    const test::TempDir dir;
    if (c.setup) {
        c.setup(dir);
    }
    const std::string full = dir.str() + "/" + c.fileName;
    struct stat st
    {
    };
    if (::lstat(full.c_str(), &st) == 0) {
        setMtime(full, c.mtime);
    }

    const LogRow row = makeLogRow(c.trailingDelimiter ? dir.str() + "/" : dir.str(), c.action, c.fileName, c.now);

    EXPECT_EQ(row.timestamp, c.timestamp);
    EXPECT_EQ(row.action, c.actionText);
    EXPECT_EQ(row.name, c.rowName);
    EXPECT_EQ(row.location, dir.str() + c.location);
    EXPECT_EQ(row.size, c.size);
    EXPECT_EQ(row.modified, c.modified);
    EXPECT_EQ(row.attrs, c.attrs);
    EXPECT_EQ(row.kind, c.kind);
}

auto writes(const std::string& relative, const std::string& content = "hello")
{
    return [relative, content](const test::TempDir& d) { d.write(relative, content); };
}

// A file whose size needs more than 32 bits; truncating allocates nothing, so this is instant.
void writeSparse5GiB(const test::TempDir& d)
{
    const std::string p = (d.path() / "huge.img").string();
    const int fd = ::open(p.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, (off_t{5} << 30) + 1), 0);
    ::close(fd);
}

constexpr const char* kModified = "2021-06-15 10.20.30"; // 07:20:31 UTC, +3 h, seconds cut to even

INSTANTIATE_TEST_SUITE_P(
    Rows, MakeLogRowCases,
    ::testing::Values(
        RowCase{"FileInDirectory", writes("a.txt"), false, TWatchAction::waAdd, "a.txt", "Add", "a.txt", "/", "5",
                kModified, "0x20", EntryKind::File},
        RowCase{"TrailingDelimiterNotDoubled", writes("a.txt"), true, TWatchAction::waAdd, "a.txt", "Add", "a.txt",
                "/", "5", kModified, "0x20", EntryKind::File},
        RowCase{"FileInSubdirectory",
                [](const test::TempDir& d) {
                    d.mkdir("sub/deeper");
                    d.write("sub/deeper/b.log", "hello");
                },
                false, TWatchAction::waModify, "sub/deeper/b.log",
                "Modify", "b.log", "/sub/deeper/", "5", kModified, "0x20", EntryKind::File},
        RowCase{"RemovalIgnoresAnEntryOfThatName", writes("a.txt"), false, TWatchAction::waRemove, "a.txt", "Remove",
                "a.txt", "/", "", "", "", EntryKind::Removed},
        RowCase{"Folder", [](const test::TempDir& d) { d.mkdir("newdir"); }, false, TWatchAction::waAdd, "newdir",
                "Add", "newdir", "/", "Folder", kModified, "0x10", EntryKind::Folder},
        RowCase{"RenameOldNameIsGone", writes("new.txt"), false, TWatchAction::waRenameOld, "old.txt", "Rename (Old)",
                "old.txt", "/", "", "", "", EntryKind::Removed},
        RowCase{"RenameNewName", writes("new.txt"), false, TWatchAction::waRenameNew, "new.txt", "Rename (New)",
                "new.txt", "/", "5", kModified, "0x20", EntryKind::File},
        RowCase{"EmptyFile", writes("empty", ""), false, TWatchAction::waAdd, "empty", "Add", "empty", "/", "0",
                kModified, "0x20", EntryKind::File},
        RowCase{"SparseFileOver4GiBShowsTrueSize", writeSparse5GiB, false, TWatchAction::waModify, "huge.img",
                "Modify", "huge.img", "/", "5368709121", kModified, "0x220", EntryKind::File},
        RowCase{"GoneBeforeRowIsMade", nullptr, false, TWatchAction::waAdd, "brief.tmp", "Add", "brief.tmp", "/", "",
                "", "", EntryKind::Removed},
        RowCase{"NameWithSpaces", writes("my file .txt"), false, TWatchAction::waAdd, "my file .txt", "Add",
                "my file .txt", "/", "5", kModified, "0x20", EntryKind::File},
        RowCase{"ColonIsAnOrdinaryCharacter", writes("c:x:y"), false, TWatchAction::waAdd, "c:x:y", "Add", "c:x:y",
                "/", "5", kModified, "0x20", EntryKind::File},
        RowCase{"InvalidUtf8BytesKept", writes("bad\xff\xfe.bin"), false, TWatchAction::waAdd, "bad\xff\xfe.bin",
                "Add", "bad\xff\xfe.bin", "/", "5", kModified, "0x20", EntryKind::File},
        RowCase{"SymlinkDescribedNotFollowed",
                [](const test::TempDir& d) {
                    d.mkdir("target-dir");
                    ASSERT_EQ(::symlink("target-dir", (d.path() / "link").c_str()), 0);
                },
                false, TWatchAction::waAdd, "link", "Add", "link", "/", "10", kModified, "0x400", EntryKind::File},
        RowCase{"DotNameIsHidden", writes(".hidden"), false, TWatchAction::waAdd, ".hidden", "Add", ".hidden", "/",
                "5", kModified, "0x22", EntryKind::File},
        RowCase{"NoOwnerWriteIsReadOnly",
                [](const test::TempDir& d) { ::chmod(d.write("ro.txt", "hello").c_str(), 0444); }, false,
                TWatchAction::waModify, "ro.txt", "Modify", "ro.txt", "/", "5", kModified, "0x21", EntryKind::File},
        RowCase{"FifoIsSystem",
                [](const test::TempDir& d) { ASSERT_EQ(::mkfifo((d.path() / "pipe").c_str(), 0644), 0); }, false,
                TWatchAction::waAdd, "pipe", "Add", "pipe", "/", "0", kModified, "0x4", EntryKind::File},
        RowCase{"Before1980ShowsTrueTime", writes("old"), false, TWatchAction::waAdd, "old", "Add", "old", "/", "5",
                "1975-05-04 04.02.03", "0x20", EntryKind::File, utc(1975, 5, 4, 1, 2, 3)},
        RowCase{"After2107ShowsTrueTime", writes("future"), false, TWatchAction::waAdd, "future", "Add", "future", "/",
                "5", "2110-01-01 03.00.01", "0x20", EntryKind::File, utc(2110, 1, 1, 0, 0, 1)},
        // The offset in force when the row is made applies, also to a date in the other half of the year.
        RowCase{"CurrentUtcOffsetApplies", writes("summer"), false, TWatchAction::waAdd, "summer", "Add", "summer",
                "/", "5", "2021-07-01 07.00.00", "0x20", EntryKind::File, utc(2021, 7, 1, 12, 0, 0),
                "EST5EDT,M3.2.0,M11.1.0", Clock::from_time_t(utc(2024, 1, 15, 12, 0, 0)), "2024-01-15 07.00.00"}),
    caseName);

struct DosCase
{
    const char* name;
    std::uint32_t value;
    std::string expected;
};

void PrintTo(const DosCase& c, std::ostream* os)
{
    *os << c.name;
}

constexpr std::uint32_t dos(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                            unsigned twoSeconds)
{
    return (year - 1980) << 25 | month << 21 | day << 16 | hour << 11 | minute << 5 | twoSeconds;
}

class DosDateTimeCases : public ::testing::TestWithParam<DosCase>
{
};

TEST_P(DosDateTimeCases, UnpacksOnlyValidDates)
{
    EXPECT_EQ(formatDosDateTime(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DosDateTimeCases,
                         ::testing::Values(DosCase{"Earliest", dos(1980, 1, 1, 0, 0, 0), "1980-01-01 00.00.00"},
                                           DosCase{"Latest", dos(2107, 12, 31, 23, 59, 29), "2107-12-31 23.59.58"},
                                           DosCase{"LeapDay", dos(2000, 2, 29, 12, 0, 0), "2000-02-29 12.00.00"},
                                           DosCase{"NoLeapDayIn2100", dos(2100, 2, 29, 12, 0, 0), ""},
                                           DosCase{"ZeroValueHasMonthZero", 0, ""},
                                           DosCase{"Month13", dos(2020, 13, 1, 0, 0, 0), ""},
                                           DosCase{"April31", dos(2020, 4, 31, 0, 0, 0), ""},
                                           DosCase{"Hour24", dos(2020, 1, 1, 24, 0, 0), ""},
                                           DosCase{"Minute60", dos(2020, 1, 1, 0, 60, 0), ""},
                                           DosCase{"Second60", dos(2020, 1, 1, 0, 0, 30), ""}),
                         [](const ::testing::TestParamInfo<DosCase>& param) { return std::string(param.param.name); });

TEST(FormatAttributes, LowerCasePrefixUpperCaseDigitsNoLeadingZeros)
{
    EXPECT_EQ(formatAttributes(0xA20), "0xA20");
    EXPECT_EQ(formatAttributes(0x10), "0x10");
    EXPECT_EQ(formatAttributes(0), "0x0");
}

} // namespace
} // namespace tervane
