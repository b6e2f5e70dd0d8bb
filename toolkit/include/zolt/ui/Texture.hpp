#pragma once
// Texture: an RGBA image that widgets and ImGui draw lists can paint.
//
// The pixels are kept in memory; the graphics texture is made from them the first time an
// id is asked for under a render context, and again under a later one, so a texture may
// outlive the Application it was first drawn in. Headless contexts hand out unique fake
// ids. UI thread only.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zolt::ui {

class Texture {
public:
    // Decodes an encoded image (PNG, also JPEG/BMP/TGA) of `size` bytes to RGBA.
    // Throws ResourceException (kResourceErrorEmpty, kResourceErrorDecode, kResourceErrorSize).
    Texture(const void* data, std::size_t size);
    // Copies `width` x `height` RGBA pixels (rows top to bottom, 4 bytes a pixel).
    // Throws ResourceException (kResourceErrorEmpty, kResourceErrorSize).
    static Texture fromPixels(const std::uint8_t* rgba, int width, int height);

    Texture(Texture&& other) noexcept;
    Texture& operator=(Texture&& other) noexcept;
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;
    ~Texture();

    int getWidth() const { return width_; }
    int getHeight() const { return height_; }
    const std::vector<std::uint8_t>& getPixels() const { return pixels_; }
    // The ImTextureID to draw this texture with (an OpenGL texture name, or a fake id
    // headless); makes the graphics texture on first use. 0 when no Application exists.
    std::uint64_t getId() const;

private:
    Texture() = default;
    void release() noexcept;

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> pixels_;
    mutable std::uint64_t id_ = 0;
    mutable std::uint64_t generation_ = 0; // render generation id_ belongs to
};

} // namespace zolt::ui
