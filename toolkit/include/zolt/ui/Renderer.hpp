#pragma once
// Renderer: what Widget::draw paints with. It writes into the window's canvas (ImGui draw
// lists of the window's own canvas context); ImGui panels are layered in tree order, so a
// widget drawn after a panel paints over it. Only valid during Widget::draw.

#include "zolt/ui/Draw.hpp"
#include "zolt/ui/Types.hpp"

#include <string_view>

namespace zolt::ui {

class Font;
class ImGuiPanel;

namespace detail {
class Canvas;
}

class Renderer {
public:
    explicit Renderer(detail::Canvas& canvas) : canvas_(canvas) {}

    // Paints a primitive (see draw::Primitive).
    void drawPrimitive(const draw::Primitive& primitive);
    // Paints one line of UTF-8 text with its top-left corner at `position` (window pixels).
    // A null or empty font uses the toolkit's built-in font. `size` is in pixels.
    void drawText(const Font* font, float size, const Vec2& position, const Vec4& color,
                  std::string_view text);
    // Restricts drawing (and panels) to the intersection of the current clip rectangle and
    // [min, max) in window pixels, until the matching popClipRect.
    void pushClipRect(const Vec2& min, const Vec2& max);
    void popClipRect();
    // The current clip rectangle: x, y = min corner, z, w = max corner.
    Vec4 getClipRect() const;
    // Puts a panel's ImGui output here in the paint order (called by ImGuiPanel::draw).
    void drawPanel(ImGuiPanel& panel);

private:
    detail::Canvas& canvas_;
};

} // namespace zolt::ui
