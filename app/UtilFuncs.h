// SPDX-License-Identifier: MIT
#pragma once
// Path and branding-file helpers shared by start-up and the windows. Pure functions of 8-bit strings;
// safe on any thread.

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

} // namespace tervane
