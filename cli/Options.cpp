// SPDX-License-Identifier: MIT
#include "cli/Options.h"

#include "platform/Platform.h"

#include <array>
#include <optional>
#include <utility>

#ifndef TERVANE_VERSION
#error "TERVANE_VERSION must come from the project version"
#endif

namespace tervane::cli {

namespace {

// The words are the window's menu captions, lower-cased and hyphenated, in menu order.
constexpr std::array<std::pair<std::string_view, TWatchAction>, 5> kActionWords{{
    {"add", TWatchAction::waAdd},
    {"remove", TWatchAction::waRemove},
    {"modify", TWatchAction::waModify},
    {"rename-old", TWatchAction::waRenameOld},
    {"rename-new", TWatchAction::waRenameNew},
}};

constexpr std::array<std::pair<std::string_view, TWatchFilter>, 8> kNotifyWords{{
    {"file-name", TWatchFilter::wfFilename},
    {"directory-name", TWatchFilter::wfDirname},
    {"attributes", TWatchFilter::wfAttrs},
    {"size", TWatchFilter::wfSize},
    {"last-write", TWatchFilter::wfLastWrite},
    {"last-access", TWatchFilter::wfLastAccess},
    {"creation", TWatchFilter::wfCreation},
    {"security", TWatchFilter::wfSecurity},
}};

template <typename Words> std::string wordList(const Words& words)
{
    std::string list;
    for (const auto& [word, value] : words) {
        list += list.empty() ? "" : ", ";
        list += word;
    }
    return list;
}

// An empty list is accepted: it is what unticking every item of a menu gives, and what follows from it
// (nothing printed, or a watch that cannot start) is reported where the window would report it.
template <typename Set, typename Words>
bool parseWordList(std::string_view option, std::string_view list, const Words& words, Set& out, std::string& error)
{
    Set set;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view word = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        if (word.empty() && comma != std::string_view::npos) {
            continue; // "add,,remove" and a trailing comma are harmless
        }
        bool known = false;
        for (const auto& [name, value] : words) {
            if (word == name) {
                set = set.with(value);
                known = true;
            }
        }
        if (!known) {
            error = "unknown word '" + std::string(word) + "' in " + std::string(option) + " (expected " +
                    wordList(words) + ")";
            return false;
        }
    }
    out = set;
    return true;
}

std::optional<ColorMode> parseColorMode(std::string_view value)
{
    if (value == "auto") {
        return ColorMode::Auto;
    }
    if (value == "always") {
        return ColorMode::Always;
    }
    if (value == "never") {
        return ColorMode::Never;
    }
    return std::nullopt;
}

} // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string_view>& args)
{
    ParsedCommandLine result;
    Options& o = result.options;
    bool haveDirectory = false;
    bool optionsEnded = false;

    auto fail = [&result](std::string message) {
        result.error = std::move(message);
        return result;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.front() != '-') {
            if (haveDirectory) {
                return fail("only one directory can be watched (got '" + o.directory + "' and '" + std::string(arg) +
                            "')");
            }
            o.directory = arg;
            haveDirectory = true;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }

        // Long options take their value after "=" or as the next argument; --color only after "=",
        // since a bare --color means "always" as in ls and grep.
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const std::size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        const auto takeValue = [&]() -> std::optional<std::string_view> {
            if (value) {
                return value;
            }
            if (i + 1 < args.size()) {
                return args[++i];
            }
            return std::nullopt;
        };
        const auto noValue = [&] { return !value.has_value(); };

        if ((name == "--help" || name == "-h") && noValue()) {
            o.help = true;
        } else if (name == "--version" && noValue()) {
            o.version = true;
        } else if (name == "--json" && noValue()) {
            o.json = true;
        } else if ((name == "--quiet" || name == "-q") && noValue()) {
            o.quiet = true;
        } else if (name == "--no-subtree" && noValue()) {
            o.watchSubtree = false;
        } else if (name == "--color") {
            const std::optional<ColorMode> mode = value ? parseColorMode(*value) : ColorMode::Always;
            if (!mode) {
                return fail("invalid value '" + std::string(*value) + "' for --color (expected auto, always, never)");
            }
            o.color = *mode;
        } else if (name == "--actions" || name == "--notify") {
            const std::optional<std::string_view> list = takeValue();
            if (!list) {
                return fail("option '" + std::string(name) + "' needs a comma-separated list");
            }
            const bool ok = name == "--actions" ? parseWordList(name, *list, kActionWords, o.actions, result.error)
                                                : parseWordList(name, *list, kNotifyWords, o.notify, result.error);
            if (!ok) {
                return result;
            }
        } else if (value) {
            return fail("option '" + std::string(name) + "' takes no value");
        } else {
            return fail("unrecognized option '" + std::string(arg) + "'");
        }
    }
    return result;
}

std::string usageHint(std::string_view program)
{
    return "Usage: " + std::string(program) + " [OPTIONS] [DIRECTORY]\nTry '" + std::string(program) +
           " --help' for more information.\n";
}

std::string usageText(std::string_view program)
{
    const std::string p(program);
    return "Usage: " + p +
           " [OPTIONS] [DIRECTORY]\n"
           "Print one line per change below DIRECTORY (default: " +
           std::string(platform::DefaultDirectory()) +
           "), as Tervane's log window shows it:\n"
           "Timestamp, Action, Name, Location, Size or \"Folder\", Modified, Attrs, separated by tabs.\n"
           "\n"
           "Options:\n"
           "      --json             one JSON object per line, with the same fields and the entry kind\n"
           "      --color[=WHEN]     colour lines by entry kind: auto (on a terminal), always, never\n"
           "      --no-subtree       watch DIRECTORY itself, not the folders below it\n"
           "      --actions=LIST     print only these actions: " +
           wordList(kActionWords) +
           "\n"
           "      --notify=LIST      watch only these kinds of change: " +
           wordList(kNotifyWords) +
           "\n"
           "  -q, --quiet            do not say when the watch is set up\n"
           "  -h, --help             show this help and exit\n"
           "      --version          show the version and exit\n"
           "\n"
           "LIST is comma-separated; by default everything is printed and watched.\n"
           "Warnings (lost changes, the watch limit) go to standard error.\n"
           "\n"
           "Exit status: 0 when ended by Ctrl-C, SIGTERM or a closed output pipe; 1 when the watched\n"
           "directory disappears, the watch fails or the output cannot be written; 2 for a bad command\n"
           "line or a watch that cannot start.\n";
}

std::string versionText(std::string_view program)
{
    return std::string(program) + " " TERVANE_VERSION "\n";
}

} // namespace tervane::cli
