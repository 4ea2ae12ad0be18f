// SPDX-License-Identifier: MIT
// Facts about the running system the front end asks the platform layer for.
#include "platform/Platform.h"
#include "platform/linux/FileDescriptor.h"

#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

namespace tervane::platform {

std::string_view DefaultDirectory()
{
    return "/";
}

char PathDelimiter()
{
    return '/';
}

bool ChangeNotificationAvailable(std::error_code* ec)
{
    const FileDescriptor probe(::inotify_init1(IN_CLOEXEC));
    if (ec != nullptr) {
        *ec = probe.valid() ? std::error_code{} : std::error_code{errno, std::generic_category()};
    }
    return probe.valid();
}

std::string SystemErrorText(const std::error_code& ec)
{
    std::string text = ec.message();
    while (!text.empty() && (text.back() == ' ' || text.back() == '.' || text.back() == '\n')) {
        text.pop_back();
    }
    return text;
}

std::string ExecutablePath()
{
    // The link's length is not known in advance; grow until readlink no longer fills the buffer.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return {};
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            return {buffer.data(), static_cast<std::size_t>(n)};
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace tervane::platform
