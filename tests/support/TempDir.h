// SPDX-License-Identifier: MIT
#pragma once
// A unique scratch directory per test, removed with everything in it at the end. File storms belong on
// tmpfs, so the default root is /dev/shm where it exists.

#include <filesystem>
#include <string>
#include <string_view>

namespace tervane::test {

class TempDir
{
public:
    explicit TempDir(std::string_view root = {});
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }
    /// The path as a string with no trailing separator.
    [[nodiscard]] std::string str() const { return m_path.string(); }
    /// Creates (or truncates) a file below the directory with the given content and returns its path.
    std::filesystem::path write(std::string_view relative, std::string_view content = {}) const;
    std::filesystem::path mkdir(std::string_view relative) const;

private:
    std::filesystem::path m_path;
};

/// Number of open file descriptors of this process.
int openDescriptorCount();
/// Number of threads of this process.
int threadCount();

/// Whether the two counts above describe only our own threads and descriptors: ThreadSanitizer runs
/// threads of its own, so under it they do not.
#ifdef __SANITIZE_THREAD__
inline constexpr bool kProcessCountsAreOurs = false;
#else
inline constexpr bool kProcessCountsAreOurs = true;
#endif

} // namespace tervane::test
