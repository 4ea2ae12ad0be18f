// SPDX-License-Identifier: MIT
#pragma once
// The start-up check of the application icon file; decoding the images is left to the GUI toolkit.

#include <string>

namespace tervane {

/// Throws Exception("Cannot open file ...") when the file cannot be read, and
/// Exception("Icon image is not valid") when it lacks an icon or cursor header.
void CheckIconFile(const std::string& fileName);

} // namespace tervane
