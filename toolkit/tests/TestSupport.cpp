#include "TestSupport.hpp"

#include <fstream>
#include <iterator>
#include <stdexcept>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace zolt::ui::test {

HeadlessApp::HeadlessApp(int width, int height)
    : app(std::make_unique<Application>(RenderContext::create(kBackendHeadless, "test"), "test")),
      window(Application::createWindow("test", width, height, kWindowDefault)) {}

void HeadlessApp::click(float x, float y) {
    window->injectMouseMove(x, y);
    frames();
    window->injectMouseButton(kMouseLeft, true);
    frames();
    window->injectMouseButton(kMouseLeft, false);
    frames();
}

const std::vector<std::uint8_t>& fontBytes() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::ifstream in(QUILLON_UI_FONT, std::ios::binary);
        if (!in) {
            throw std::runtime_error("font missing: " QUILLON_UI_FONT);
        }
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    }();
    return bytes;
}

std::vector<std::uint8_t> solidPng(int width, int height, Color color) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = color.r;
        pixels[i + 1] = color.g;
        pixels[i + 2] = color.b;
        pixels[i + 3] = color.a;
    }
    std::vector<std::uint8_t> png;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            auto* out = static_cast<std::vector<std::uint8_t>*>(context);
            const auto* bytes = static_cast<const std::uint8_t*>(data);
            out->insert(out->end(), bytes, bytes + size);
        },
        &png, width, height, 4, pixels.data(), width * 4);
    return png;
}

} // namespace zolt::ui::test
