// SPDX-License-Identifier: MIT
#pragma once
// Turns a log row into one line of the companion's output: the tab-separated cells (optionally coloured
// like the window's legend) or a JSON object. Plain functions: any thread may call them.

#include "log/LogRow.h"

#include <string>
#include <string_view>

namespace tervane::cli {

/// "folder", "file" or "removed": the JSON "kind" value.
std::string_view kindName(EntryKind kind);

/// The ANSI truecolor escape of the window's legend colour for this kind.
std::string_view kindColorEscape(EntryKind kind);

/// The seven cells separated by tabs, ending in a newline. Control characters in a cell (a name may hold
/// a tab or a newline) are written as C escapes so one change stays one line and cannot drive the terminal.
std::string textLine(const LogRow& row, bool colour);

/// One JSON object with the seven cells and "kind", ending in a newline.
std::string jsonLine(const LogRow& row);

/// Appends `bytes` as a quoted JSON string. Valid UTF-8 passes through; each byte that is not part of a
/// valid sequence becomes the escape of the lone surrogate U+DC00 + byte (the scheme Python calls
/// "surrogateescape"), so a file name that is not UTF-8 can still be recovered exactly.
void appendJsonString(std::string& out, std::string_view bytes);

} // namespace tervane::cli
