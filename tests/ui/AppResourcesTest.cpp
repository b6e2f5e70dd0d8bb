// The texture caches (one rendering per name and size, silence for missing assets, one
// error line per failed attempt, nothing cached on failure) and the theme (fonts that are
// views of the pack's bytes, the ImGui style it writes, start-up without the font).

#include "UiTestSupport.hpp"

#include "AppTextures.hpp"
#include "AppTheme.hpp"
#include "AssetPack.hpp"

#include <gtest/gtest.h>
#include <imgui.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

TEST(AppTextures, RendersEachSvgSizeOnceAndKeepsIt) {
    AppTextures& textures = AppTextures::instance();
    OutputCapture output;
    const zolt::ui::Texture* first = textures.getSvg("icons/tag.svg", 16, 16);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(textures.getSvg("icons/tag.svg", 16, 16), first);
    const zolt::ui::Texture* wide = textures.getSvg("icons/tag.svg", 20, 16);
    ASSERT_NE(wide, nullptr);
    EXPECT_NE(wide, first);
    EXPECT_NE(textures.getSvg("icons/tag.svg", 16, 20), wide);
    EXPECT_EQ(wide->getWidth(), 20);
    EXPECT_EQ(uitest::count(output.standardOutput(), "Loaded SVG asset 'icons/tag.svg' (16x16)"), 1);
    EXPECT_EQ(uitest::count(output.standardOutput(), "[TRACE]"), 3);
    EXPECT_EQ(output.standardError(), "");

    const zolt::ui::Texture* loading = textures.getTexture(uitest::loadingPng);
    ASSERT_NE(loading, nullptr);
    EXPECT_EQ(textures.getTexture(uitest::loadingPng), loading);
    EXPECT_EQ(loading->getPixels()[1], 128) << "the orange test image";
}

// The logo as the window icon: every size square, and drawn (not all transparent).
TEST(AppTextures, WindowIconComesFromTheLogo) {
    const std::vector<zolt::ui::Image> sizes = AppTextures::windowIcon();
    ASSERT_EQ(sizes.size(), 5u);
    for (const zolt::ui::Image& image : sizes) {
        EXPECT_EQ(image.rgba.size(), static_cast<std::size_t>(image.width * image.width * 4));
        EXPECT_GT(std::count(image.rgba.begin(), image.rgba.end(), std::uint8_t{255}), image.width) << image.width;
    }
}

TEST(AppTextures, MissingAssetsAreSilentBrokenOnesLogAnErrorPerAttempt) {
    OutputCapture output;
    EXPECT_EQ(AppTextures::instance().getSvg("icons/absent.svg", 16, 16), nullptr);
    EXPECT_EQ(AppTextures::instance().getTexture("icons/absent.png"), nullptr);
    EXPECT_EQ(output.standardError(), "");
    EXPECT_EQ(AppTextures::instance().getSvg(uitest::brokenSvg, 16, 16), nullptr);
    EXPECT_EQ(AppTextures::instance().getSvg(uitest::brokenSvg, 16, 16), nullptr);
    EXPECT_EQ(AppTextures::instance().getTexture(uitest::brokenPng), nullptr);
    EXPECT_EQ(AppTextures::instance().getSvg("icons/tag.svg", 0, 16), nullptr);
    const std::string errors = output.standardError();
    EXPECT_EQ(uitest::count(errors, "Failed to load svg asset 'icons/broken.svg': RenderException code 3"), 2);
    EXPECT_EQ(uitest::count(errors, "Failed to load texture asset 'icons/broken.png': RenderException code 2"), 1);
    EXPECT_EQ(uitest::count(errors, "Failed to load svg asset 'icons/tag.svg': RenderException code 4"), 1);
    EXPECT_EQ(output.standardOutput(), "");
}

TEST(AppTheme, FontsAreViewsOfThePackBytes) {
    const AppTheme& theme = AppTheme::instance();
    const auto asset = AssetPack::instance().find("fonts/montserrat-font/MontserratMedium.ttf");
    ASSERT_TRUE(asset.has_value());
    EXPECT_EQ(theme.defaultFont()->getData(), asset->data);
    EXPECT_EQ(theme.defaultFont()->getSize(), asset->size);
    EXPECT_EQ(theme.editorFont()->getData(), asset->data);
    EXPECT_NE(theme.editorFont(), theme.defaultFont());
}

TEST(AppTheme, WritesItsStyleIntoTheGivenContextAndMakesItCurrent) {
    ImGuiContext* previous = ImGui::GetCurrentContext();
    ImGuiContext* context = ImGui::CreateContext();
    ImGuiContext* other = ImGui::CreateContext();
    ImGui::SetCurrentContext(other);
    const ImGuiStyle defaults = ImGui::GetStyle();
    AppTheme::instance().applyImGuiStyle(context);
    EXPECT_EQ(ImGui::GetCurrentContext(), context);
    EXPECT_NE(ImGui::GetStyle().FrameBorderSize, defaults.FrameBorderSize);
    EXPECT_FLOAT_EQ(ImGui::GetStyle().Alpha, defaults.Alpha) << "what the theme leaves alone keeps its default";
    ImGui::SetCurrentContext(other);
    EXPECT_FLOAT_EQ(ImGui::GetStyle().FrameBorderSize, defaults.FrameBorderSize) << "the other context is untouched";
    ImGui::DestroyContext(other);
    ImGui::DestroyContext(context);
    ImGui::SetCurrentContext(previous);
}

// A fresh process whose pack lacks the font: the theme cannot be built.
TEST(AppThemeDeathTest, MissingFontEndsStartUpWithItsMessage) {
    EXPECT_EXIT(
        {
            uitest::loadTestPack(false);
            try {
                (void)AppTheme::instance();
            } catch (const std::runtime_error& e) {
                std::cerr << e.what();
                std::exit(3);
            }
            std::exit(5);
        },
        ::testing::ExitedWithCode(3), "Failed to load default font asset");
}

} // namespace
