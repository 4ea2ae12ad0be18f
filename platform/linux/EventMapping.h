// SPDX-License-Identifier: MIT
#pragma once
// How a Win32 notify filter translates to inotify: which events to ask the kernel for, and which of the
// events it sends become which change records. Pure functions; any thread.

#include "platform/Win32Types.h"

#include <cstdint>

namespace tervane::platform {

/// Mask for every directory of the watch; the root adds the events about itself.
std::uint32_t directoryMask(DWORD filter, bool subtree);
std::uint32_t rootMask(DWORD filter, bool subtree);

/// Whether creating, removing or renaming an entry of this kind is reported under `filter`.
bool reportsName(DWORD filter, bool isDirectory);

/// FILE_ACTION_MODIFIED if a content or metadata event `mask` is reported under `filter`, else 0.
DWORD modificationAction(DWORD filter, std::uint32_t mask);

} // namespace tervane::platform
