// SPDX-License-Identifier: MIT
#pragma once
// A read-only INI reader over lines already in memory, plus the file loading the branding and icon reads
// share. Plain values; a reader is safe to read from several threads once built.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tervane {

class IniFile
{
public:
    IniFile() = default;
    explicit IniFile(const std::vector<std::string>& lines);

    /// Discards everything read so far and rebuilds the reader from `lines`.
    void setLines(const std::vector<std::string>& lines);

    /// The value of `key` in `section` as stored (trimmed, nothing unquoted), or `defaultValue`.
    [[nodiscard]] std::string readString(std::string_view section, std::string_view key,
                                         std::string_view defaultValue) const;

private:
    // Keyed by upper-cased names; a repeated key overwrites, so the last occurrence wins.
    using Section = std::map<std::string, std::string, std::less<>>;
    std::map<std::string, Section, std::less<>> m_sections;
};

/// Splits file bytes into lines: CR, LF or CR LF end a line, text after the last break is a last line,
/// and a NUL byte ends the text.
std::vector<std::string> splitLines(std::string_view text);

/// The whole content of a file. Throws Exception("Cannot open file "<path>". <system text>") when it is
/// missing, is not a regular readable file, or a read fails.
std::string readFileBytes(const std::string& fileName);

} // namespace tervane
