#include "Views/DefaultButton.hpp"

#include "AppTheme.hpp"

#include <zolt/ui/TextElement.hpp>
#include <zolt/ui/Window.hpp>

#include <imgui.h>

#include <utility>

DefaultButton::DefaultButton(zolt::ui::Widget* parent, float x, float y, float width, float height)
    : zolt::ui::Button(parent, zolt::ui::Vec2{x, y}, zolt::ui::Vec2{width, height}) {
    applyStyle();
}

DefaultButton::~DefaultButton() = default;

void DefaultButton::applyStyle() {
    const AppTheme& theme = AppTheme::instance();
    setBackgroundColor(theme.accentColor());
    setHoverColor(theme.accentHoverColor());
    setPressedColor(theme.accentActiveColor());
    setLockedColor(theme.accentLockedColor());
    zolt::ui::TextElement* text = getText();
    text->setColor(theme.textColor());
    // A toolkit text, not ImGui: the ImGui font scale does not apply.
    text->setFontSize(theme.normalFontSize());
    text->setFont(theme.defaultFont());
}

void DefaultButton::setKeyboardHandlers(std::function<void()> onActivate, std::function<void(bool)> onTab) {
    activate = std::move(onActivate);
    tab = std::move(onTab);
}

bool DefaultButton::onKeyDown(const zolt::ui::KeyEvent& event) {
    if (event.repeat) {
        return false;
    }
    if (activate && (event.key == ImGuiKey_Enter || event.key == ImGuiKey_KeypadEnter || event.key == ImGuiKey_Space)) {
        activate();
        return true;
    }
    if (tab && event.key == ImGuiKey_Tab) {
        tab((event.mods & zolt::ui::kModShift) != 0);
        return true;
    }
    return false;
}

void DefaultButton::onFocusGained() {
    // Shown only for focus that came by keyboard: a click needs no mark that outlasts it.
    if (!isHovered()) {
        setBackgroundColor(AppTheme::instance().accentHoverColor());
    }
}

void DefaultButton::onFocusLost() {
    setBackgroundColor(AppTheme::instance().accentColor());
}
