#include "Views/DefaultButton.hpp"

#include "AppTheme.hpp"

#include <zolt/ui/Draw.hpp>
#include <zolt/ui/Renderer.hpp>
#include <zolt/ui/TextElement.hpp>

#include <imgui.h>

namespace {

constexpr float focusOutlineWidth = 2.0f;

} // namespace

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

void DefaultButton::draw(zolt::ui::Renderer& renderer, float z, float opacity) {
    zolt::ui::Button::draw(renderer, z, opacity);
    if (!focused) {
        return;
    }
    zolt::ui::draw::Rectangle outline;
    const zolt::ui::Vec2 world = getWorldPosition();
    outline.position = zolt::ui::Vec3{world.x, world.y, z};
    outline.size = getActualSize();
    const zolt::ui::Vec4 color = zolt::ui::toVec4(AppTheme::instance().textColor());
    outline.color = zolt::ui::Vec4{color.x, color.y, color.z, color.w * opacity};
    outline.flags = zolt::ui::draw::kOutline;
    outline.outlineWidth = focusOutlineWidth;
    renderer.drawPrimitive(outline);
}

bool DefaultButton::onKeyDown(const zolt::ui::KeyEvent& event) {
    const bool press = event.key == ImGuiKey_Enter || event.key == ImGuiKey_KeypadEnter || event.key == ImGuiKey_Space;
    if (!press || event.repeat) {
        return false; // Tab and the rest go on to the parents
    }
    click(); // may destroy this button: nothing after it
    return true;
}
