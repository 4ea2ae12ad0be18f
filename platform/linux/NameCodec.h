// SPDX-License-Identifier: MIT
#pragma once
// Lossless conversion between file-name bytes and the UTF-16 carried in change records. Bytes that are not
// well-formed UTF-8 travel as lone surrogates U+DC80..U+DCFF (Python's surrogateescape), so every byte string
// survives the round trip. Pure functions; any thread.

#include <string>
#include <string_view>

namespace tervane::platform {

std::u16string encodeName(std::string_view bytes);
std::string decodeName(std::u16string_view wide);

} // namespace tervane::platform
