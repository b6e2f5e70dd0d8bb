#include "zolt/ui/SVG.hpp"

#include "zolt/ui/Exceptions.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#define NANOSVG_IMPLEMENTATION
#include <nanosvg.h>
#define NANOSVGRAST_IMPLEMENTATION
#include <nanosvgrast.h>

namespace zolt::ui {

namespace {
constexpr int maxDimension = 8192;
}

struct SVG::Parsed {
    NSVGimage* image = nullptr;
    ~Parsed() {
        if (image != nullptr) {
            nsvgDelete(image);
        }
    }
};

SVG::SVG(const void* data, std::size_t size) : image_(std::make_unique<Parsed>()) {
    if (data == nullptr || size == 0) {
        throw ResourceException("SVG data is empty", kResourceErrorEmpty);
    }
    // The parser writes into its input and needs a terminating NUL.
    std::string text(static_cast<const char*>(data), size);
    image_->image = nsvgParse(text.data(), "px", 96.0f);
    if (image_->image == nullptr || !(image_->image->width > 0.0f) || !(image_->image->height > 0.0f)) {
        throw ResourceException("SVG data could not be parsed or has no size", kResourceErrorParse);
    }
}

SVG::~SVG() = default;
SVG::SVG(SVG&&) noexcept = default;
SVG& SVG::operator=(SVG&&) noexcept = default;

float SVG::getWidth() const {
    return image_ ? image_->image->width : 0.0f;
}

float SVG::getHeight() const {
    return image_ ? image_->image->height : 0.0f;
}

Texture SVG::createTexture(int width, int height) const {
    const Image image = rasterize(width, height);
    return Texture::fromPixels(image.rgba.data(), image.width, image.height);
}

Image SVG::rasterize(int width, int height) const {
    if (width <= 0 || height <= 0 || width > maxDimension || height > maxDimension) {
        throw ResourceException("SVG raster size " + std::to_string(width) + "x" + std::to_string(height) +
                                    " is out of range",
                                kResourceErrorSize);
    }
    if (!image_) {
        throw ResourceException("SVG image was moved away", kResourceErrorEmpty);
    }
    NSVGimage* image = image_->image;
    const float scale = std::fmin(static_cast<float>(width) / image->width, static_cast<float>(height) / image->height);
    const float tx = (static_cast<float>(width) - image->width * scale) / 2.0f;
    const float ty = (static_cast<float>(height) - image->height * scale) / 2.0f;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    NSVGrasterizer* rasterizer = nsvgCreateRasterizer();
    if (rasterizer == nullptr) {
        throw ResourceException("SVG rasteriser could not be created", kResourceErrorSize);
    }
    nsvgRasterize(rasterizer, image, tx, ty, scale, pixels.data(), width, height, width * 4);
    nsvgDeleteRasterizer(rasterizer);
    return Image{width, height, std::move(pixels)};
}

} // namespace zolt::ui
