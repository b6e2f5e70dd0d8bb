// Fonts, textures and SVG images: decoding, rasterising, failures with their codes, and
// texture ids under headless applications.

#include "TestSupport.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace zolt::ui;

namespace {

constexpr auto resourceCode = [](auto&& f) { return test::errorCode<ResourceException>(f); };

std::vector<std::uint8_t> bytes(const std::string& s) {
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

TEST(Font, AcceptsTrueTypeAndRejectsWhatIsNoFont) {
    const auto& ttf = test::fontBytes();
    EXPECT_FALSE(Font(ttf.data(), ttf.size(), 0).isBuiltIn());
    EXPECT_TRUE(Font().isBuiltIn());
    const std::vector<std::uint8_t> junk = bytes("definitely not a font file");
    // A collection header claiming more faces than its bytes can hold.
    std::vector<std::uint8_t> collection = bytes("ttcf");
    collection.insert(collection.end(), {0, 1, 0, 0, 0x7F, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
    EXPECT_EQ(resourceCode([] { Font(nullptr, 10); }), kResourceErrorEmpty);
    EXPECT_EQ(resourceCode([&] { Font(junk.data(), junk.size()); }), kResourceErrorFont);
    EXPECT_EQ(resourceCode([&] { Font(ttf.data(), ttf.size(), 1); }), kResourceErrorFont);
    EXPECT_EQ(resourceCode([&] { Font(collection.data(), collection.size()); }), kResourceErrorFont);
    EXPECT_EQ(resourceCode([&] { Font(ttf.data(), 11); }), kResourceErrorFont);
}

TEST(Texture, DecodesPngAndFailuresCarryTheirCodes) {
    const auto small = test::solidPng(3, 2, Color{10, 20, 30, 40});
    Texture texture(small.data(), small.size());
    EXPECT_EQ(texture.getWidth(), 3);
    EXPECT_EQ(texture.getHeight(), 2);
    ASSERT_EQ(texture.getPixels().size(), 24u);
    EXPECT_EQ(texture.getPixels()[4], 10);
    EXPECT_EQ(texture.getPixels()[7], 40);
    auto png = test::solidPng(4, 4, Color{});
    const std::vector<std::uint8_t> junk = bytes("\x89PNG but not really");
    std::vector<std::uint8_t> truncated(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2));
    // A valid header announcing a 100000-pixel-wide image (the IHDR width field).
    std::vector<std::uint8_t> huge = png;
    huge[16] = 0;
    huge[17] = 1;
    huge[18] = 0x86;
    huge[19] = 0xA0;
    const std::uint8_t pixel[4] = {1, 2, 3, 4};
    EXPECT_EQ(resourceCode([] { Texture(nullptr, 5); }), kResourceErrorEmpty);
    EXPECT_EQ(resourceCode([&] { Texture(junk.data(), junk.size()); }), kResourceErrorDecode);
    EXPECT_EQ(resourceCode([&] { Texture(truncated.data(), truncated.size()); }), kResourceErrorDecode);
    EXPECT_EQ(resourceCode([&] { Texture(huge.data(), huge.size()); }), kResourceErrorSize);
    EXPECT_EQ(resourceCode([&] { Texture::fromPixels(nullptr, 1, 1); }), kResourceErrorEmpty);
    EXPECT_EQ(resourceCode([&] { Texture::fromPixels(pixel, 0, 1); }), kResourceErrorSize);
}

const std::string redSquare =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="20" viewBox="0 0 10 20">)"
    R"(<rect x="0" y="0" width="10" height="20" fill="#ff0000"/></svg>)";

TEST(Svg, RasterisesToTheRequestedSizeKeepingTheAspectRatioAndFailuresCarryTheirCodes) {
    SVG svg(redSquare.data(), redSquare.size()); // not NUL-terminated as far as SVG knows
    EXPECT_FLOAT_EQ(svg.getWidth(), 10);
    EXPECT_FLOAT_EQ(svg.getHeight(), 20);
    Texture texture = svg.createTexture(40, 40);
    ASSERT_EQ(texture.getWidth(), 40);
    ASSERT_EQ(texture.getHeight(), 40);
    auto at = [&](int x, int y) { return &texture.getPixels()[(static_cast<std::size_t>(y) * 40 + static_cast<std::size_t>(x)) * 4]; };
    // 10 x 20 scaled by 2 into 40 x 40: a red 20 x 40 band in the middle, clear at the sides.
    EXPECT_EQ(at(20, 20)[0], 255);
    EXPECT_EQ(at(20, 20)[3], 255);
    EXPECT_EQ(at(2, 20)[3], 0);
    EXPECT_EQ(at(37, 20)[3], 0);
    const std::string noSize = R"(<svg xmlns="http://www.w3.org/2000/svg"></svg>)";
    EXPECT_EQ(resourceCode([] { SVG(nullptr, 3); }), kResourceErrorEmpty);
    EXPECT_EQ(resourceCode([&] { SVG(noSize.data(), noSize.size()); }), kResourceErrorParse);
    EXPECT_EQ(resourceCode([&] { (void)svg.createTexture(16, 100000); }), kResourceErrorSize);
}

TEST(TextureIds, FakeIdsHeadlessAndNewIdsUnderTheNextApplication) {
    const auto png = test::solidPng(2, 2, Color{1, 2, 3, 255});
    Texture a(png.data(), png.size());
    Texture b(png.data(), png.size());
    EXPECT_EQ(a.getId(), 0u); // no application: nothing to draw with
    std::uint64_t first = 0;
    {
        test::HeadlessApp h;
        first = a.getId();
        EXPECT_NE(first, 0u);
        EXPECT_EQ(a.getId(), first);
        EXPECT_NE(b.getId(), first);
        Texture moved = std::move(a);
        EXPECT_EQ(moved.getId(), first);
        a = std::move(moved);
    }
    EXPECT_EQ(a.getId(), 0u);
    test::HeadlessApp next;
    EXPECT_NE(a.getId(), 0u);
    EXPECT_NE(a.getId(), first);
}

} // namespace
