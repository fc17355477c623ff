// Draws the panel's icon and writes it as a Windows .ico file.
//
//     make_icon <output.ico>
//
// Built and run on the build machine (any C++17 compiler) while vuv.exe is
// cross-built: the icon is drawn by this code, not kept as a binary file.
// The picture: a blue rounded square, the title strip of a browser window
// with three dots across its top, and a white "v" below. Every size is drawn
// from the same shapes, anti-aliased by sampling each pixel 8 x 8 times, at
// the sizes the shell asks for at 100 % to 200 %: 16, 20, 24, 32, 40, 48, 64
// pixels. Entries are 32-bit BGRA bitmaps with an AND mask.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Colour {
    double r, g, b, a;  // straight (not premultiplied), 0..1
};

// Paints colour over dst with the given coverage (0..1).
void over(Colour& dst, const Colour& src, double coverage) {
    const double a = src.a * coverage;
    const double outA = a + dst.a * (1 - a);
    if (outA <= 0) {
        dst = {0, 0, 0, 0};
        return;
    }
    dst.r = (src.r * a + dst.r * dst.a * (1 - a)) / outA;
    dst.g = (src.g * a + dst.g * dst.a * (1 - a)) / outA;
    dst.b = (src.b * a + dst.b * dst.a * (1 - a)) / outA;
    dst.a = outA;
}

// Signed distances in units of the icon's side (0..1 across).
double roundedSquare(double x, double y, double inset, double radius) {
    const double half = 0.5 - inset;
    const double qx = std::fabs(x - 0.5) - (half - radius);
    const double qy = std::fabs(y - 0.5) - (half - radius);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

double segment(double x, double y, double ax, double ay, double bx, double by) {
    const double px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    const double t = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - t * dx, py - t * dy);
}

// The layers of the picture at one point of the unit square; small sizes
// leave out the dots, which would only blur.
struct Layers {
    bool body, strip, dot, letter;
};

Layers layersAt(double x, double y, int size) {
    Layers l{};
    const double inset = size <= 20 ? 0.02 : 0.04;
    l.body = roundedSquare(x, y, inset, 0.2) <= 0;
    l.strip = l.body && y < 0.3;
    if (size >= 32) {
        for (double cx : {0.25, 0.37, 0.49}) l.dot = l.dot || std::hypot(x - cx, y - 0.17) <= 0.045;
    }
    // The "v": two strokes with round ends, thicker at small sizes.
    const double half = size <= 24 ? 0.1 : 0.085;
    const double d = std::min(segment(x, y, 0.3, 0.44, 0.5, 0.8), segment(x, y, 0.5, 0.8, 0.7, 0.44));
    l.letter = l.body && d <= half;
    return l;
}

std::vector<Colour> draw(int size) {
    constexpr int kSamples = 8;
    std::vector<Colour> pixels(static_cast<std::size_t>(size) * size, Colour{0, 0, 0, 0});
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            int body = 0, strip = 0, dot = 0, letter = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double x = (px + (sx + 0.5) / kSamples) / size;
                    const double y = (py + (sy + 0.5) / kSamples) / size;
                    const Layers l = layersAt(x, y, size);
                    body += l.body;
                    strip += l.strip;
                    dot += l.dot;
                    letter += l.letter;
                }
            }
            const double n = kSamples * kSamples;
            const double t = (py + 0.5) / size;  // top to bottom: lighter to deeper blue
            Colour c{0, 0, 0, 0};
            over(c, Colour{(45 - 20 * t) / 255.0, (128 - 50 * t) / 255.0, (212 - 52 * t) / 255.0, 1}, body / n);
            over(c, Colour{1, 1, 1, 0.2}, strip / n);
            over(c, Colour{1, 1, 1, 0.9}, dot / n);
            over(c, Colour{1, 1, 1, 1}, letter / n);
            pixels[static_cast<std::size_t>(py) * size + px] = c;
        }
    }
    return pixels;
}

void put16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// One icon image: BITMAPINFOHEADER (height doubled for the mask), BGRA rows
// bottom-up, then the AND mask (1 = transparent), rows padded to 32 bits.
std::string iconImage(int size) {
    const std::vector<Colour> pixels = draw(size);
    const std::uint32_t maskStride = static_cast<std::uint32_t>((size + 31) / 32 * 4);
    std::string out;
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(size));
    put32(out, static_cast<std::uint32_t>(size * 2));
    put16(out, 1);   // planes
    put16(out, 32);  // bits per pixel
    put32(out, 0);   // BI_RGB
    put32(out, static_cast<std::uint32_t>(size * size * 4) + maskStride * static_cast<std::uint32_t>(size));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    auto byte = [](double v) { return static_cast<char>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const Colour& c = pixels[static_cast<std::size_t>(y) * size + x];
            out += byte(c.b);
            out += byte(c.g);
            out += byte(c.r);
            out += byte(c.a);
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        std::string row(maskStride, '\0');
        for (int x = 0; x < size; ++x) {
            if (pixels[static_cast<std::size_t>(y) * size + x].a < 0.5) row[x / 8] |= static_cast<char>(0x80 >> (x % 8));
        }
        out += row;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.ico>\n", argv[0]);
        return 2;
    }
    const std::vector<int> sizes{16, 20, 24, 32, 40, 48, 64};
    std::vector<std::string> images;
    for (int size : sizes) images.push_back(iconImage(size));

    std::string file;
    put16(file, 0);  // reserved
    put16(file, 1);  // icon
    put16(file, static_cast<unsigned>(sizes.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        file += static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]);  // 0 means 256
        file += static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]);
        file += '\0';  // no palette
        file += '\0';
        put16(file, 1);
        put16(file, 32);
        put32(file, static_cast<std::uint32_t>(images[i].size()));
        put32(file, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const std::string& image : images) file += image;

    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
