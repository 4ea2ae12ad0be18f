// SPDX-License-Identifier: MIT
#pragma once
// The branding record: texts and help links read from the branding file while the main window is created.
// Written once on the main thread before the message loop runs, only read afterwards.

#include <string>

namespace tervane {

struct TGlobalVars
{
    std::string Version;
    std::string Copyright;
    std::string HelpContentLink;
    std::string HelpHowTosTutorialVideosLink;
    std::string HelpHomePageLink;
    std::string HelpMoreFreeToolsLink;
    std::string HelpCheckForUpdatesLink;
    std::string HelpSupportLink;
};

extern TGlobalVars GlobalVars;

} // namespace tervane
