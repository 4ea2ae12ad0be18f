// SPDX-License-Identifier: MIT
#include "app/UtilFuncs.h"

#include "platform/Platform.h"

#include <utility>

namespace tervane {

namespace {

constexpr std::string_view kBrandingFileName = "zezeruda.dll";
constexpr std::string_view kIconFileName = "icon.ico";

// Main thread only, like every caller of the busy section, so none of this is synchronised.
std::int32_t g_busyCount = 0;

CursorSink& cursorSink()
{
    static CursorSink sink;
    return sink;
}

LinkOpener& linkOpener()
{
    static LinkOpener opener;
    return opener;
}

std::string besideExecutable(std::string_view executablePath, std::string_view fileName)
{
    return AddBackslash(executableDirectory(executablePath)).append(fileName);
}

} // namespace

std::string AddBackslash(std::string_view Path)
{
    const char delimiter = platform::PathDelimiter();
    std::string result(Path);
    // Only the last byte is looked at: a multi-byte character ending in the delimiter's value is not expected
    // in the paths we are given.
    if (result.empty() || result.back() != delimiter) {
        result.push_back(delimiter);
    }
    return result;
}

std::string UnscrambleLine(std::string_view Line)
{
    std::string result(Line);
    for (char& c : result) {
        c = static_cast<char>(~static_cast<unsigned char>(c));
    }
    return result;
}

std::string executableDirectory(std::string_view executablePath)
{
    const std::size_t last = executablePath.rfind(platform::PathDelimiter());
    return last == std::string_view::npos ? std::string() : std::string(executablePath.substr(0, last + 1));
}

std::string GetBrandingFileName(std::string_view executablePath)
{
    return besideExecutable(executablePath, kBrandingFileName);
}

std::string GetBrandingFileName()
{
    return GetBrandingFileName(platform::ExecutablePath());
}

std::string iconFileName(std::string_view executablePath)
{
    return besideExecutable(executablePath, kIconFileName);
}

std::string iconFileName()
{
    return iconFileName(platform::ExecutablePath());
}

void setCursorSink(CursorSink sink)
{
    cursorSink() = std::move(sink);
}

void setLinkOpener(LinkOpener opener)
{
    linkOpener() = std::move(opener);
}

std::int32_t BusyCount()
{
    return g_busyCount;
}

void BusyCursorOn()
{
    ++g_busyCount;
    if (cursorSink().setWait) {
        cursorSink().setWait();
    }
}

void BusyCursorOff()
{
    if (g_busyCount <= 0) {
        return;
    }
    if (--g_busyCount == 0 && cursorSink().restore) {
        cursorSink().restore();
    }
}

void OpenLink(std::string_view Link)
{
    BusyCursorOn();
    // Ends the section on the way out of an exception too, so the cursor is never left as the hourglass.
    struct SectionEnd
    {
        SectionEnd() = default;
        SectionEnd(const SectionEnd&) = delete;
        SectionEnd& operator=(const SectionEnd&) = delete;
        ~SectionEnd() { BusyCursorOff(); }
    } end;
    // A copy, so an opener that replaces itself (a nested event loop may run) is not destroyed mid-call.
    if (const LinkOpener opener = linkOpener()) {
        opener(Link);
    }
}

} // namespace tervane
