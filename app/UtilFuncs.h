// SPDX-License-Identifier: MIT
#pragma once
// Path and branding-file helpers shared by start-up and the windows (pure functions of 8-bit strings, safe
// on any thread), and the shell helpers: opening a link under a nestable busy cursor (main thread only).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tervane {

/// Path with the platform's delimiter appended unless its last byte already is one ("" gives the delimiter).
std::string AddBackslash(std::string_view Path);

/// Every byte complemented; the branding file stores its lines this way, and the operation is its own inverse.
std::string UnscrambleLine(std::string_view Line);

/// Full path of the branding file "zezeruda.dll" beside the running executable.
std::string GetBrandingFileName();

/// The directory part of `executablePath`, up to and including its last delimiter ("" when it has none).
std::string executableDirectory(std::string_view executablePath);

/// The branding file's path for an executable at `executablePath`.
std::string GetBrandingFileName(std::string_view executablePath);

/// The application icon "icon.ico", which lies beside the branding file.
std::string iconFileName(std::string_view executablePath);
std::string iconFileName();

/// What the busy section does to the application-wide cursor. The core knows no windowing toolkit, so
/// the program installs one that drives the toolkit's cursor override; without one the count still runs.
struct CursorSink
{
    std::function<void()> setWait; ///< show the wait cursor everywhere, at once
    std::function<void()> restore; ///< back to each window's own cursor; must not throw
};
void setCursorSink(CursorSink sink);

/// Hands a link to whatever the desktop associates with it. Installed by the program; without one a link
/// goes nowhere. May throw: OpenLink still ends its busy section.
using LinkOpener = std::function<void(std::string_view link)>;
void setLinkOpener(LinkOpener opener);

/// Busy sections begun and not yet ended; never negative.
[[nodiscard]] std::int32_t BusyCount();

/// Begins a busy section: the wait cursor is set on every call, whatever the count was.
void BusyCursorOn();

/// Ends a busy section; only the end of the outermost one restores the cursor, and an unmatched end
/// does nothing at all.
void BusyCursorOff();

/// Opens `Link` (an address, a path, anything the desktop can open) under a busy section. Failures are
/// not reported; an exception from the opener travels on after the section has ended.
void OpenLink(std::string_view Link);

} // namespace tervane
