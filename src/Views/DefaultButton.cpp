#include "Views/DefaultButton.hpp"

#include "AppTheme.hpp"

#include <zolt/ui/TextElement.hpp>

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
