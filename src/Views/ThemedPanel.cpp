#include "Views/ThemedPanel.hpp"

#include "AppTheme.hpp"

zolt::ui::ImGuiPanel* addThemedPanel(zolt::ui::Widget& parent, std::function<void()> build) {
    const AppTheme& theme = AppTheme::instance();
    auto* panel = parent.addChild<zolt::ui::ImGuiPanel>(zolt::ui::Vec2{0.0f, 0.0f}, parent.getActualSize());
    panel->setDefaultFont(theme.defaultFont(), theme.smallFontSize() * theme.imguiFontScale(), nullptr);
    theme.applyImGuiStyle(panel->getImGuiContext());
    panel->setBuildImGuiFunction(std::move(build));
    return panel;
}

void beginPaneContent() {
    constexpr float band = 4.0f;
    constexpr float margin = 6.0f;
    const ImVec2 origin = ImGui::GetWindowPos();
    const ImVec2 end(origin.x + ImGui::GetWindowWidth(), origin.y + band);
    ImGui::GetWindowDrawList()->AddRectFilled(origin, end, imColor(AppTheme::instance().surfaceColor()));
    ImGui::SetCursorPos(ImVec2(margin, band + margin));
    ImGui::Indent(margin);
}
