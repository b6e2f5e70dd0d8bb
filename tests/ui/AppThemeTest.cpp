// The theme: fonts from the pack (views, not copies), the ImGui style it writes, and the
// start-up failure when the pack lacks the font.

#include "UiTestSupport.hpp"

#include "AppTheme.hpp"
#include "AssetPack.hpp"

#include <gtest/gtest.h>
#include <imgui.h>

#include <cstdlib>
#include <stdexcept>

namespace {

TEST(AppTheme, FontsAreViewsOfThePackBytes) {
    const AppTheme& theme = AppTheme::instance();
    auto asset = AssetPack::instance().find("fonts/montserrat-font/MontserratMedium.ttf");
    ASSERT_TRUE(asset.has_value());
    EXPECT_EQ(theme.defaultFont()->getData(), asset->data);
    EXPECT_EQ(theme.defaultFont()->getSize(), asset->size);
    EXPECT_EQ(theme.defaultFont()->getFaceIndex(), 0);
    EXPECT_EQ(theme.editorFont()->getData(), asset->data);
    EXPECT_NE(theme.editorFont(), theme.defaultFont());
}

TEST(AppTheme, ImGuiPanelFontSizesComeFromTheThemeScale) {
    const AppTheme& theme = AppTheme::instance();
    EXPECT_FLOAT_EQ(theme.smallFontSize() * theme.imguiFontScale(), 16.8f);
    EXPECT_FLOAT_EQ(theme.normalFontSize() * theme.imguiFontScale(), 21.6f);
}

TEST(AppTheme, WritesItsStyleIntoTheContextAndMakesItCurrent) {
    ImGuiContext* previous = ImGui::GetCurrentContext();
    ImGuiContext* context = ImGui::CreateContext();
    ImGuiContext* other = ImGui::CreateContext();
    ImGui::SetCurrentContext(other);
    const ImGuiStyle defaults = ImGui::GetStyle();
    AppTheme::instance().applyImGuiStyle(context);
    EXPECT_EQ(ImGui::GetCurrentContext(), context);
    const ImGuiStyle& s = ImGui::GetStyle();
    struct Row {
        const char* field;
        float actual;
        float expected;
    };
    const Row rows[] = {
        {"WindowPadding.x", s.WindowPadding.x, 0},       {"WindowPadding.y", s.WindowPadding.y, 0},
        {"WindowRounding", s.WindowRounding, 0},         {"WindowBorderSize", s.WindowBorderSize, 1},
        {"ChildRounding", s.ChildRounding, 0},           {"ChildBorderSize", s.ChildBorderSize, 1},
        {"PopupRounding", s.PopupRounding, 0},           {"PopupBorderSize", s.PopupBorderSize, 1},
        {"FramePadding.x", s.FramePadding.x, 4},         {"FramePadding.y", s.FramePadding.y, 3},
        {"FrameRounding", s.FrameRounding, 0},           {"FrameBorderSize", s.FrameBorderSize, 1},
        {"ItemSpacing.x", s.ItemSpacing.x, 8},           {"ItemSpacing.y", s.ItemSpacing.y, 8},
        {"ItemInnerSpacing.x", s.ItemInnerSpacing.x, 4}, {"ItemInnerSpacing.y", s.ItemInnerSpacing.y, 4},
        {"CellPadding.x", s.CellPadding.x, 4},           {"CellPadding.y", s.CellPadding.y, 2},
        {"TouchExtraPadding.x", s.TouchExtraPadding.x, 0}, {"TouchExtraPadding.y", s.TouchExtraPadding.y, 0},
        {"IndentSpacing", s.IndentSpacing, 20},          {"ScrollbarSize", s.ScrollbarSize, 10},
        {"ScrollbarRounding", s.ScrollbarRounding, 0},   {"GrabMinSize", s.GrabMinSize, 10},
        {"GrabRounding", s.GrabRounding, 3},             {"LogSliderDeadzone", s.LogSliderDeadzone, 4},
        {"TabRounding", s.TabRounding, 0},               {"TabBorderSize", s.TabBorderSize, 1},
        {"DisplaySafeAreaPadding.x", s.DisplaySafeAreaPadding.x, 0},
        {"DisplaySafeAreaPadding.y", s.DisplaySafeAreaPadding.y, 0},
        {"Text.r", s.Colors[ImGuiCol_Text].x, 0xF0 / 255.0f},
        {"TextDisabled.g", s.Colors[ImGuiCol_TextDisabled].y, 0.52f},
        {"Button.b", s.Colors[ImGuiCol_Button].z, 0xDC / 255.0f},
        {"ButtonHovered.r", s.Colors[ImGuiCol_ButtonHovered].x, 0x50 / 255.0f},
        {"ButtonActive.g", s.Colors[ImGuiCol_ButtonActive].y, 0x46 / 255.0f},
    };
    for (const Row& row : rows) {
        EXPECT_FLOAT_EQ(row.actual, row.expected) << row.field;
    }
    // Everything else keeps the context's defaults.
    EXPECT_FLOAT_EQ(s.Alpha, defaults.Alpha);
    EXPECT_FLOAT_EQ(s.WindowMinSize.x, defaults.WindowMinSize.x);
    EXPECT_FLOAT_EQ(s.TabBarBorderSize, defaults.TabBarBorderSize);
    EXPECT_FLOAT_EQ(s.Colors[ImGuiCol_WindowBg].w, defaults.Colors[ImGuiCol_WindowBg].w);
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
                std::exit(std::string(e.what()) == "Failed to load default font asset" ? 3 : 4);
            }
            std::exit(5);
        },
        ::testing::ExitedWithCode(3), "Failed to load default font asset");
}

} // namespace
