// SPDX-License-Identifier: MIT
#include "platform/linux/HandleTable.h"

namespace tervane::platform {

HandleTable& HandleTable::instance()
{
    static HandleTable table;
    return table;
}

HANDLE HandleTable::insert(std::shared_ptr<KernelObject> object)
{
    std::lock_guard lock(m_mutex);
    const HANDLE handle = m_next;
    m_next += 4;
    m_objects.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<KernelObject> HandleTable::find(HANDLE handle) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_objects.find(handle);
    return it == m_objects.end() ? nullptr : it->second;
}

std::shared_ptr<KernelObject> HandleTable::remove(HANDLE handle)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_objects.find(handle);
    if (it == m_objects.end()) {
        return nullptr;
    }
    auto object = std::move(it->second);
    m_objects.erase(it);
    return object;
}

} // namespace tervane::platform
