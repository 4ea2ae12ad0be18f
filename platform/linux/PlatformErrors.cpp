// SPDX-License-Identifier: MIT
#include "platform/linux/PlatformErrors.h"

#include <string>

namespace tervane::platform {

namespace {

class PlatformCategory final : public std::error_category
{
public:
    const char* name() const noexcept override { return "tervane.platform"; }
    std::string message(int value) const override
    {
        switch (static_cast<PlatformError>(value)) {
        case PlatformError::WatchLimit:
            return "Too many watched directories (raise fs.inotify.max_user_watches)";
        case PlatformError::InstanceLimit:
            return "Too many directory watches open (raise fs.inotify.max_user_instances)";
        case PlatformError::BackendFailed:
            return "The directory watch stopped unexpectedly";
        }
        return "Unknown platform error";
    }
};

} // namespace

const std::error_category& platformCategory()
{
    static const PlatformCategory category;
    return category;
}

std::error_code makeError(PlatformError error)
{
    return {static_cast<int>(error), platformCategory()};
}

} // namespace tervane::platform
