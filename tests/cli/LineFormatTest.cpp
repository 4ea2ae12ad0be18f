// SPDX-License-Identifier: MIT
#include "cli/LineFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace tervane::cli {
namespace {

LogRow fileRow()
{
    LogRow row;
    row.timestamp = "2024-03-01 00.59.58";
    row.action = "Add";
    row.name = "a.txt";
    row.location = "/w/";
    row.size = "12";
    row.modified = "2024-03-01 00.59.58";
    row.attrs = "0x20";
    row.kind = EntryKind::File;
    return row;
}

struct TextCase
{
    const char* name;
    std::string rowName;
    EntryKind kind;
    bool colour;
    std::string expected;
};

class TextLineTest : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(TextLineTest, MakesOneLine)
{
    LogRow row = fileRow();
    row.name = GetParam().rowName;
    row.kind = GetParam().kind;
    EXPECT_EQ(textLine(row, GetParam().colour), GetParam().expected);
}

const std::string kCells = "\t/w/\t12\t2024-03-01 00.59.58\t0x20";

INSTANTIATE_TEST_SUITE_P(
    Cases, TextLineTest,
    ::testing::Values(TextCase{"Plain", "a.txt", EntryKind::File, false,
                               "2024-03-01 00.59.58\tAdd\ta.txt" + kCells + "\n"},
                      // A name may hold any byte but "/" and NUL; one change must stay one line and must not drive the
                      // terminal.
                      TextCase{"ControlCharactersEscaped", "a\tb\nc\rd\x1b[2Je\x7f", EntryKind::File, false,
                               "2024-03-01 00.59.58\tAdd\ta\\tb\\nc\\rd\\x1b[2Je\\x7f" + kCells + "\n"},
                      TextCase{"NonUtf8BytesPassThrough", "caf\xe9", EntryKind::File, false,
                               "2024-03-01 00.59.58\tAdd\tcaf\xe9" + kCells + "\n"},
                      TextCase{"FileIsBlue", "a.txt", EntryKind::File, true,
                               "\x1b[38;2;0;0;255m2024-03-01 00.59.58\tAdd\ta.txt" + kCells + "\x1b[0m\n"},
                      TextCase{"FolderIsGreen", "a.txt", EntryKind::Folder, true,
                               "\x1b[38;2;0;128;0m2024-03-01 00.59.58\tAdd\ta.txt" + kCells + "\x1b[0m\n"},
                      TextCase{"RemovedIsRed", "a.txt", EntryKind::Removed, true,
                               "\x1b[38;2;255;0;0m2024-03-01 00.59.58\tAdd\ta.txt" + kCells + "\x1b[0m\n"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(TextLineTest, EmptyCellsKeepTheirColumns)
{
    LogRow row;
    row.timestamp = "t";
    row.action = "Remove";
    row.name = "gone";
    row.location = "/w/";
    EXPECT_EQ(textLine(row, false), "t\tRemove\tgone\t/w/\t\t\t\n");
}

TEST(JsonLineTest, HasEveryCellAndTheKind)
{
    LogRow row = fileRow();
    row.kind = EntryKind::Folder;
    row.size = "Folder";
    EXPECT_EQ(jsonLine(row), "{\"timestamp\":\"2024-03-01 00.59.58\",\"action\":\"Add\",\"name\":\"a.txt\","
                             "\"location\":\"/w/\",\"size\":\"Folder\",\"modified\":\"2024-03-01 00.59.58\","
                             "\"attrs\":\"0x20\",\"kind\":\"folder\"}\n");
}

struct JsonStringCase
{
    const char* name;
    std::string bytes;
    std::string expected;
};

class JsonStringTest : public ::testing::TestWithParam<JsonStringCase>
{
};

TEST_P(JsonStringTest, Escapes)
{
    std::string out;
    appendJsonString(out, GetParam().bytes);
    EXPECT_EQ(out, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonStringTest,
    ::testing::Values(JsonStringCase{"Empty", "", "\"\""},
                      JsonStringCase{"QuoteAndBackslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
                      JsonStringCase{"ShortEscapes", "\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
                      JsonStringCase{"OtherControls", std::string("\x01\x1f\0", 3), "\"\\u0001\\u001f\\u0000\""},
                      JsonStringCase{"DeleteNeedsNoEscape", "\x7f", "\"\x7f\""},
                      JsonStringCase{"ValidUtf8PassesThrough", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x93\x81",
                                     "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x93\x81\""},
                      // Each byte outside a well-formed sequence becomes U+DC00 + byte, so the name can
                      // be restored exactly (Python: os.fsencode).
                      JsonStringCase{"Latin1Byte", "caf\xe9", "\"caf\\udce9\""},
                      JsonStringCase{"TruncatedSequenceAtEnd", "a\xc3", "\"a\\udcc3\""},
                      JsonStringCase{"TruncatedBeforeAscii", "\xe2\x82z", "\"\\udce2\\udc82z\""},
                      JsonStringCase{"Overlong", "\xc0\xaf", "\"\\udcc0\\udcaf\""},
                      JsonStringCase{"EncodedSurrogate", "\xed\xa0\x80", "\"\\udced\\udca0\\udc80\""},
                      JsonStringCase{"AboveUnicode", "\xf4\x90\x80\x80", "\"\\udcf4\\udc90\\udc80\\udc80\""},
                      JsonStringCase{"LoneContinuation", "\x80", "\"\\udc80\""}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace tervane::cli
