// SPDX-License-Identifier: MIT
#pragma once
// Base of everything a HANDLE can name. close() runs once, when the handle is closed; the object itself
// lives on while any call still holds it. Any thread.

namespace tervane::platform {

class KernelObject
{
public:
    KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;
    virtual ~KernelObject() = default;

    virtual void close() noexcept = 0;
};

} // namespace tervane::platform
