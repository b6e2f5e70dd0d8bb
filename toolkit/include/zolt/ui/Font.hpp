#pragma once
// Font: a view of TrueType/OpenType bytes and a face index. The bytes are not copied: they
// must stay valid as long as any window or panel that drew with the font exists (the
// application's asset pack keeps them for the whole process).

#include <cstddef>

namespace zolt::ui {

class Font {
public:
    // The toolkit's built-in font.
    Font() = default;
    // Checks that the bytes hold a font with face `faceIndex`; throws ResourceException
    // (kResourceErrorEmpty, kResourceErrorFont) otherwise.
    Font(const void* data, std::size_t size, int faceIndex = 0);

    const void* getData() const { return data_; }
    std::size_t getSize() const { return size_; }
    int getFaceIndex() const { return faceIndex_; }
    bool isBuiltIn() const { return data_ == nullptr; }

private:
    const void* data_ = nullptr;
    std::size_t size_ = 0;
    int faceIndex_ = 0;
};

} // namespace zolt::ui
