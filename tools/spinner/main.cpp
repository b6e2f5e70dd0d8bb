// spinnergen: draws the loading spinner, a ring of twelve dots whose opacity fades
// around the circle, and writes it as an RGBA PNG. The application turns the image
// about its centre, so the fade reads as motion.
//
//   spinnergen OUTPUT.png [SIZE]

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

namespace {

constexpr int dotCount = 12;
constexpr int samplesPerAxis = 4; // 16 coverage samples per pixel for smooth edges
constexpr std::array<std::uint8_t, 3> dotColour{0x50, 0x79, 0xE2};
constexpr double faintestDot = 0.12;

struct Dot {
    double x;
    double y;
    double radius;
    double opacity;
};

std::vector<Dot> layoutDots(int size) {
    const double centre = size / 2.0;
    const double ringRadius = size * 0.36;
    std::vector<Dot> dots;
    for (int i = 0; i < dotCount; ++i) {
        // Dot 0 is the head at the top; the tail fades and thins counter-clockwise.
        const double progress = static_cast<double>(i) / dotCount;
        const double angle = -std::numbers::pi / 2 - 2 * std::numbers::pi * progress;
        dots.push_back(Dot{centre + ringRadius * std::cos(angle), centre + ringRadius * std::sin(angle),
                           size * (0.085 - 0.03 * progress), 1.0 - (1.0 - faintestDot) * progress});
    }
    return dots;
}

// Opacity of one pixel: for each sample, the most opaque dot covering it.
double pixelOpacity(const std::vector<Dot>& dots, int px, int py) {
    double sum = 0.0;
    for (int sy = 0; sy < samplesPerAxis; ++sy) {
        for (int sx = 0; sx < samplesPerAxis; ++sx) {
            const double x = px + (sx + 0.5) / samplesPerAxis;
            const double y = py + (sy + 0.5) / samplesPerAxis;
            double best = 0.0;
            for (const Dot& dot : dots) {
                if (std::hypot(x - dot.x, y - dot.y) <= dot.radius) {
                    best = std::max(best, dot.opacity);
                }
            }
            sum += best;
        }
    }
    return sum / (samplesPerAxis * samplesPerAxis);
}

std::vector<std::uint8_t> drawSpinner(int size) {
    const std::vector<Dot> dots = layoutDots(size);
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 4);
    std::size_t at = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            rgba[at++] = dotColour[0];
            rgba[at++] = dotColour[1];
            rgba[at++] = dotColour[2];
            rgba[at++] = static_cast<std::uint8_t>(std::lround(255.0 * pixelOpacity(dots, x, y)));
        }
    }
    return rgba;
}

int parseSize(int argc, char** argv) {
    if (argc < 3) {
        return 128;
    }
    const int size = std::atoi(argv[2]);
    if (size < 16 || size > 4096) {
        throw std::runtime_error("SIZE must be between 16 and 4096");
    }
    return size;
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc < 2 || argc > 3) {
            throw std::runtime_error("usage: spinnergen OUTPUT.png [SIZE]");
        }
        const int size = parseSize(argc, argv);
        const std::vector<std::uint8_t> rgba = drawSpinner(size);
        if (stbi_write_png(argv[1], size, size, 4, rgba.data(), size * 4) == 0) {
            throw std::runtime_error(std::string("cannot write ") + argv[1]);
        }
        return EXIT_SUCCESS;
    } catch (const std::exception& error) {
        std::cerr << "spinnergen: " << error.what() << '\n';
        return EXIT_FAILURE;
    }
}
