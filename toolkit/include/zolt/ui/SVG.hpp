#pragma once
// SVG: a parsed vector image that can be rasterised into textures of any size.

#include "zolt/ui/Texture.hpp"
#include "zolt/ui/Types.hpp"

#include <cstddef>
#include <memory>

namespace zolt::ui {

class SVG {
public:
    // Parses `size` bytes of SVG text (copied; the bytes need not be NUL-terminated).
    // Throws ResourceException (kResourceErrorEmpty, kResourceErrorParse).
    SVG(const void* data, std::size_t size);
    ~SVG();
    SVG(SVG&&) noexcept;
    SVG& operator=(SVG&&) noexcept;
    SVG(const SVG&) = delete;
    SVG& operator=(const SVG&) = delete;

    // The image's own size in pixels.
    float getWidth() const;
    float getHeight() const;
    // Rasterises the image scaled to fit width x height (aspect ratio kept, centred,
    // transparent around). Throws ResourceException (kResourceErrorSize) for sizes outside
    // 1..8192.
    Texture createTexture(int width, int height) const;
    // The same rendering as pixels (a window icon), with the same exceptions.
    Image rasterize(int width, int height) const;

private:
    struct Parsed;
    std::unique_ptr<Parsed> image_;
};

} // namespace zolt::ui
