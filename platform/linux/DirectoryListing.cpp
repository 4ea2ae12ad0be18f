// SPDX-License-Identifier: MIT
#include "platform/linux/DirectoryListing.h"

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tervane::platform {

namespace {

// The kernel's record for getdents64; glibc 2.36 has no wrapper declaration we can rely on everywhere.
struct LinuxDirent64
{
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1];
};

bool isDirectoryEntry(int directoryFd, const char* name, unsigned char type)
{
    if (type != DT_UNKNOWN) {
        return type == DT_DIR;
    }
    // Some file systems do not fill d_type; only then is a stat worth its cost.
    struct stat st
    {
    };
    return ::fstatat(directoryFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::error_code listDirectory(int directoryFd, const std::function<bool(std::string_view, bool)>& entry)
{
    alignas(LinuxDirent64) std::array<char, 32768> buffer; // filled by the kernel; no need to clear
    for (;;) {
        const long n = ::syscall(SYS_getdents64, directoryFd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {errno, std::generic_category()};
        }
        if (n == 0) {
            return {};
        }
        for (long offset = 0; offset < n;) {
            LinuxDirent64 header{};
            std::memcpy(&header, buffer.data() + offset, offsetof(LinuxDirent64, d_name));
            const char* name = buffer.data() + offset + offsetof(LinuxDirent64, d_name);
            offset += header.d_reclen;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
                continue;
            }
            if (!entry(name, isDirectoryEntry(directoryFd, name, header.d_type))) {
                return {};
            }
        }
    }
}

} // namespace tervane::platform
