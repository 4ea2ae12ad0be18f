// SPDX-License-Identifier: MIT
#pragma once
// Reads the scrambled branding file: the application title at start-up, the branding record while the
// main window is created. Main thread only (the record it fills is unlocked).

#include "app/globals.h"

#include <string>

namespace tervane {

/// The section every branding key lives in.
inline constexpr const char* kBrandingSection = "SYSTEM";

/// The value of "Name" (empty when missing). Throws Exception("Cannot open file ...") when the file
/// cannot be read.
std::string ReadBrandingTitle(const std::string& fileName);

/// Fills `record` key by key, a missing key giving an empty field. When the file cannot be read,
/// throws Exception("Cannot open file ...") before any field is touched.
void ReadBrandingRecord(const std::string& fileName, TGlobalVars& record);

} // namespace tervane
