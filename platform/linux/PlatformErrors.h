// SPDX-License-Identifier: MIT
#pragma once
// Errors of our own for kernel limits, so a front end shows which setting to raise instead of errno's
// "No space left on device". Any thread.

#include <system_error>

namespace tervane::platform {

enum class PlatformError
{
    WatchLimit = 1,    ///< fs.inotify.max_user_watches reached
    InstanceLimit = 2, ///< fs.inotify.max_user_instances reached
    BackendFailed = 3, ///< the watch's thread stopped on an unexpected error
};

const std::error_category& platformCategory();
std::error_code makeError(PlatformError error);

} // namespace tervane::platform
