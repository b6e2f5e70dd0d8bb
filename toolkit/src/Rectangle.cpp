#include "zolt/ui/Rectangle.hpp"

#include "zolt/ui/Renderer.hpp"

namespace zolt::ui {

Rectangle::Rectangle(Widget* parent, const Vec2& position, const Vec2& size) : Widget(parent, position, size) {}

void Rectangle::setColor(Color color) {
    color_ = color;
}

void Rectangle::setTexture(const Texture* texture) {
    texture_ = texture;
}

void Rectangle::drawFill(Renderer& renderer, float z, float opacity, Color color) const {
    draw::Rectangle rect;
    const Vec2 world = getWorldPosition();
    rect.position = Vec3{world.x, world.y, z};
    rect.size = getActualSize();
    rect.angle = getWorldAngle();
    rect.origin = getOrigin();
    const Vec4 c = toVec4(color);
    if (texture_ != nullptr) {
        // The image is shown as it is; the colour only lends its alpha.
        rect.texture = texture_;
        rect.flags = draw::kTextured;
        rect.color = Vec4{1.0f, 1.0f, 1.0f, c.w * opacity};
    } else {
        rect.flags = draw::kFillColor;
        rect.color = Vec4{c.x, c.y, c.z, c.w * opacity};
    }
    renderer.drawPrimitive(rect);
}

void Rectangle::draw(Renderer& renderer, float z, float opacity) {
    drawFill(renderer, z, opacity, color_);
    Widget::draw(renderer, z, opacity);
}

} // namespace zolt::ui
