// SPDX-License-Identifier: MIT
// Build-time tool: turns the readable branding INI into the scrambled branding file the program reads.
// Usage: tervane-scramble <readable.ini> <zezeruda.dll>
//
// Kept free of the core library so the build can run it before anything else is compiled.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// Line breaks are stored plain, so a text byte whose complement is CR, LF or NUL would split or cut
// the text when read back.
bool storable(unsigned char c)
{
    return c != static_cast<unsigned char>(~'\r') && c != static_cast<unsigned char>(~'\n') && c != 0xFF;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <readable.ini> <scrambled output>\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    std::string out;
    out.reserve(text.size() + 16);
    std::size_t lineNumber = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') {
            // Every break becomes CR LF; a CR LF pair in the input is one break.
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            out.append("\r\n");
            ++lineNumber;
            continue;
        }
        if (!storable(c)) {
            std::fprintf(stderr, "%s:%zu: byte 0x%02X cannot be stored in a scrambled line\n", argv[1], lineNumber,
                         static_cast<unsigned>(c));
            return 1;
        }
        out.push_back(static_cast<char>(~c));
    }

    std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
