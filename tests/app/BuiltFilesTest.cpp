// SPDX-License-Identifier: MIT
// The branding file and icon the build puts beside the program.
#include "app/Branding.h"
#include "app/IconFile.h"
#include "app/IniFile.h"
#include "app/UtilFuncs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tervane {
namespace {

TEST(BuiltBranding, UnscramblesToReadableIni)
{
    std::vector<std::string> lines = splitLines(readFileBytes(TERVANE_BUILT_BRANDING_FILE));
    for (std::string& line : lines) {
        line = UnscrambleLine(line);
    }
    EXPECT_EQ(lines, splitLines(readFileBytes(TERVANE_READABLE_BRANDING_FILE)));
    EXPECT_EQ(ReadBrandingTitle(TERVANE_BUILT_BRANDING_FILE), "Tervane");
}

TEST(BuiltIcon, HasIconHeaderAndThreeImages)
{
    EXPECT_NO_THROW(CheckIconFile(TERVANE_BUILT_ICON_FILE));
    const std::string bytes = readFileBytes(TERVANE_BUILT_ICON_FILE);
    ASSERT_GE(bytes.size(), 6U);
    EXPECT_EQ(bytes[4], 3);
}

} // namespace
} // namespace tervane
