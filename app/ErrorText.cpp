// SPDX-License-Identifier: MIT
#include "app/ErrorText.h"

#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace tervane {

std::string ApplicationErrorText(std::string_view typeName, std::string_view moduleName, const void* address,
                                 std::string_view message)
{
    char addressText[2 * sizeof(void*) + 3];
    std::snprintf(addressText, sizeof addressText, "%p", address);
    std::string text = "Exception ";
    text.append(typeName).append(" in module ").append(moduleName).append(" at ").append(addressText);
    text.append(".\r\n").append(message);
    if (message.empty() || message.back() != '.') {
        text.push_back('.');
    }
    text.append("\r\n");
    return text;
}

std::string WithFullStop(std::string_view message)
{
    std::string text(message);
    // Compared as unsigned bytes, so any non-ASCII last byte also gets its full stop.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') {
        text.push_back('.');
    }
    return text;
}

std::string exceptionTypeName(const std::exception& error)
{
    const char* mangled = typeid(error).name();
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                                &std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(mangled);
}

} // namespace tervane
