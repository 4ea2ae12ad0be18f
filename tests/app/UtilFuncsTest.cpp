// SPDX-License-Identifier: MIT
#include "app/UtilFuncs.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace tervane {
namespace {

struct PathCase
{
    const char* name;
    std::string input;
    std::string expected;
};

void PrintTo(const PathCase& c, std::ostream* os)
{
    *os << c.name;
}

std::string caseName(const ::testing::TestParamInfo<PathCase>& info)
{
    return info.param.name;
}

class AddBackslashCases : public ::testing::TestWithParam<PathCase>
{
};

TEST_P(AddBackslashCases, AppendsOneDelimiter)
{
    EXPECT_EQ(AddBackslash(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, AddBackslashCases,
                         ::testing::Values(PathCase{"Plain", "/usr/bin", "/usr/bin/"},
                                           PathCase{"AlreadyEnds", "/usr/bin/", "/usr/bin/"},
                                           PathCase{"Root", "/", "/"}, PathCase{"Empty", "", "/"},
                                           PathCase{"BackslashIsOrdinary", "/a\\", "/a\\/"}),
                         caseName);

class BrandingFileNameCases : public ::testing::TestWithParam<PathCase>
{
};

TEST_P(BrandingFileNameCases, LiesBesideExecutable)
{
    EXPECT_EQ(GetBrandingFileName(GetParam().input), GetParam().expected + "zezeruda.dll");
    EXPECT_EQ(iconFileName(GetParam().input), GetParam().expected + "icon.ico");
}

INSTANTIATE_TEST_SUITE_P(Cases, BrandingFileNameCases,
                         ::testing::Values(PathCase{"Nested", "/opt/tervane/bin/tervane", "/opt/tervane/bin/"},
                                           PathCase{"RootDirectory", "/tervane", "/"},
                                           PathCase{"DotsInNames", "/a.b/c.d", "/a.b/"}),
                         caseName);

class UnscrambleLineCases : public ::testing::TestWithParam<PathCase>
{
};

TEST_P(UnscrambleLineCases, ComplementsEveryByte)
{
    EXPECT_EQ(UnscrambleLine(GetParam().input), GetParam().expected);
    EXPECT_EQ(UnscrambleLine(GetParam().expected), GetParam().input);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnscrambleLineCases,
                         ::testing::Values(PathCase{"Empty", "", ""}, PathCase{"Ascii", "A=b", "\xBE\xC2\x9D"},
                                           PathCase{"AllBits", std::string("\x00\xFF\x0F", 3),
                                                    std::string("\xFF\x00\xF0", 3)}),
                         caseName);

} // namespace
} // namespace tervane
