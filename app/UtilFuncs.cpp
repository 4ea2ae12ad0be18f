// SPDX-License-Identifier: MIT
#include "app/UtilFuncs.h"

#include "platform/Platform.h"

namespace tervane {

namespace {

constexpr std::string_view kBrandingFileName = "zezeruda.dll";
constexpr std::string_view kIconFileName = "icon.ico";

std::string besideExecutable(std::string_view executablePath, std::string_view fileName)
{
    return AddBackslash(executableDirectory(executablePath)).append(fileName);
}

} // namespace

std::string AddBackslash(std::string_view Path)
{
    const char delimiter = platform::PathDelimiter();
    std::string result(Path);
    // Only the last byte is looked at: a multi-byte character ending in the delimiter's value is not expected
    // in the paths we are given.
    if (result.empty() || result.back() != delimiter) {
        result.push_back(delimiter);
    }
    return result;
}

std::string UnscrambleLine(std::string_view Line)
{
    std::string result(Line);
    for (char& c : result) {
        c = static_cast<char>(~static_cast<unsigned char>(c));
    }
    return result;
}

std::string executableDirectory(std::string_view executablePath)
{
    const std::size_t last = executablePath.rfind(platform::PathDelimiter());
    return last == std::string_view::npos ? std::string() : std::string(executablePath.substr(0, last + 1));
}

std::string GetBrandingFileName(std::string_view executablePath)
{
    return besideExecutable(executablePath, kBrandingFileName);
}

std::string GetBrandingFileName()
{
    return GetBrandingFileName(platform::ExecutablePath());
}

std::string iconFileName(std::string_view executablePath)
{
    return besideExecutable(executablePath, kIconFileName);
}

std::string iconFileName()
{
    return iconFileName(platform::ExecutablePath());
}

} // namespace tervane
