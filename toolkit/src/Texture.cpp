#include "zolt/ui/Texture.hpp"

#include "Backend.hpp"
#include "zolt/ui/Exceptions.hpp"

#include <climits>
#include <cstring>
#include <string>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
#include <stb_image.h>

namespace zolt::ui {

namespace {

constexpr int maxDimension = 16384;

// The device textures are made on now, and its generation (see Backend.hpp). UI thread.
detail::Backend* device = nullptr;
std::uint64_t deviceGeneration = 0;
std::uint64_t lastGeneration = 0;

void checkSize(int width, int height) {
    if (width <= 0 || height <= 0 || width > maxDimension || height > maxDimension) {
        throw ResourceException("Texture size " + std::to_string(width) + "x" + std::to_string(height) +
                                    " is out of range",
                                kResourceErrorSize);
    }
}

} // namespace

namespace detail {

void activateTextureDevice(Backend* backend) {
    device = backend;
    deviceGeneration = ++lastGeneration;
}

void deactivateTextureDevice(Backend* backend) {
    if (device == backend) {
        device = nullptr;
        deviceGeneration = 0;
    }
}

} // namespace detail

Texture::Texture(const void* data, std::size_t size) {
    if (data == nullptr || size == 0) {
        throw ResourceException("Image data is empty", kResourceErrorEmpty);
    }
    if (size > static_cast<std::size_t>(INT_MAX)) {
        throw ResourceException("Image data is too large", kResourceErrorSize);
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    const auto* bytes = static_cast<const stbi_uc*>(data);
    if (stbi_info_from_memory(bytes, static_cast<int>(size), &width, &height, &channels) == 0) {
        throw ResourceException(std::string("Failed to decode image: ") + stbi_failure_reason(), kResourceErrorDecode);
    }
    checkSize(width, height); // before decoding, so a hostile header cannot make us allocate
    stbi_uc* pixels = stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, 4);
    if (pixels == nullptr) {
        throw ResourceException(std::string("Failed to decode image: ") + stbi_failure_reason(), kResourceErrorDecode);
    }
    width_ = width;
    height_ = height;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    pixels_.assign(pixels, pixels + count);
    stbi_image_free(pixels);
}

Texture Texture::fromPixels(const std::uint8_t* rgba, int width, int height) {
    if (rgba == nullptr) {
        throw ResourceException("Pixel data is empty", kResourceErrorEmpty);
    }
    checkSize(width, height);
    Texture texture;
    texture.width_ = width;
    texture.height_ = height;
    texture.pixels_.assign(rgba, rgba + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    return texture;
}

Texture::Texture(Texture&& other) noexcept
    : width_(other.width_), height_(other.height_), pixels_(std::move(other.pixels_)), id_(other.id_),
      generation_(other.generation_) {
    other.id_ = 0;
    other.generation_ = 0;
    other.width_ = 0;
    other.height_ = 0;
}

Texture& Texture::operator=(Texture&& other) noexcept {
    if (this != &other) {
        release();
        width_ = other.width_;
        height_ = other.height_;
        pixels_ = std::move(other.pixels_);
        id_ = other.id_;
        generation_ = other.generation_;
        other.id_ = 0;
        other.generation_ = 0;
        other.width_ = 0;
        other.height_ = 0;
    }
    return *this;
}

Texture::~Texture() {
    release();
}

void Texture::release() noexcept {
    if (id_ != 0 && device != nullptr && generation_ == deviceGeneration) {
        device->destroyTexture(id_);
    }
    id_ = 0;
    generation_ = 0;
}

std::uint64_t Texture::getId() const {
    if (device == nullptr || pixels_.empty()) {
        return 0;
    }
    if (generation_ != deviceGeneration || id_ == 0) {
        id_ = device->createTexture(pixels_.data(), width_, height_);
        generation_ = deviceGeneration;
    }
    return id_;
}

} // namespace zolt::ui
