// SPDX-License-Identifier: MIT
#include "app/IniFile.h"

#include "app/Exception.h"
#include "platform/Platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tervane {

namespace {

bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= 0x20;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// The names were compared by the ANSI code page's upper-casing. Our 8-bit strings are UTF-8, where only
// ASCII letters have a single-byte upper case, so folding ASCII is the faithful equivalent.
std::string upperCase(std::string_view s)
{
    std::string result(s);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return result;
}

[[noreturn]] void throwCannotOpen(const std::string& fileName, int error)
{
    throw Exception("Cannot open file \"" + fileName + "\". " +
                    platform::SystemErrorText(std::error_code(error, std::generic_category())));
}

// Closes the descriptor however the read ends.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    [[nodiscard]] int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

IniFile::IniFile(const std::vector<std::string>& lines)
{
    setLines(lines);
}

void IniFile::setLines(const std::vector<std::string>& lines)
{
    m_sections.clear();
    Section* current = nullptr;
    for (const std::string& raw : lines) {
        const std::string_view line = trim(raw);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            // A repeated section starts afresh, so only its last occurrence is seen.
            current = &m_sections[upperCase(trim(line.substr(1, line.size() - 2)))];
            current->clear();
            continue;
        }
        const std::size_t equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos) {
            continue;
        }
        (*current)[upperCase(trim(line.substr(0, equals)))] = std::string(trim(line.substr(equals + 1)));
    }
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    const auto s = m_sections.find(upperCase(section));
    if (s == m_sections.end()) {
        return std::string(defaultValue);
    }
    const auto k = s->second.find(upperCase(key));
    return k == s->second.end() ? std::string(defaultValue) : k->second;
}

std::vector<std::string> splitLines(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
    return lines;
}

std::string readFileBytes(const std::string& fileName)
{
    // Plain POSIX calls rather than a stream: we need errno for the message, and a stream happily
    // "opens" a directory. O_NONBLOCK only keeps a FIFO planted at the path from hanging start-up.
    const FileDescriptor file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) {
        throwCannotOpen(fileName, errno);
    }
    struct stat info = {};
    if (::fstat(file.get(), &info) != 0) {
        throwCannotOpen(fileName, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        throwCannotOpen(fileName, EISDIR);
    }
    std::string content;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwCannotOpen(fileName, errno);
        }
        if (n == 0) {
            return content;
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace tervane
