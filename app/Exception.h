// SPDX-License-Identifier: MIT
#pragma once
// The system's common exception: what components raise and windows catch and show.

#include <stdexcept>
#include <string>

namespace tervane {

class Exception : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace tervane
