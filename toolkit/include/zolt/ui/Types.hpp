#pragma once
// Value types shared by every toolkit header: vectors in pixels and colours.

#include <cfloat>
#include <cstdint>
#include <vector>

namespace zolt::ui {

// A point or a size in window pixels.
struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;
    friend bool operator==(const Vec2&, const Vec2&) = default;
};

// A position with a depth (z orders primitives of one draw pass; larger is nearer).
struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    friend bool operator==(const Vec3&, const Vec3&) = default;
};

// Four floats: a colour (x = r .. w = a, each 0..1) or four edges (x = left, y = top,
// z = right, w = bottom) depending on where it is used.
struct Vec4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
    friend bool operator==(const Vec4&, const Vec4&) = default;
};

// An 8-bit-per-channel colour, passed by value.
struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;
    friend bool operator==(const Color&, const Color&) = default;
};

// The colour as floats 0..1 (r, g, b, a in x, y, z, w).
constexpr Vec4 toVec4(Color c) {
    return {static_cast<float>(c.r) / 255.0f, static_cast<float>(c.g) / 255.0f,
            static_cast<float>(c.b) / 255.0f, static_cast<float>(c.a) / 255.0f};
}

// The largest finite float: a size component with no upper bound.
inline constexpr float kUnbounded = FLT_MAX;

// RGBA pixels, rows top to bottom (a capture, a rasterised image, a window icon).
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

} // namespace zolt::ui
