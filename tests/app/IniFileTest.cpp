// SPDX-License-Identifier: MIT
#include "app/IniFile.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace tervane {
namespace {

struct IniCase
{
    const char* name;
    std::string text;     // raw file text, before line splitting
    std::string expected; // value of SYSTEM/Name, or the default "<none>"
};

void PrintTo(const IniCase& c, std::ostream* os)
{
    *os << c.name;
}

class IniRules : public ::testing::TestWithParam<IniCase>
{
};

TEST_P(IniRules, ReadsNameOfSystemSection)
{
    const IniFile ini(splitLines(GetParam().text));
    EXPECT_EQ(ini.readString("SYSTEM", "Name", "<none>"), GetParam().expected);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRules,
    ::testing::Values(
        IniCase{"Plain", "[SYSTEM]\r\nName=Demo\r\n", "Demo"},
        IniCase{"LetterCaseOfSectionAndKey", "[sYsTem]\r\nNAME=Demo\r\n", "Demo"},
        IniCase{"BlanksAroundNameEqualsAndValue", "  [ SYSTEM ]\t\r\n \t Name \t=  Demo \t\r\n", "Demo"},
        IniCase{"ControlBytesTrimmed", "[SYSTEM]\r\n\x01Name=Demo\x7f\x1f\t\r\n", "Demo\x7f"},
        IniCase{"HighBytesNotTrimmed", "[SYSTEM]\r\nName= \xC3\xA9t\xC3\xA9 \r\n", "\xC3\xA9t\xC3\xA9"},
        IniCase{"EqualsInsideValue", "[SYSTEM]\r\nName = a=b\r\n", "a=b"},
        IniCase{"ValueVerbatim", "[SYSTEM]\r\nName=\"Demo\" ; not a comment\\\r\n", "\"Demo\" ; not a comment\\"},
        IniCase{"EmptyValue", "[SYSTEM]\r\nName=\r\n", ""},
        IniCase{"CommentLinesIgnored", "[SYSTEM]\r\n;Name=Hidden\r\n  ; Name=Hidden\r\n", "<none>"},
        IniCase{"LineWithoutEqualsNeverMatches", "[SYSTEM]\r\nName\r\n", "<none>"},
        IniCase{"LinesBeforeFirstSectionIgnored", "Name=Early\r\n[SYSTEM]\r\nVersion=1\r\n", "<none>"},
        IniCase{"OtherSectionsKeysIgnored", "[SYSTEM]\r\nVersion=1\r\n[OTHER]\r\nName=Other\r\n", "<none>"},
        IniCase{"DuplicateSectionLastWinsWholesale", "[SYSTEM]\r\nName=First\r\n[OTHER]\r\n[system]\r\nVersion=2\r\n",
                "<none>"},
        IniCase{"DuplicateSectionLastValue", "[SYSTEM]\r\nName=First\r\n[SYSTEM]\r\nName=Second\r\n", "Second"},
        IniCase{"DuplicateKeyLastWins", "[SYSTEM]\r\nName=First\r\nNAME=Second\r\nVersion=1\r\n", "Second"},
        IniCase{"LfOnlyLineEnds", "[SYSTEM]\nName=Demo\n", "Demo"},
        IniCase{"CrOnlyLineEnds", "[SYSTEM]\rName=Demo\r", "Demo"},
        IniCase{"UnterminatedLastLine", "[SYSTEM]\r\nName=Demo", "Demo"},
        IniCase{"NulCutsText", "[SYSTEM]\r\nName=De\0mo\r\nName=Other\r\n"s, "De"},
        IniCase{"NulBeforeSection", "\0[SYSTEM]\r\nName=Demo\r\n"s, "<none>"}, IniCase{"EmptyFile", "", "<none>"},
        IniCase{"NoSystemSection", "[OTHER]\r\nName=Demo\r\n", "<none>"}),
    [](const ::testing::TestParamInfo<IniCase>& param) { return std::string(param.param.name); });

TEST(IniFile, SetLinesDiscardsEarlierContent)
{
    IniFile ini({"[SYSTEM]", "Name=Old", "Version=1"});
    ini.setLines({"[SYSTEM]", "Name=New"});
    EXPECT_EQ(ini.readString("SYSTEM", "Name", ""), "New");
    EXPECT_EQ(ini.readString("SYSTEM", "Version", "<none>"), "<none>");
}

} // namespace
} // namespace tervane
