// SPDX-License-Identifier: MIT
// Build-time tool: draws the application icon (a folder with a pulse line across it) and writes it as a
// Windows icon file with 16, 32 and 48 pixel images. app/tervane.svg is the same drawing for the desktop.
// Usage: tervane-make-icon <icon.ico>
//        tervane-make-icon --png <size> <file.png>   (an image for the desktop's hicolor icon theme)
//
// Drawn in code so the build needs no image tools and the icon has no binary source to keep in step.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The drawing lives on a 48 x 48 canvas, the size of the largest image.
constexpr double kCanvas = 48.0;
// Samples per pixel along each axis; 8 x 8 gives smooth edges even at 16 pixels.
constexpr int kSamples = 8;

struct Colour
{
    std::uint8_t r, g, b;
};

constexpr Colour kFolderBack{0xC9, 0x82, 0x1A};
constexpr Colour kFolderFront{0xF4, 0xB9, 0x42};
constexpr Colour kPulse{0x0B, 0x5F, 0x66};

struct Point
{
    double x, y;
};

bool inRoundedRect(Point p, double left, double top, double right, double bottom, double radius)
{
    const double cx = (left + right) / 2;
    const double cy = (top + bottom) / 2;
    const double qx = std::abs(p.x - cx) - ((right - left) / 2 - radius);
    const double qy = std::abs(p.y - cy) - ((bottom - top) / 2 - radius);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) <= radius;
}

double distanceToSegment(Point p, Point a, Point b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

constexpr std::array<Point, 7> kPulsePoints{{{8, 29}, {16, 29}, {20, 21}, {25, 36}, {29, 25}, {32, 29}, {40, 29}}};
constexpr double kPulseWidth = 3.2;

bool onPulse(Point p)
{
    for (std::size_t i = 0; i + 1 < kPulsePoints.size(); ++i) {
        if (distanceToSegment(p, kPulsePoints[i], kPulsePoints[i + 1]) <= kPulseWidth / 2) {
            return true;
        }
    }
    return false;
}

// The topmost shape covering p, or nothing.
const Colour* colourAt(Point p)
{
    if (onPulse(p)) {
        return &kPulse;
    }
    if (inRoundedRect(p, 3, 17, 45, 41, 3)) {
        return &kFolderFront;
    }
    if (inRoundedRect(p, 3, 8, 21, 16, 2.5) || inRoundedRect(p, 3, 12, 45, 41, 3)) {
        return &kFolderBack;
    }
    return nullptr;
}

// Straight (not premultiplied) BGRA, top row first.
std::vector<std::uint8_t> render(int size)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 4);
    const double scale = kCanvas / size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Point p{(x + (sx + 0.5) / kSamples) * scale, (y + (sy + 0.5) / kSamples) * scale};
                    if (const Colour* c = colourAt(p)) {
                        r += c->r;
                        g += c->g;
                        b += c->b;
                        a += 1;
                    }
                }
            }
            std::uint8_t* out =
                &pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x)) *
                        4];
            if (a > 0) {
                out[0] = static_cast<std::uint8_t>(std::lround(b / a));
                out[1] = static_cast<std::uint8_t>(std::lround(g / a));
                out[2] = static_cast<std::uint8_t>(std::lround(r / a));
                out[3] = static_cast<std::uint8_t>(std::lround(255.0 * a / (kSamples * kSamples)));
            }
        }
    }
    return pixels;
}

void put16(std::string& out, unsigned value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void put32(std::string& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// One DIB entry: header, colour rows bottom-up, then the 1-bit AND mask that readers without alpha use.
std::string dibImage(int size)
{
    const std::vector<std::uint8_t> pixels = render(size);
    const auto width = static_cast<std::uint32_t>(size);
    const std::uint32_t maskStride = (width + 31) / 32 * 4;
    std::string out;
    put32(out, 40);        // header size
    put32(out, width);     // width
    put32(out, width * 2); // height of colour and mask together
    put16(out, 1);         // planes
    put16(out, 32);        // bits per pixel
    put32(out, 0);         // no compression
    put32(out, width * width * 4 + maskStride * width);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (int y = size - 1; y >= 0; --y) {
        const auto* row = &pixels[static_cast<std::size_t>(y) * width * 4];
        out.append(reinterpret_cast<const char*>(row), std::size_t{width} * 4);
    }
    for (int y = size - 1; y >= 0; --y) {
        std::string mask(maskStride, '\0');
        for (std::uint32_t x = 0; x < width; ++x) {
            if (pixels[(static_cast<std::size_t>(y) * width + x) * 4 + 3] == 0) {
                mask[x / 8] = static_cast<char>(mask[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out += mask;
    }
    return out;
}

void putBig32(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

std::uint32_t crc32(std::string_view bytes)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
        }
    }
    return ~crc;
}

void putChunk(std::string& out, std::string_view type, std::string_view data)
{
    putBig32(out, static_cast<std::uint32_t>(data.size()));
    std::string typed(type);
    typed += data;
    out += typed;
    putBig32(out, crc32(typed));
}

// A PNG without compression: zlib allows "stored" blocks, which spares the build a compression library
// at the cost of a few kilobytes per icon.
std::string pngImage(int size)
{
    const std::vector<std::uint8_t> pixels = render(size);
    const auto width = static_cast<std::size_t>(size);
    std::string raw;
    for (std::size_t y = 0; y < width; ++y) {
        raw.push_back(0); // filter: none
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t* p = &pixels[(y * width + x) * 4];
            raw.push_back(static_cast<char>(p[2])); // BGRA to RGBA
            raw.push_back(static_cast<char>(p[1]));
            raw.push_back(static_cast<char>(p[0]));
            raw.push_back(static_cast<char>(p[3]));
        }
    }
    std::string zlib{'\x78', '\x01'};
    constexpr std::size_t kMaxStored = 65535;
    for (std::size_t at = 0; at < raw.size() || at == 0; at += kMaxStored) {
        const std::size_t length = std::min(kMaxStored, raw.size() - at);
        zlib.push_back(at + length >= raw.size() ? 1 : 0); // final-block flag, type "stored"
        put16(zlib, static_cast<unsigned>(length));
        put16(zlib, static_cast<unsigned>(~length & 0xFFFF));
        zlib.append(raw, at, length);
    }
    std::uint32_t a = 1, b = 0;
    for (const char c : raw) {
        a = (a + static_cast<std::uint8_t>(c)) % 65521;
        b = (b + a) % 65521;
    }
    putBig32(zlib, b << 16 | a);

    std::string header;
    putBig32(header, static_cast<std::uint32_t>(size));
    putBig32(header, static_cast<std::uint32_t>(size));
    header += std::string{'\x08', '\x06', '\0', '\0', '\0'}; // 8 bits per channel, RGBA, no interlace
    std::string png("\x89PNG\r\n\x1a\n", 8);
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlib);
    putChunk(png, "IEND", {});
    return png;
}

bool writeFile(const char* program, const char* path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", program, path);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string_view(argv[1]) == "--png") {
        const int size = std::atoi(argv[2]);
        if (size < 1 || size > 1024) {
            std::fprintf(stderr, "%s: size must be 1 to 1024 pixels\n", argv[0]);
            return 2;
        }
        return writeFile(argv[0], argv[3], pngImage(size)) ? 0 : 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <icon.ico>\n       %s --png <size> <file.png>\n", argv[0], argv[0]);
        return 2;
    }
    constexpr std::array<int, 3> kSizes{16, 32, 48};
    std::vector<std::string> images;
    images.reserve(kSizes.size());
    for (int size : kSizes) {
        images.push_back(dibImage(size));
    }

    std::string file;
    put16(file, 0); // reserved
    put16(file, 1); // type: icon
    put16(file, kSizes.size());
    auto offset = static_cast<std::uint32_t>(6 + 16 * kSizes.size());
    for (std::size_t i = 0; i < kSizes.size(); ++i) {
        file.push_back(static_cast<char>(kSizes[i])); // width
        file.push_back(static_cast<char>(kSizes[i])); // height
        file.push_back(0);                            // no palette
        file.push_back(0);                            // reserved
        put16(file, 1);                               // planes
        put16(file, 32);                              // bits per pixel
        put32(file, static_cast<std::uint32_t>(images[i].size()));
        put32(file, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const std::string& image : images) {
        file += image;
    }

    return writeFile(argv[0], argv[1], file) ? 0 : 1;
}
