#include "UiTestSupport.hpp"

#include "AssetPack.hpp"
#include "PakWriter.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace uitest {

namespace {

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("test input missing: " + path);
    }
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::uint8_t> orangePng() {
    std::vector<std::uint8_t> pixels(8 * 8 * 4);
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = 255;
        pixels[i + 1] = 128;
        pixels[i + 2] = 0;
        pixels[i + 3] = 255;
    }
    std::vector<std::uint8_t> png;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            auto* out = static_cast<std::vector<std::uint8_t>*>(context);
            out->insert(out->end(), static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
        },
        &png, 8, 8, 4, pixels.data(), 8 * 4);
    return png;
}

std::vector<std::uint8_t> bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

} // namespace

void loadTestPack(bool withFont) {
    std::vector<pak::Item> items;
    if (withFont) {
        items.push_back({"fonts/montserrat-font/MontserratMedium.ttf", readFile(QUILLON_FONT_FILE)});
    }
    items.push_back({"icons/tag.svg", readFile(QUILLON_ASSETS_DIR "/icons/tag.svg")});
    items.push_back({loadingPng, orangePng()});
    items.push_back({brokenSvg, bytes("<svg but not really")});
    items.push_back({brokenPng, bytes("\x89PNG\r\n\x1a\n then nothing sensible")});
    AssetPack::instance().parse(pak::encodePack(std::move(items)));
}

int count(const std::string& text, const std::string& needle) {
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) {
        ++n;
    }
    return n;
}

HeadlessApp::HeadlessApp(int width, int height)
    : app(std::make_unique<zolt::ui::Application>(zolt::ui::RenderContext::create(zolt::ui::kBackendHeadless, "ui"),
                                                  "ui")),
      window(zolt::ui::Application::createWindow("ui", width, height, zolt::ui::kWindowDefault)) {}

} // namespace uitest

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Death-style tests re-run this binary for a fresh process (process-wide services).
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    uitest::loadTestPack();
    return RUN_ALL_TESTS();
}
