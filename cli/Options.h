// SPDX-License-Identifier: MIT
#pragma once
// The companion's command line, parsed without side effects so every option and every mistake can be
// checked as data. Plain functions: any thread may call them.

#include "watch/WatchTypes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tervane::cli {

enum class ColorMode : std::uint8_t
{
    Auto,
    Always,
    Never,
};

struct Options
{
    std::string directory; ///< as given; empty means the window's default directory
    bool watchSubtree = true;
    TWatchActionSet actions = TWatchActionSet::all();
    TWatchFilterSet notify = TWatchFilterSet::all();
    bool json = false;
    ColorMode color = ColorMode::Auto;
    bool quiet = false;
    bool help = false;
    bool version = false;

    bool operator==(const Options&) const = default;
};

struct ParsedCommandLine
{
    Options options;
    std::string error; ///< empty when the command line was understood
};

/// Parses the arguments after the program name. Later options win over earlier ones.
ParsedCommandLine parseCommandLine(const std::vector<std::string_view>& args);

/// The --help text.
std::string usageText(std::string_view program);

/// The short hint printed under a command-line error.
std::string usageHint(std::string_view program);

/// The --version text.
std::string versionText(std::string_view program);

} // namespace tervane::cli
