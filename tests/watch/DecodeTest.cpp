// SPDX-License-Identifier: MIT
// The decode walk on crafted buffers: what reaches OnChange, in which order, and that the walk never
// leaves the buffer.

#include "platform/Platform.h"
#include "tests/watch/Recorder.h"
#include "watch/Vasko_DiskMonitor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

namespace tervane::test {
namespace {

using platform::DWORD;

struct Rec
{
    DWORD action;
    std::u16string name;
    std::optional<DWORD> nameBytes{}; // overrides FileNameLength (odd counts, lies)
    std::optional<DWORD> next{};      // overrides NextEntryOffset
};

// Lays records out back to back on DWORD boundaries, as the platform does.
void build(unsigned char* buffer, std::size_t at, const std::vector<Rec>& records)
{
    std::size_t offset = at;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Rec& r = records[i];
        const DWORD bytes = static_cast<DWORD>(r.name.size() * 2);
        const DWORD size = (12 + bytes + 3) & ~3u;
        const DWORD next = r.next.value_or(i + 1 < records.size() ? size : 0);
        const DWORD length = r.nameBytes.value_or(bytes);
        std::memcpy(buffer + offset, &next, 4);
        std::memcpy(buffer + offset + 4, &r.action, 4);
        std::memcpy(buffer + offset + 8, &length, 4);
        std::memcpy(buffer + offset + 12, r.name.data(), bytes);
        offset += size;
    }
}

struct DecodeCase
{
    const char* name;
    std::vector<Rec> records;
    TWatchActionSet actions;
    std::vector<Event> expected;
};

class Decode : public ::testing::TestWithParam<DecodeCase>
{
};

TEST_P(Decode, ReportsWhatTheRecordsSay)
{
    const DecodeCase& c = GetParam();
    TQuorvel_DiskMonitor monitor(nullptr);
    monitor.SetWatchAction(c.actions);
    Recorder recorder;
    recorder.attach(monitor);
    build(monitor.NotificationBuffer(), 0, c.records);
    monitor.ProcessNotifications();
    EXPECT_EQ(recorder.events, c.expected) << recorder.dump();
}

const auto all = TWatchActionSet::all();
using enum TWatchAction;

INSTANTIATE_TEST_SUITE_P(
    Walk, Decode,
    ::testing::Values(
        DecodeCase{"OverflowZeroBuffer", {}, all, {}},
        DecodeCase{"EachCode",
                   {{1, u"a"}, {2, u"b"}, {3, u"c"}, {4, u"d"}, {5, u"e"}},
                   all,
                   {{waAdd, "a"}, {waRemove, "b"}, {waModify, "c"}, {waRenameOld, "d"}, {waRenameNew, "e"}}},
        DecodeCase{"CodeZeroAndAboveFiveAreAdd",
                   {{0, u"z"}, {6, u"six"}, {0xFFFF, u"big"}},
                   all,
                   {{waAdd, "z"}, {waAdd, "six"}, {waAdd, "big"}}},
        DecodeCase{"RenamePairInOrder", {{4, u"old"}, {5, u"new"}}, all, {{waRenameOld, "old"}, {waRenameNew, "new"}}},
        DecodeCase{"DroppedActionsKeepOrder",
                   {{1, u"a"}, {3, u"m1"}, {2, u"b"}, {3, u"m2"}, {5, u"c"}},
                   all.without(waModify),
                   {{waAdd, "a"}, {waRemove, "b"}, {waRenameNew, "c"}}},
        DecodeCase{"EmptyActionSetReportsNothing", {{1, u"a"}, {2, u"b"}}, TWatchActionSet{}, {}},
        DecodeCase{"EmptyNamesSkipped", {{1, u""}, {1, u"x"}, {2, u""}}, all, {{waAdd, "x"}}},
        DecodeCase{"OddByteCountDropsLastByte", {{1, u"ab", DWORD{3}}}, all, {{waAdd, "a"}}},
        DecodeCase{"OneByteNameIsEmpty", {{1, u"a", DWORD{1}}}, all, {}},
        DecodeCase{"SubdirectoryPath", {{3, u"sub/dir/f.txt"}}, all, {{waModify, "sub/dir/f.txt"}}},
        DecodeCase{"NonAsciiName", {{1, u"\u00e9t\u00e9 \u65e5"}}, all, {{waAdd, "\xC3\xA9t\xC3\xA9 \xE6\x97\xA5"}}},
        DecodeCase{"NameLengthBeyondBufferIsCut",
                   {{1, u"abc", DWORD{0xFFFFFFF0}}},
                   all,
                   // the walk reads up to the buffer's end (2042 whole units) and no further
                   {{waAdd, "abc" + std::string((kNotificationBufferSize - 12) / 2 - 3, '\0')}}},
        DecodeCase{"ChainPointingOutsideEnds", {{1, u"a", std::nullopt, DWORD{0x7FFFFFFF}}}, all, {{waAdd, "a"}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(DecodeBounds, RecordChainReachingTheLastByte)
{
    // A record whose name ends exactly on the buffer's last byte is read whole, and nothing past it.
    TQuorvel_DiskMonitor monitor(nullptr);
    Recorder recorder;
    recorder.attach(monitor);
    unsigned char* buffer = monitor.NotificationBuffer();
    const std::size_t lastAt = 4084; // 4084 + 12 header = 4096; one UTF-16 unit would need 4096..4097
    build(buffer, 0, {{1, u"first", std::nullopt, DWORD{lastAt}}});
    build(buffer, lastAt, {{2, u"", DWORD{1}}});
    buffer[lastAt + 12] = 'Z'; // the last byte: half a unit, dropped
    monitor.ProcessNotifications();
    EXPECT_EQ(recorder.events, (std::vector<Event>{{waAdd, "first"}})) << recorder.dump();

    // The same chain with a two-byte name claimed: only one byte remains, so the name is empty.
    build(buffer, lastAt, {{1, u"", DWORD{2}}});
    recorder.events.clear();
    monitor.ProcessNotifications();
    EXPECT_EQ(recorder.events, (std::vector<Event>{{waAdd, "first"}})) << recorder.dump();
}

TEST(DecodeBounds, NoHandlerConsumesEverything)
{
    TQuorvel_DiskMonitor monitor(nullptr);
    build(monitor.NotificationBuffer(), 0, {{1, u"a"}, {2, u"b"}});
    EXPECT_NO_THROW(monitor.ProcessNotifications());
}

TEST(DecodeBounds, HandlerExceptionEndsTheWalkAtThatRecord)
{
    TQuorvel_DiskMonitor monitor(nullptr);
    std::vector<std::string> seen;
    monitor.SetOnChange([&](TQuorvel_DiskMonitor*, TWatchAction, std::string name) {
        seen.push_back(name);
        if (name == "b") {
            throw std::runtime_error("handler failed");
        }
    });
    build(monitor.NotificationBuffer(), 0, {{1, u"a"}, {1, u"b"}, {1, u"c"}});
    EXPECT_THROW(monitor.ProcessNotifications(), std::runtime_error);
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b"}));
}

} // namespace
} // namespace tervane::test
