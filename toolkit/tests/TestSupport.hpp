#pragma once
// Helpers for driving a headless application in tests.

#include "zolt/ui.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zolt::ui::test {

// A headless application with one window of the given size.
struct HeadlessApp {
    explicit HeadlessApp(int width = 800, int height = 600);
    std::unique_ptr<Application> app;
    Window* window = nullptr;
    Widget* root() const { return window->getRootWidget(); }
    void frames(int count = 1) { app->runFrames(count); }
    // Moves to (x, y), presses and releases the left button, with a frame after each step
    // (a navigable ImGui item ignores a press in the frame the pointer first enters it).
    void click(float x, float y);
};

// The code of the exception of type E that f throws, or 0 when it throws none.
template <class E, class F>
std::int32_t errorCode(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.getCode();
    }
    return 0;
}

// The bytes of a font file from the build's dependencies.
const std::vector<std::uint8_t>& fontBytes();
// A PNG of width x height filled with one colour.
std::vector<std::uint8_t> solidPng(int width, int height, Color color);

} // namespace zolt::ui::test
