#include "zolt/ui/Renderer.hpp"

#include "Canvas.hpp"

namespace zolt::ui {

void Renderer::drawPrimitive(const draw::Primitive& primitive) {
    canvas_.drawPrimitive(primitive);
}

void Renderer::drawText(const Font* font, float size, const Vec2& position, const Vec4& color, std::string_view text) {
    canvas_.drawText(font, size, position, color, text);
}

void Renderer::pushClipRect(const Vec2& min, const Vec2& max) {
    canvas_.pushClipRect(min, max);
}

void Renderer::popClipRect() {
    canvas_.popClipRect();
}

Vec4 Renderer::getClipRect() const {
    return canvas_.clipRect();
}

void Renderer::drawPanel(ImGuiPanel& panel) {
    canvas_.addPanel(panel);
}

} // namespace zolt::ui
