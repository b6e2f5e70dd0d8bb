// The texture caches, the theme and the spinner over an asset pack built in memory.
#include "AppTextures.hpp"
#include "AppTheme.hpp"
#include "AssetPack.hpp"
#include "OutputCapture.hpp"
#include "PakWriter.hpp"
#include "TestSupport.hpp"
#include "Views/Spinner.hpp"

#include <gtest/gtest.h>
#include <imgui.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

const std::string brokenSvg = "icons/broken.svg";
const std::string brokenPng = "icons/broken.png";
const std::string loadingPng = "icons/loading.png"; // 8 x 8, opaque orange

void loadTestPack(bool withFont) {
    std::vector<pak::Item> items = pak::readSources({{"icons/tag.svg", QUILLON_ASSETS_DIR "/icons/tag.svg"},
                                                     {AppTextures::logoAsset, QUILLON_ASSETS_DIR "/icons/zolt.svg"}});
    if (withFont) {
        items.push_back({"fonts/montserrat-font/MontserratMedium.ttf", zolt::ui::test::fontBytes()});
    }
    items.push_back({loadingPng, zolt::ui::test::solidPng(8, 8, zolt::ui::Color{255, 128, 0, 255})});
    for (const auto& [name, text] : {std::pair{brokenSvg, std::string("<svg but not really")},
                                     std::pair{brokenPng, std::string("\x89PNG\r\n\x1a\n then nothing sensible")}}) {
        items.push_back({name, std::vector<std::uint8_t>(text.begin(), text.end())});
    }
    AssetPack::instance().parse(pak::encodePack(std::move(items)));
}

int count(const std::string& text, const std::string& needle) {
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) {
        ++n;
    }
    return n;
}

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
    EXPECT_EQ(count(output.standardOutput(), "Loaded SVG asset 'icons/tag.svg' (16x16)"), 1);
    EXPECT_EQ(count(output.standardOutput(), "[TRACE]"), 3);
    EXPECT_EQ(output.standardError(), "");

    const zolt::ui::Texture* loading = textures.getTexture(loadingPng);
    ASSERT_NE(loading, nullptr);
    EXPECT_EQ(textures.getTexture(loadingPng), loading);
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
    EXPECT_EQ(AppTextures::instance().getSvg(brokenSvg, 16, 16), nullptr);
    EXPECT_EQ(AppTextures::instance().getSvg(brokenSvg, 16, 16), nullptr);
    EXPECT_EQ(AppTextures::instance().getTexture(brokenPng), nullptr);
    EXPECT_EQ(AppTextures::instance().getSvg("icons/tag.svg", 0, 16), nullptr);
    const std::string errors = output.standardError();
    EXPECT_EQ(count(errors, "Failed to load svg asset 'icons/broken.svg': RenderException code 3"), 2);
    EXPECT_EQ(count(errors, "Failed to load texture asset 'icons/broken.png': RenderException code 2"), 1);
    EXPECT_EQ(count(errors, "Failed to load svg asset 'icons/tag.svg': RenderException code 4"), 1);
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
            loadTestPack(false);
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

// 180 degrees a second of frame time; past 359 the turn starts again at 0.
TEST(Spinner, TurnsByTheFrameTimeAndStartsAgainPast359) {
    zolt::ui::test::HeadlessApp h;
    auto* spinner = h.root()->addChild<Spinner>(zolt::ui::Vec2{0, 0}, zolt::ui::Vec2{64, 64});
    const struct {
        float from;
        std::uint64_t micros;
        float expected;
    } cases[] = {
        {0.0f, 100000, 18.0f},
        {358.0f, 10000, 0.0f},      // 359.8: above 359, becomes 0 (not -0.2, not 359.8)
        {358.5f, 2777, 358.99986f}, // just below 359 stays
    };
    for (const auto& c : cases) {
        spinner->setRotation(c.from);
        h.app->setFixedFrameTime(c.micros);
        h.app->runFrame();
        EXPECT_NEAR(spinner->getRotation(), c.expected, 1e-3f) << "from " << c.from << " after " << c.micros << " us";
    }
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Death-style tests re-run this binary for a fresh process (process-wide services).
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    loadTestPack(true);
    return RUN_ALL_TESTS();
}
