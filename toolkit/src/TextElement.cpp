#include "zolt/ui/TextElement.hpp"

#include "WindowImpl.hpp"
#include "zolt/ui/Renderer.hpp"

namespace zolt::ui {

TextElement::TextElement(Widget* parent, const Font* font, const std::string& text)
    : Widget(parent), text_(text), font_(font) {}

void TextElement::setText(const std::string& text) {
    if (text != text_) {
        text_ = text;
        markLayoutDirty();
    }
}

void TextElement::setColor(Color color) {
    color_ = color;
}

void TextElement::setFont(const Font* font) {
    if (font != font_) {
        font_ = font;
        markLayoutDirty();
    }
}

void TextElement::setFontSize(float size) {
    if (size != fontSize_) {
        fontSize_ = size;
        markLayoutDirty();
    }
}

Vec2 TextElement::naturalSize() const {
    if (getWindow() == nullptr) {
        return Vec2{};
    }
    return detail::WindowAccess::canvas(*getWindow()).measureText(font_, fontSize_, text_);
}

void TextElement::draw(Renderer& renderer, float z, float opacity) {
    const Vec4 c = toVec4(color_);
    renderer.drawText(font_, fontSize_, getWorldPosition(), Vec4{c.x, c.y, c.z, c.w * opacity}, text_);
    Widget::draw(renderer, z, opacity);
}

} // namespace zolt::ui
