// SPDX-License-Identifier: MIT
#include "app/Branding.h"

#include "app/Exception.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace tervane {
namespace {

// Stores readable text the way the build does: each line complemented, breaks as plain CR LF.
std::string scrambled(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\n') {
            out += "\r\n";
        } else {
            out.push_back(static_cast<char>(~static_cast<unsigned char>(c)));
        }
    }
    return out;
}

TEST(Branding, TitleIsNameOfSystemSection)
{
    const test::TempDir dir;
    const auto file = dir.write("zezeruda.dll", scrambled("[SYSTEM]\nVersion=1\nName = Demo \n"));
    EXPECT_EQ(ReadBrandingTitle(file.string()), "Demo");
}

TEST(Branding, RecordTakesEachKeyAndEmptiesMissingOnes)
{
    const test::TempDir dir;
    const auto file = dir.write("zezeruda.dll", scrambled("[SYSTEM]\n"
                                                          "Name=Demo\n"
                                                          "Version=1.2\n"
                                                          "Copyright=Someone\n"
                                                          "HelpContentLink=wrong spelling\n"
                                                          "HelpContectLink=content\n"
                                                          "HelpHowTosTutorialVideosLink=howto\n"
                                                          "HelpHomePageLink=home\n"
                                                          "HelpMoreFreeToolsLink=tools\n"
                                                          "HelpCheckForUpdatesLink=updates"));
    TGlobalVars record;
    record.HelpSupportLink = "stale";
    ReadBrandingRecord(file.string(), record);
    EXPECT_EQ(record.Version, "1.2");
    EXPECT_EQ(record.Copyright, "Someone");
    EXPECT_EQ(record.HelpContentLink, "content");
    EXPECT_EQ(record.HelpHowTosTutorialVideosLink, "howto");
    EXPECT_EQ(record.HelpHomePageLink, "home");
    EXPECT_EQ(record.HelpMoreFreeToolsLink, "tools");
    EXPECT_EQ(record.HelpCheckForUpdatesLink, "updates");
    EXPECT_EQ(record.HelpSupportLink, "");
}

struct UnreadableCase
{
    const char* name;
    std::function<std::filesystem::path(const test::TempDir&)> make;
    const char* systemText;
};

void PrintTo(const UnreadableCase& c, std::ostream* os)
{
    *os << c.name;
}

class UnreadableBranding : public ::testing::TestWithParam<UnreadableCase>
{
};

TEST_P(UnreadableBranding, ReportsPathAndSystemText)
{
    const test::TempDir dir;
    const std::string file = GetParam().make(dir).string();
    if (::access(file.c_str(), R_OK) == 0 && !std::filesystem::is_directory(file)) {
        GTEST_SKIP() << "running with privileges that read the file anyway";
    }
    const std::string expected = "Cannot open file \"" + file + "\". " + GetParam().systemText;

    try {
        (void)ReadBrandingTitle(file);
        ADD_FAILURE() << "title read did not throw";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), expected);
    }

    TGlobalVars record;
    record.Version = "kept";
    try {
        ReadBrandingRecord(file, record);
        ADD_FAILURE() << "record read did not throw";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), expected);
    }
    EXPECT_EQ(record.Version, "kept");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnreadableBranding,
    ::testing::Values(UnreadableCase{"Missing", [](const test::TempDir& d) { return d.path() / "zezeruda.dll"; },
                                     "No such file or directory"},
                      UnreadableCase{"Directory", [](const test::TempDir& d) { return d.mkdir("zezeruda.dll"); },
                                     "Is a directory"},
                      UnreadableCase{"NoPermission",
                                     [](const test::TempDir& d) {
                                         auto p = d.write("zezeruda.dll", "x");
                                         std::filesystem::permissions(p, std::filesystem::perms::none);
                                         return p;
                                     },
                                     "Permission denied"}),
    [](const ::testing::TestParamInfo<UnreadableCase>& param) { return std::string(param.param.name); });

} // namespace
} // namespace tervane
