// SPDX-License-Identifier: MIT
#include "platform/linux/DirectoryObject.h"

#include "platform/linux/FileDescriptor.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <stdlib.h>
#include <string>

namespace tervane::platform {

std::shared_ptr<DirectoryObject> DirectoryObject::open(std::string_view path, std::error_code& ec)
{
    const std::string terminated(path);
    // Resolved now, so a later change of working directory or of a link on the way does not move the watch.
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(terminated.c_str(), nullptr), &std::free);
    if (!resolved) {
        ec = {errno, std::generic_category()};
        return nullptr;
    }
    // Opening proves it is a directory we may read; the backend opens it again when the watch starts.
    if (!FileDescriptor(::open(resolved.get(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)).valid()) {
        ec = {errno, std::generic_category()};
        return nullptr;
    }
    return std::make_shared<DirectoryObject>(resolved.get());
}

DirectoryObject::DirectoryObject(std::string path) : m_path(std::move(path)) {}

DirectoryObject::~DirectoryObject()
{
    close();
}

std::error_code DirectoryObject::bindPort(const std::shared_ptr<CompletionPort>& port, ULONG_PTR key)
{
    return m_queue.bindPort(port, key);
}

std::error_code DirectoryObject::read(void* buffer, DWORD length, bool subtree, DWORD filter, OVERLAPPED* overlapped)
{
    if (filter == 0) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    std::lock_guard lock(m_mutex);
    if (m_closed) {
        return std::make_error_code(std::errc::bad_file_descriptor);
    }
    if (const std::error_code ec = m_queue.beginRead(buffer, length, overlapped)) {
        return ec;
    }
    if (!m_backend) {
        std::error_code ec;
        m_backend = InotifyBackend::start(m_path, filter, subtree, m_queue, ec);
        if (!m_backend) {
            m_queue.cancelRead();
            return ec;
        }
    }
    return {};
}

void DirectoryObject::close() noexcept
{
    std::unique_ptr<InotifyBackend> backend;
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return;
        }
        m_closed = true;
        backend = std::move(m_backend);
    }
    m_queue.close();
    backend.reset(); // joins
}

} // namespace tervane::platform
