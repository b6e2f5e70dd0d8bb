#include "AppTheme.hpp"

#include "AssetPack.hpp"

#include <imgui.h>

#include <cstddef>
#include <stdexcept>

namespace {

constexpr const char* fontAsset = "fonts/montserrat-font/MontserratMedium.ttf";

// A view of the pack's font bytes; the pack keeps them for the process lifetime.
zolt::ui::Font loadFont(const char* failureText) {
    auto asset = AssetPack::instance().find(fontAsset);
    if (!asset) {
        throw std::runtime_error(failureText);
    }
    return zolt::ui::Font(asset->data, static_cast<std::size_t>(asset->size), 0);
}

ImVec4 toImVec4(zolt::ui::Color color) {
    zolt::ui::Vec4 v = zolt::ui::toVec4(color);
    return ImVec4(v.x, v.y, v.z, v.w);
}

} // namespace

AppTheme::AppTheme(const zolt::ui::Font& defaultFont, const zolt::ui::Font& editorFont)
    : defaultFont_(defaultFont), editorFont_(editorFont) {}

AppTheme& AppTheme::instance() {
    // A throwing initialiser leaves the static unbuilt, so the next call tries again.
    static AppTheme theme = [] {
        zolt::ui::Font defaultFont = loadFont("Failed to load default font asset");
        zolt::ui::Font editorFont = loadFont("Failed to load editor font asset");
        return AppTheme(defaultFont, editorFont);
    }();
    return theme;
}

void AppTheme::applyImGuiStyle(ImGuiContext* context) const {
    ImGui::SetCurrentContext(context);
    applyImGuiStyle(ImGui::GetStyle());
}

void AppTheme::applyImGuiStyle(ImGuiStyle& style) const {
    style.WindowPadding = ImVec2(0.0f, 0.0f);
    style.WindowRounding = 0.0f;
    style.WindowBorderSize = 1.0f;
    style.ChildRounding = 0.0f;
    style.ChildBorderSize = 1.0f;
    style.PopupRounding = 0.0f;
    style.PopupBorderSize = 1.0f;
    style.FramePadding = ImVec2(4.0f, 3.0f);
    style.FrameRounding = 0.0f;
    style.FrameBorderSize = 1.0f;
    style.ItemSpacing = ImVec2(8.0f, 8.0f);
    style.ItemInnerSpacing = ImVec2(4.0f, 4.0f);
    style.CellPadding = ImVec2(4.0f, 2.0f);
    style.TouchExtraPadding = ImVec2(0.0f, 0.0f);
    style.IndentSpacing = 20.0f;
    style.ScrollbarSize = 10.0f;
    style.ScrollbarRounding = 0.0f;
    // The grab/slider group, the tab group and the display padding.
    style.GrabMinSize = 10.0f;
    style.GrabRounding = 3.0f;
    style.LogSliderDeadzone = 4.0f;
    style.TabRounding = 0.0f;
    style.TabBorderSize = 1.0f;
    style.DisplaySafeAreaPadding = ImVec2(0.0f, 0.0f);

    style.Colors[ImGuiCol_Text] = toImVec4(textColor_);
    style.Colors[ImGuiCol_TextDisabled] = ImVec4(0.50f, 0.52f, 0.54f, 1.00f);
    style.Colors[ImGuiCol_Button] = toImVec4(accentColor_);
    style.Colors[ImGuiCol_ButtonHovered] = toImVec4(accentHoverColor_);
    style.Colors[ImGuiCol_ButtonActive] = toImVec4(accentActiveColor_);
}
