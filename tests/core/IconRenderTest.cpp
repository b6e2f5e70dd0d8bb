// Our icons must survive the SVG subset the program renders with, at the sizes it uses
// them (a 20-pixel tree row, a 256-pixel texture), and read on the dark background.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// This file is the one that compiles nanosvg's implementation.
#define NANOSVG_IMPLEMENTATION
#include <nanosvg.h>
#define NANOSVGRAST_IMPLEMENTATION
#include <nanosvgrast.h>

namespace {

const std::filesystem::path iconsFolder = std::filesystem::path(QUILLON_ASSETS_DIR) / "icons";

struct Coverage {
    double coveredShare;   // pixels at least half opaque, of all pixels
    double meanLuminance;  // of those pixels, 0..255
};

Coverage render(const std::filesystem::path& file, int size) {
    const std::unique_ptr<NSVGimage, decltype(&nsvgDelete)> image(
        nsvgParseFromFile(file.string().c_str(), "px", 96.0f), &nsvgDelete);
    if (!image || image->shapes == nullptr || image->width <= 0.0f) {
        return {0.0, 0.0};
    }
    const std::unique_ptr<NSVGrasterizer, decltype(&nsvgDeleteRasterizer)> rasterizer(nsvgCreateRasterizer(),
                                                                                       &nsvgDeleteRasterizer);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 4);
    nsvgRasterize(rasterizer.get(), image.get(), 0.0f, 0.0f, static_cast<float>(size) / image->width,
                  pixels.data(), size, size, size * 4);
    std::size_t covered = 0;
    double luminance = 0.0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        if (pixels[i + 3] >= 128) {
            ++covered;
            luminance += 0.299 * pixels[i] + 0.587 * pixels[i + 1] + 0.114 * pixels[i + 2];
        }
    }
    const double total = static_cast<double>(size) * size;
    return {static_cast<double>(covered) / total, covered == 0 ? 0.0 : luminance / static_cast<double>(covered)};
}

TEST(IconRender, EachIconFillsAReadableShareAtRowAndTextureSize) {
    for (const char* icon : {"folder.svg", "remove.svg", "tag.svg", "zolt.svg"}) {
        for (int size : {20, 256}) {
            const Coverage coverage = render(iconsFolder / icon, size);
            EXPECT_GT(coverage.coveredShare, 0.25) << icon << " at " << size;
            EXPECT_LT(coverage.coveredShare, 0.95) << icon << " at " << size;
            // Well above the #101010 background (luminance 16).
            EXPECT_GT(coverage.meanLuminance, 80.0) << icon << " at " << size;
        }
    }
}

} // namespace
