#pragma once
// Draw primitives handed to Renderer::drawPrimitive from Widget::draw.

#include "zolt/ui/Types.hpp"

#include <cstdint>

namespace zolt::ui {

class Texture;

namespace draw {

// What a primitive paints (bits of Primitive::flags).
enum PrimitiveFlags : std::uint8_t {
    kFillColor = 1,  // fill the shape with `color` (the default)
    kOutline = 2,    // stroke the outline with `color`, `outlineWidth` pixels wide
    kTextured = 4,   // paint `texture` over the shape, tinted (multiplied) by `color`
};

enum class PrimitiveType : std::uint8_t { Rectangle = 0 };

struct Primitive {
    PrimitiveType type = PrimitiveType::Rectangle;
    Vec3 position;          // top-left corner in window pixels, z = depth of the pass
    Vec2 size;
    float angle = 0.0f;     // degrees, clockwise on screen, about `origin`
    Vec2 origin;            // pivot relative to the top-left corner
    const Texture* texture = nullptr; // used with kTextured; null draws nothing textured
    Vec4 color{1.0f, 1.0f, 1.0f, 1.0f}; // r, g, b, a in 0..1
    std::uint8_t flags = kFillColor;
    float outlineWidth = 1.0f;
    Vec2 uvMin{0.0f, 0.0f}; // texture coordinates of the top-left and bottom-right corners
    Vec2 uvMax{1.0f, 1.0f};
};

struct Rectangle : Primitive {
    Rectangle() { type = PrimitiveType::Rectangle; }
};

} // namespace draw
} // namespace zolt::ui
