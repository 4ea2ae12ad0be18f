// SPDX-License-Identifier: MIT
// Build-time tool: draws the application icon (a folder with a pulse line across it) and writes it as a
// Windows icon file with 16, 32 and 48 pixel images. app/tervane.svg is the same drawing for the desktop.
// Usage: tervane-make-icon <icon.ico>
//
// Drawn in code so the build needs no image tools and the icon has no binary source to keep in step.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
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

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <icon.ico>\n", argv[0]);
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

    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
