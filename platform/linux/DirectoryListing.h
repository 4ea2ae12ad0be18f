// SPDX-License-Identifier: MIT
#pragma once
// Lists an open directory with getdents64: names and whether each is a real directory (symbolic links are
// not), without a stat per entry. Any thread, one directory descriptor per call.

#include <functional>
#include <string_view>
#include <system_error>

namespace tervane::platform {

/// Calls `entry(name, isDirectory)` for every entry but "." and "..". Stops early when `entry` returns false.
std::error_code listDirectory(int directoryFd, const std::function<bool(std::string_view, bool)>& entry);

} // namespace tervane::platform
