// SPDX-License-Identifier: MIT
#include "app/IconFile.h"

#include "app/Exception.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace tervane {
namespace {

struct IconCase
{
    const char* name;
    std::optional<std::string> content; // nullopt: no file at all
    std::string expectedError;          // empty: accepted; "<path>" stands for the file's path
};

void PrintTo(const IconCase& c, std::ostream* os)
{
    *os << c.name;
}

class IconHeader : public ::testing::TestWithParam<IconCase>
{
};

TEST_P(IconHeader, IsCheckedByType)
{
    const test::TempDir dir;
    const std::string file = (dir.path() / "icon.ico").string();
    if (GetParam().content) {
        dir.write("icon.ico", *GetParam().content);
    }
    std::string error;
    try {
        CheckIconFile(file);
    } catch (const Exception& e) {
        error = e.what();
    }
    std::string expected = GetParam().expectedError;
    if (const auto at = expected.find("<path>"); at != std::string::npos) {
        expected.replace(at, 6, file);
    }
    EXPECT_EQ(error, expected);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(Cases, IconHeader,
                         ::testing::Values(IconCase{"IconType", "\0\0\1\0\1\0"s + std::string(16, '\0'), ""},
                                           IconCase{"TypeZero", "\0\0\0\0\0\0"s, ""},
                                           IconCase{"CursorType", "\0\0\2\0\1\0"s, "Icon image is not valid"},
                                           IconCase{"TypeInHighByte", "\0\0\0\1\1\0"s, "Icon image is not valid"},
                                           IconCase{"ShorterThanHeader", "\0\0\1\0\1"s, "Icon image is not valid"},
                                           IconCase{"Empty", ""s, "Icon image is not valid"},
                                           IconCase{"Missing", std::nullopt,
                                                    "Cannot open file \"<path>\". No such file or directory"}),
                         [](const ::testing::TestParamInfo<IconCase>& param) { return std::string(param.param.name); });

} // namespace
} // namespace tervane
