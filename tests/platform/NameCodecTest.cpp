// SPDX-License-Identifier: MIT
#include "platform/Platform.h"
#include "tests/platform/WatchHarness.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using tervane::platform::MultiByteToWideChar;
using tervane::platform::WideCharToMultiByte;
using tervane::test::LabelOf;

struct NameCase
{
    const char* label;
    std::string bytes;
    std::u16string wide;
};

class NameCodec : public ::testing::TestWithParam<NameCase>
{
};

TEST_P(NameCodec, EncodesAndRestoresExactBytes)
{
    const NameCase& c = GetParam();
    EXPECT_EQ(MultiByteToWideChar(c.bytes), c.wide);
    EXPECT_EQ(WideCharToMultiByte(c.wide), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Names, NameCodec,
                         ::testing::Values(NameCase{"Ascii", "a b.txt", u"a b.txt"},
                                           NameCase{"TwoByte", "caf\xc3\xa9", u"caf\u00e9"},
                                           NameCase{"ThreeByte", "\xe2\x82\xac", u"\u20ac"},
                                           NameCase{"AstralPlane", "\xf0\x9f\x98\x80", u"\xD83D\xDE00"},
                                           NameCase{"StrayByte", "a\xff", u"a\xDCFF"},
                                           NameCase{"TruncatedSequence", "a\xc3", u"a\xDCC3"},
                                           NameCase{"Overlong", "\xc0\xaf", u"\xDCC0\xDCAF"},
                                           NameCase{"EncodedSurrogate", "\xed\xa0\x80", u"\xDCED\xDCA0\xDC80"},
                                           NameCase{"BeyondUnicode", "\xf4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
                                           NameCase{"BadContinuationKeepsNext", "\xe2\x82x", u"\xDCE2\xDC82x"}),
                         LabelOf{});

TEST(NameCodec, UnpairedSurrogatesOutsideTheEscapeRangeBecomeQuestionMarks)
{
    EXPECT_EQ(WideCharToMultiByte(u"\xD800x"), "?x");
    EXPECT_EQ(WideCharToMultiByte(u"\xDC10"), "?");
    EXPECT_EQ(WideCharToMultiByte(u"\xDE00\xD83D"), "??");
}

TEST(NameCodec, EveryByteStringSurvivesTheRoundTrip)
{
    std::string bytes(2, '\0');
    for (int value = 0; value < 0x10000; ++value) {
        bytes[0] = static_cast<char>(value >> 8);
        bytes[1] = static_cast<char>(value & 0xFF);
        ASSERT_EQ(WideCharToMultiByte(MultiByteToWideChar(bytes)), bytes) << "value " << value;
    }
    // Longer strings drawn from the bytes that make multi-byte sequences interesting.
    std::mt19937 random(42);
    const std::string alphabet = "a\x80\x8f\x90\x9f\xa0\xbf\xc0\xc2\xdf\xe0\xed\xef\xf0\xf4\xf5\xff";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int i = 0; i < 100000; ++i) {
        std::string sample(6, '\0');
        for (char& c : sample) {
            c = alphabet[pick(random)];
        }
        ASSERT_EQ(WideCharToMultiByte(MultiByteToWideChar(sample)), sample);
    }
}

} // namespace
