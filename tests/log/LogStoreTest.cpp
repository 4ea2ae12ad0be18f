// SPDX-License-Identifier: MIT
#include "log/LogStore.h"

#include <gtest/gtest.h>

#include <string>

namespace tervane {
namespace {

LogRow numberedRow(std::size_t n)
{
    LogRow row;
    row.timestamp = "2024-03-01 00.59.58";
    row.action = "Modify";
    row.name = "file-" + std::to_string(n) + ".txt";
    row.location = "/home/user/project/src/";
    row.kind = static_cast<EntryKind>(n % 3);
    if (row.kind != EntryKind::Removed) {
        row.size = std::to_string(n * 7);
        row.modified = "2021-06-15 10.20.30";
        row.attrs = "0x20";
    }
    return row;
}

void expectRow(const LogStore& store, std::size_t viewIndex, const LogRow& expected)
{
    for (int c = 0; c < kLogColumnCount; ++c) {
        const auto column = static_cast<LogColumn>(c);
        ASSERT_EQ(store.cell(viewIndex, column), expected.cell(column))
            << "view index " << viewIndex << " column " << c;
    }
    ASSERT_EQ(store.kind(viewIndex), expected.kind) << "view index " << viewIndex;
}

TEST(LogStore, ReadsNewestFirst)
{
    LogStore store;
    for (std::size_t n = 0; n < 3; ++n) {
        store.append(numberedRow(n));
    }
    ASSERT_EQ(store.size(), 3u);
    expectRow(store, 0, numberedRow(2));
    expectRow(store, 1, numberedRow(1));
    expectRow(store, 2, numberedRow(0));
}

TEST(LogStore, ClearEmptiesAndStartsAfresh)
{
    LogStore store;
    store.append(numberedRow(1));
    store.append(numberedRow(2));
    store.clear();
    EXPECT_EQ(store.size(), 0u);
    EXPECT_EQ(store.cellBytes(), 0u);

    store.append(numberedRow(5));
    ASSERT_EQ(store.size(), 1u);
    expectRow(store, 0, numberedRow(5));
}

TEST(LogStore, RowLargerThanAChunkStaysWhole)
{
    LogStore store;
    store.append(numberedRow(1));
    LogRow big = numberedRow(2);
    big.name = std::string(3u << 20, 'x');
    store.append(big);
    store.append(numberedRow(3));
    expectRow(store, 0, numberedRow(3));
    expectRow(store, 1, big);
    expectRow(store, 2, numberedRow(1));
}

// Many rows cross chunk and record-block boundaries; every row must still read back as written, and the
// storage's own cost per row must stay small enough for a log of millions.
TEST(LogStore, HundredsOfThousandsOfRowsReadBackAndStayCompact)
{
    constexpr std::size_t kRows = 300000;
    LogStore store;
    for (std::size_t n = 0; n < kRows; ++n) {
        store.append(numberedRow(n));
    }
    ASSERT_EQ(store.size(), kRows);
    for (std::size_t n = 0; n < kRows; ++n) {
        expectRow(store, kRows - 1 - n, numberedRow(n));
    }
    const double overheadPerRow =
        static_cast<double>(store.bytesUsed() - store.cellBytes()) / static_cast<double>(kRows);
    EXPECT_LE(overheadPerRow, 200.0);
}

} // namespace
} // namespace tervane
