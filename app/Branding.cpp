// SPDX-License-Identifier: MIT
#include "app/Branding.h"

#include "app/IniFile.h"
#include "app/UtilFuncs.h"

#include <array>
#include <utility>

namespace tervane {

namespace {

IniFile loadBranding(const std::string& fileName)
{
    std::vector<std::string> lines = splitLines(readFileBytes(fileName));
    for (std::string& line : lines) {
        line = UnscrambleLine(line);
    }
    return IniFile(lines);
}

// The keys in the order they are read. "HelpContectLink" is the spelling branding files carry.
const std::array<std::pair<const char*, std::string TGlobalVars::*>, 8> kRecordKeys = {{
    {"Version", &TGlobalVars::Version},
    {"Copyright", &TGlobalVars::Copyright},
    {"HelpContectLink", &TGlobalVars::HelpContentLink},
    {"HelpHowTosTutorialVideosLink", &TGlobalVars::HelpHowTosTutorialVideosLink},
    {"HelpHomePageLink", &TGlobalVars::HelpHomePageLink},
    {"HelpMoreFreeToolsLink", &TGlobalVars::HelpMoreFreeToolsLink},
    {"HelpCheckForUpdatesLink", &TGlobalVars::HelpCheckForUpdatesLink},
    {"HelpSupportLink", &TGlobalVars::HelpSupportLink},
}};

} // namespace

std::string ReadBrandingTitle(const std::string& fileName)
{
    return loadBranding(fileName).readString(kBrandingSection, "Name", "");
}

void ReadBrandingRecord(const std::string& fileName, TGlobalVars& record)
{
    const IniFile ini = loadBranding(fileName);
    for (const auto& [key, field] : kRecordKeys) {
        record.*field = ini.readString(kBrandingSection, key, "");
    }
}

} // namespace tervane
