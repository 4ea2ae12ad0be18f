// SPDX-License-Identifier: MIT
#pragma once
// Texts of the error boxes: the top-level report that ends start-up and the message shown for an error
// that escapes an event handler. Pure functions; safe on any thread.

#include <exception>
#include <string>
#include <string_view>

namespace tervane {

/// "Exception <type> in module <module> at <address>." CR LF, the message with a full stop unless it
/// already ends in one, CR LF.
std::string ApplicationErrorText(std::string_view typeName, std::string_view moduleName, const void* address,
                                 std::string_view message);

/// The message with "." appended when its last byte sorts after "." (so ".", "!", quotes and blanks
/// get nothing, nor does an empty message).
std::string WithFullStop(std::string_view message);

/// A readable name of the exception's dynamic type, e.g. "tervane::Exception".
std::string exceptionTypeName(const std::exception& error);

} // namespace tervane
