#pragma once
// Window::Impl: the state of one window, and the frame it runs.

#include "Backend.hpp"
#include "Canvas.hpp"
#include "WindowEvents.hpp"
#include "zolt/ui/Widget.hpp"
#include "zolt/ui/Window.hpp"

#include <cstdint>
#include <memory>
#include <string>

namespace zolt::ui {

class ImGuiPanel;

struct Window::Impl {
    Impl(detail::Backend& backend, const std::string& title, int width, int height);
    ~Impl();

    // One frame of this window: update, layout, panels, draw, paint.
    void frame(std::uint64_t frameMicros);
    // Lays the tree out until nothing changes (bounded).
    void layout();

    detail::Backend& backend;
    std::string title;
    int width;
    int height;
    Vec2 minSize;
    Color clearColor{0, 0, 0, 255};
    bool closed = false;
    bool layoutDirty = true;
    bool destroying = false;
    bool captureRequested = false;
    std::unique_ptr<Image> capture;
    std::string clipboard; // headless clipboard
    WindowContext windowContext;
    std::unique_ptr<detail::NativeWindow> native;
    std::unique_ptr<detail::Canvas> canvas;
    std::unique_ptr<Widget> root;
    std::unique_ptr<detail::WindowEvents> events;
};

namespace detail {

// What widgets and the application need of a window beyond its public interface.
class WindowAccess {
public:
    static Window* create(Backend& backend, const std::string& title, int width, int height,
                          std::uint32_t flags);
    static void markDirty(Window& window) { window.impl_->layoutDirty = true; }
    static void forget(Window& window, const Widget* widget);
    static Canvas& canvas(Window& window) { return *window.impl_->canvas; }
    static Backend& backend(Window& window) { return window.impl_->backend; }
    static void setFrameTime(WindowContext& context, std::uint64_t micros) {
        context.frameTime_ = micros;
        context.frameCount_ += 1;
        context.totalTime_ += micros;
    }
    static void resizeRoot(Widget& root, const Vec2& size);
    static void layoutTree(Widget& root) { root.layoutTree(); }
};

} // namespace detail
} // namespace zolt::ui
