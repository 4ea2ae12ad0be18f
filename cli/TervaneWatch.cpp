// SPDX-License-Identifier: MIT
// tervane-watch: the log window's rows on a terminal or into a pipe, for SSH sessions, scripts and
// machines without a display. The entry only parses the command line and runs one watch session.

#include "cli/Options.h"
#include "cli/WatchSession.h"
#include "watch/TThread.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

int main(int argc, char* argv[])
{
    using namespace tervane::cli;
    // Messages name the program as it was called, as other command-line tools do.
    std::string_view program = argc > 0 ? argv[0] : "tervane-watch";
    if (const std::size_t slash = program.rfind('/'); slash != std::string_view::npos) {
        program.remove_prefix(slash + 1);
    }

    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ParsedCommandLine parsed = parseCommandLine(args);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%.*s: %s\n%s", static_cast<int>(program.size()), program.data(), parsed.error.c_str(),
                     usageHint(program).c_str());
        return kExitCannotStart;
    }
    if (parsed.options.help) {
        std::fputs(usageText(program).c_str(), stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::fputs(versionText(program).c_str(), stdout);
        return 0;
    }

    // Before the session starts the watch threads, so they inherit the blocked signals.
    blockStopSignals();
    int status = kExitStopped;
    {
        WatchSession session(parsed.options, program);
        status = session.run();
    }
    tervane::WaitForThreads();
    return status;
}
