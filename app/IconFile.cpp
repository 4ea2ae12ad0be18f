// SPDX-License-Identifier: MIT
#include "app/IconFile.h"

#include "app/Exception.h"
#include "app/IniFile.h"

#include <cstdint>

namespace tervane {

namespace {

std::uint16_t littleEndianWord(const std::string& bytes, std::size_t offset)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                      (static_cast<unsigned char>(bytes[offset + 1]) << 8));
}

} // namespace

void CheckIconFile(const std::string& fileName)
{
    // Icon files are a few kilobytes, so reading the whole file costs nothing and shares the error path.
    const std::string bytes = readFileBytes(fileName);
    // Header: reserved, type, image count. Only the type is judged here; whether the images decode is the
    // toolkit's call when it loads them.
    constexpr std::size_t kHeaderSize = 6;
    if (bytes.size() < kHeaderSize) {
        throw Exception("Icon image is not valid");
    }
    const std::uint16_t type = littleEndianWord(bytes, 2);
    if (type != 0 && type != 1) {
        throw Exception("Icon image is not valid");
    }
}

} // namespace tervane
