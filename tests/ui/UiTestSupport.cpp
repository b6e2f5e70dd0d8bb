#include "UiTestSupport.hpp"

#include "AppTextures.hpp"
#include "AssetPack.hpp"
#include "PakWriter.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace uitest {

namespace {

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("test input missing: " + path);
    }
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::uint8_t> bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

} // namespace

void loadTestPack(bool withFont) {
    std::vector<pak::Item> items;
    if (withFont) {
        items.push_back({"fonts/montserrat-font/MontserratMedium.ttf", zolt::ui::test::fontBytes()});
    }
    items.push_back({"icons/tag.svg", readFile(QUILLON_ASSETS_DIR "/icons/tag.svg")});
    items.push_back({AppTextures::logoAsset, readFile(QUILLON_ASSETS_DIR "/icons/zolt.svg")});
    items.push_back({loadingPng, zolt::ui::test::solidPng(8, 8, zolt::ui::Color{255, 128, 0, 255})});
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

} // namespace uitest

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Death-style tests re-run this binary for a fresh process (process-wide services).
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    uitest::loadTestPack();
    return RUN_ALL_TESTS();
}
