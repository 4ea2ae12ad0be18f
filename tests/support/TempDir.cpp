// SPDX-License-Identifier: MIT
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tervane::test {

TempDir::TempDir(std::string_view root)
{
    fs::path base = root.empty() ? (fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path())
                                 : fs::path(root);
    std::string pattern = (base / "tervane-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    }
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Tests may leave directories without permissions behind; give them back before removing.
    for (auto it = fs::recursive_directory_iterator(m_path, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

fs::path TempDir::write(std::string_view relative, std::string_view content) const
{
    fs::path p = m_path / fs::path(std::string(relative));
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + p.string());
    }
    return p;
}

fs::path TempDir::mkdir(std::string_view relative) const
{
    fs::path p = m_path / fs::path(std::string(relative));
    fs::create_directories(p);
    return p;
}

int openDescriptorCount()
{
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) {
        ++n;
    }
    return n;
}

int threadCount()
{
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/task")) {
        ++n;
    }
    return n;
}

} // namespace tervane::test
