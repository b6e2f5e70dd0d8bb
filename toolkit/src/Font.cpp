#include "zolt/ui/Font.hpp"

#include "zolt/ui/Exceptions.hpp"

#include <cstdint>
#include <string>

namespace zolt::ui {

namespace {

std::uint32_t readU32(const unsigned char* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

constexpr std::uint32_t tag(char a, char b, char c, char d) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d));
}

// The number of faces in sfnt bytes (1 for a single font), or 0 when they are no font.
std::uint32_t faceCount(const unsigned char* bytes, std::size_t size) {
    if (size < 12) {
        return 0;
    }
    const std::uint32_t version = readU32(bytes);
    if (version == 0x00010000u || version == tag('t', 'r', 'u', 'e') || version == tag('O', 'T', 'T', 'O')) {
        return 1;
    }
    if (version == tag('t', 't', 'c', 'f')) {
        const std::uint32_t count = readU32(bytes + 8);
        // Every face needs a 4-byte offset after the 12-byte header.
        return count <= (size - 12) / 4 ? count : 0;
    }
    return 0;
}

} // namespace

Font::Font(const void* data, std::size_t size, int faceIndex) : data_(data), size_(size), faceIndex_(faceIndex) {
    if (data == nullptr || size == 0) {
        throw ResourceException("Font data is empty", kResourceErrorEmpty);
    }
    const std::uint32_t faces = faceCount(static_cast<const unsigned char*>(data), size);
    if (faces == 0) {
        throw ResourceException("Font data is not a TrueType or OpenType font", kResourceErrorFont);
    }
    if (faceIndex < 0 || static_cast<std::uint32_t>(faceIndex) >= faces) {
        throw ResourceException("Font has no face " + std::to_string(faceIndex), kResourceErrorFont);
    }
}

} // namespace zolt::ui
