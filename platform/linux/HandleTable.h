// SPDX-License-Identifier: MIT
#pragma once
// The process-wide map from HANDLE values to kernel objects. Values come from a counter and are never
// reused, so a stale copy can only fail. Lookups hand out shared ownership, which keeps an object alive
// for the length of a call even if another thread closes its handle meanwhile. Any thread.

#include "platform/Win32Types.h"
#include "platform/linux/KernelObject.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace tervane::platform {

class HandleTable
{
public:
    static HandleTable& instance();

    HANDLE insert(std::shared_ptr<KernelObject> object);
    [[nodiscard]] std::shared_ptr<KernelObject> find(HANDLE handle) const;
    /// Removes the entry and returns the object, or nullptr if the value names nothing.
    std::shared_ptr<KernelObject> remove(HANDLE handle);

    template <typename T> [[nodiscard]] std::shared_ptr<T> findAs(HANDLE handle) const
    {
        return std::dynamic_pointer_cast<T>(find(handle));
    }

private:
    mutable std::mutex m_mutex;
    HANDLE m_next = 4; // Win32 handle values are multiples of four; 0 stays "no port"
    std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> m_objects;
};

} // namespace tervane::platform
