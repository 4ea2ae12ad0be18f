// SPDX-License-Identifier: MIT
#include "app/ErrorText.h"

#include "app/Exception.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <stdexcept>
#include <string>

namespace tervane {
namespace {

struct TextCase
{
    const char* name;
    std::string message;
    std::string expected;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << c.name;
}

std::string caseName(const ::testing::TestParamInfo<TextCase>& info)
{
    return info.param.name;
}

class ApplicationError : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(ApplicationError, FramesMessage)
{
    int anchor = 0;
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(&anchor));
    EXPECT_EQ(ApplicationErrorText("tervane::Exception", "/opt/tervane/tervane", &anchor, GetParam().message),
              "Exception tervane::Exception in module /opt/tervane/tervane at " + std::string(address) + ".\r\n" +
                  GetParam().expected + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplicationError,
    ::testing::Values(TextCase{"AddsFullStop", "Icon image is not valid", "Icon image is not valid."},
                      TextCase{"KeepsFullStop", "Done.", "Done."},
                      TextCase{"OtherPunctuationGetsOne", "Oops!", "Oops!."}, TextCase{"EmptyMessage", "", "."}),
    caseName);

class FullStop : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(FullStop, OnlyAfterBytesSortingAfterDot)
{
    EXPECT_EQ(WithFullStop(GetParam().message), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FullStop,
    ::testing::Values(TextCase{"Letter", "Cannot open file", "Cannot open file."},
                      TextCase{"Digit", "error 5", "error 5."}, TextCase{"FullStop", "Done.", "Done."},
                      TextCase{"Exclamation", "Stop!", "Stop!"},
                      TextCase{"Quote", "Cannot open file \"x\"", "Cannot open file \"x\""},
                      TextCase{"Blank", "trailing ", "trailing "}, TextCase{"Hyphen", "a -", "a -"},
                      TextCase{"NonAsciiByte", "caf\xC3\xA9", "caf\xC3\xA9."}, TextCase{"Empty", "", ""}),
    caseName);

TEST(ExceptionTypeName, IsDemangledDynamicType)
{
    const Exception own("x");
    const std::exception& asBase = own;
    EXPECT_EQ(exceptionTypeName(asBase), "tervane::Exception");
    EXPECT_EQ(exceptionTypeName(std::out_of_range("x")), "std::out_of_range");
}

} // namespace
} // namespace tervane
