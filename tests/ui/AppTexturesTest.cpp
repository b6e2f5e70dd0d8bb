// The texture caches: one rendering per name and size, silence for missing assets, one
// error line per failed attempt, nothing cached on failure.

#include "UiTestSupport.hpp"

#include "AppTextures.hpp"

#include <gtest/gtest.h>

namespace {

TEST(AppTextures, RendersEachSvgSizeOnceAndKeepsIt) {
    AppTextures& textures = AppTextures::instance();
    OutputCapture output;
    const zolt::ui::Texture* first = textures.getSvg("icons/tag.svg", 16, 16);
    const zolt::ui::Texture* again = textures.getSvg("icons/tag.svg", 16, 16);
    const zolt::ui::Texture* larger = textures.getSvg("icons/tag.svg", 20, 20);
    const zolt::ui::Texture* wide = textures.getSvg("icons/tag.svg", 20, 16);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(again, first);
    ASSERT_NE(larger, nullptr);
    EXPECT_NE(larger, first);
    EXPECT_NE(wide, larger);
    EXPECT_EQ(first->getWidth(), 16);
    EXPECT_EQ(larger->getHeight(), 20);
    EXPECT_EQ(uitest::count(output.standardOutput(), "Loaded SVG asset 'icons/tag.svg' (16x16)"), 1);
    EXPECT_EQ(uitest::count(output.standardOutput(), "Loaded SVG asset 'icons/tag.svg' (20x20)"), 1);
    EXPECT_EQ(uitest::count(output.standardOutput(), "Loaded SVG asset 'icons/tag.svg' (20x16)"), 1);
    EXPECT_EQ(uitest::count(output.standardOutput(), "[TRACE]"), 3);
    EXPECT_EQ(output.standardError(), "");
}

TEST(AppTextures, MissingAssetsGiveNullWithoutALogLine) {
    OutputCapture output;
    EXPECT_EQ(AppTextures::instance().getSvg("icons/absent.svg", 16, 16), nullptr);
    EXPECT_EQ(AppTextures::instance().getTexture("icons/absent.png"), nullptr);
    EXPECT_EQ(output.standardOutput(), "");
    EXPECT_EQ(output.standardError(), "");
}

TEST(AppTextures, BrokenAssetsLogOneErrorPerAttempt) {
    OutputCapture output;
    EXPECT_EQ(AppTextures::instance().getSvg(uitest::brokenSvg, 16, 16), nullptr);
    EXPECT_EQ(AppTextures::instance().getSvg(uitest::brokenSvg, 16, 16), nullptr);
    EXPECT_EQ(AppTextures::instance().getTexture(uitest::brokenPng), nullptr);
    EXPECT_EQ(uitest::count(output.standardError(), "Failed to load svg asset 'icons/broken.svg': RenderException code 3"), 2);
    EXPECT_EQ(uitest::count(output.standardError(), "Failed to load texture asset 'icons/broken.png': RenderException code 2"),
              1);
    EXPECT_EQ(uitest::count(output.standardError(), "[ERROR]"), 3);
}

TEST(AppTextures, SvgOfAnImpossibleSizeIsAnErrorNotACacheEntry) {
    OutputCapture output;
    EXPECT_EQ(AppTextures::instance().getSvg("icons/tag.svg", 0, 16), nullptr);
    EXPECT_EQ(uitest::count(output.standardError(), "Failed to load svg asset 'icons/tag.svg': RenderException code 4"), 1);
}

TEST(AppTextures, DecodesRasterAssetsOnce) {
    OutputCapture output;
    const zolt::ui::Texture* loading = AppTextures::instance().getTexture(uitest::loadingPng);
    ASSERT_NE(loading, nullptr);
    EXPECT_EQ(AppTextures::instance().getTexture(uitest::loadingPng), loading);
    EXPECT_EQ(loading->getWidth(), 8);
    EXPECT_EQ(loading->getPixels()[0], 255);
    EXPECT_EQ(loading->getPixels()[1], 128);
    EXPECT_LE(uitest::count(output.standardOutput(), "Loaded texture asset 'icons/loading.png'"), 1);
}

TEST(AppTextures, CachedTexturesDrawUnderEveryApplication) {
    const zolt::ui::Texture* tag = AppTextures::instance().getSvg("icons/tag.svg", 16, 16);
    ASSERT_NE(tag, nullptr);
    std::uint64_t firstId = 0;
    {
        uitest::HeadlessApp h;
        firstId = tag->getId();
        EXPECT_NE(firstId, 0u);
    }
    uitest::HeadlessApp h;
    EXPECT_NE(tag->getId(), 0u);
    EXPECT_NE(tag->getId(), firstId);
}

} // namespace
