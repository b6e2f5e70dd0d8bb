#pragma once
// The two failure types of the toolkit. Both carry a text (what()) and a signed
// 32-bit code (getCode()); the codes are listed below and never change.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zolt::ui {

// Codes of RenderException: the window system or the graphics device failed.
enum RenderErrorCode : std::int32_t {
    kRenderErrorUnknown = 1,
    kRenderErrorPlatformInit = 2,    // the window system could not be initialised
    kRenderErrorContextCreation = 3, // no OpenGL 3.3 context could be created
    kRenderErrorNoDevice = 4,        // device index out of range
    kRenderErrorNotInitialized = 5,  // the render context was used before initialize()
    kRenderErrorNoApplication = 6,   // an Application operation without an Application
    kRenderErrorApplicationExists = 7, // a second Application while one exists
    kRenderErrorWindowCreation = 8,  // the window could not be opened
};

// Codes of ResourceException: bytes handed to Font, Texture or SVG are unusable.
enum ResourceErrorCode : std::int32_t {
    kResourceErrorEmpty = 1,         // no bytes, or a null pointer
    kResourceErrorDecode = 2,        // image bytes could not be decoded
    kResourceErrorParse = 3,         // SVG text could not be parsed, or has no size
    kResourceErrorSize = 4,          // a requested or decoded size is zero, negative or too large
    kResourceErrorFont = 5,          // not a TrueType/OpenType font, or no such face
};

class RenderException : public std::runtime_error {
public:
    RenderException(const std::string& text, std::int32_t code)
        : std::runtime_error(text), code_(code) {}
    std::int32_t getCode() const noexcept { return code_; }

private:
    std::int32_t code_;
};

class ResourceException : public std::runtime_error {
public:
    ResourceException(const std::string& text, std::int32_t code)
        : std::runtime_error(text), code_(code) {}
    std::int32_t getCode() const noexcept { return code_; }

private:
    std::int32_t code_;
};

} // namespace zolt::ui
