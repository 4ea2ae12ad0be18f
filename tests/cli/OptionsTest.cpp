// SPDX-License-Identifier: MIT
#include "cli/Options.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tervane::cli {
namespace {

struct ParseCase
{
    const char* name;
    std::vector<std::string_view> args;
    std::function<void(Options&)> expect; // applied to the defaults
};

class ParseTest : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(ParseTest, GivesTheOptions)
{
    const ParsedCommandLine parsed = parseCommandLine(GetParam().args);
    ASSERT_EQ(parsed.error, "");
    Options expected;
    GetParam().expect(expected);
    EXPECT_EQ(parsed.options, expected);
}

using A = TWatchAction;
using F = TWatchFilter;

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseTest,
    ::testing::Values(
        ParseCase{"Defaults", {}, [](Options&) {}},
        ParseCase{"Directory", {"/tmp/x"}, [](Options& o) { o.directory = "/tmp/x"; }},
        ParseCase{"DashAloneIsADirectory", {"-"}, [](Options& o) { o.directory = "-"; }},
        ParseCase{"DoubleDashEndsOptions", {"--", "--json"}, [](Options& o) { o.directory = "--json"; }},
        ParseCase{"NoSubtree", {"--no-subtree"}, [](Options& o) { o.watchSubtree = false; }},
        ParseCase{"Json", {"--json"}, [](Options& o) { o.json = true; }},
        ParseCase{"Quiet", {"-q"}, [](Options& o) { o.quiet = true; }},
        ParseCase{"Help", {"--help"}, [](Options& o) { o.help = true; }},
        ParseCase{"ShortHelp", {"-h"}, [](Options& o) { o.help = true; }},
        ParseCase{"Version", {"--version"}, [](Options& o) { o.version = true; }},
        ParseCase{"BareColorMeansAlways", {"--color"}, [](Options& o) { o.color = ColorMode::Always; }},
        ParseCase{"ColorNever", {"--color=never"}, [](Options& o) { o.color = ColorMode::Never; }},
        ParseCase{"LaterOptionWins", {"--color=never", "--color=auto"}, [](Options& o) { o.color = ColorMode::Auto; }},
        ParseCase{"ActionsAfterEquals",
                  {"--actions=add,rename-new"},
                  [](Options& o) {
                      o.actions = {A::waAdd, A::waRenameNew};
                  }},
        ParseCase{"ActionsAsNextArgument",
                  {"--actions", "remove", "/d"},
                  [](Options& o) {
                      o.actions = {A::waRemove};
                      o.directory = "/d";
                  }},
        ParseCase{"EveryActionWord", {"--actions=add,remove,modify,rename-old,rename-new"}, [](Options&) {}},
        ParseCase{"EmptyActionListIsAccepted", {"--actions="}, [](Options& o) { o.actions = {}; }},
        ParseCase{"StrayCommasAreHarmless", {"--actions=,modify,,"}, [](Options& o) { o.actions = {A::waModify}; }},
        ParseCase{"EveryNotifyWord",
                  {"--notify=file-name,directory-name,attributes,size,last-write,last-access,creation,security"},
                  [](Options&) {}},
        ParseCase{"NotifySubset",
                  {"--notify=directory-name,security"},
                  [](Options& o) {
                      o.notify = {F::wfDirname, F::wfSecurity};
                  }},
        // An empty filter is a watch that cannot start, reported as such, not a command-line mistake.
        ParseCase{"EmptyNotifyListIsAccepted", {"--notify="}, [](Options& o) { o.notify = {}; }}),
    [](const auto& p) { return std::string(p.param.name); });

struct ErrorCase
{
    const char* name;
    std::vector<std::string_view> args;
    const char* error;
};

class ParseErrorTest : public ::testing::TestWithParam<ErrorCase>
{
};

TEST_P(ParseErrorTest, NamesTheMistake)
{
    EXPECT_EQ(parseCommandLine(GetParam().args).error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseErrorTest,
    ::testing::Values(
        ErrorCase{"UnknownLongOption", {"--bogus"}, "unrecognized option '--bogus'"},
        ErrorCase{"UnknownShortOption", {"-x"}, "unrecognized option '-x'"},
        ErrorCase{"ValueOnAFlag", {"--json=yes"}, "option '--json' takes no value"},
        ErrorCase{"MissingList", {"--notify"}, "option '--notify' needs a comma-separated list"},
        ErrorCase{"UnknownAction",
                  {"--actions=add,delete"},
                  "unknown word 'delete' in --actions (expected add, remove, modify, rename-old, rename-new)"},
        ErrorCase{"UnknownNotifyKind",
                  {"--notify=size,content"},
                  "unknown word 'content' in --notify (expected file-name, directory-name, attributes, size, "
                  "last-write, last-access, creation, security)"},
        ErrorCase{"WordsAreCaseSensitive",
                  {"--actions=Add"},
                  "unknown word 'Add' in --actions (expected add, remove, modify, rename-old, rename-new)"},
        ErrorCase{"BadColorMode",
                  {"--color=sometimes"},
                  "invalid value 'sometimes' for --color (expected auto, always, never)"},
        ErrorCase{"TwoDirectories", {"/a", "/b"}, "only one directory can be watched (got '/a' and '/b')"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(UsageTest, HelpNamesEveryOptionAndWord)
{
    const std::string help = usageText("tervane-watch");
    for (const char* word : {"--json", "--color", "--no-subtree", "--actions", "--notify", "--quiet", "--help",
                             "--version", "rename-old", "last-access", "Exit status"}) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
    }
}

} // namespace
} // namespace tervane::cli
