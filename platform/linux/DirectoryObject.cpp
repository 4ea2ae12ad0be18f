// SPDX-License-Identifier: MIT
#include "platform/linux/DirectoryObject.h"

#include <cerrno>
#include <string>

#include <fcntl.h>

namespace tervane::platform {

std::shared_ptr<DirectoryObject> DirectoryObject::open(std::string_view path, std::error_code& ec)
{
    const std::string terminated(path);
    // An open descriptor locks nobody out on Linux; it keeps the watch on this very directory.
    FileDescriptor fd(::open(terminated.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) {
        ec = {errno, std::generic_category()};
        return nullptr;
    }
    return std::make_shared<DirectoryObject>(std::move(fd));
}

DirectoryObject::DirectoryObject(FileDescriptor fd) : m_fd(std::move(fd)) {}

DirectoryObject::~DirectoryObject() { close(); }

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
        m_backend = InotifyBackend::start(m_fd.get(), filter, subtree, m_queue, ec);
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
    backend.reset(); // joins; the descriptor it reads through stays open until we are destroyed
}

} // namespace tervane::platform
