#include "zolt/ui/Window.hpp"

#include "WindowImpl.hpp"
#include "zolt/ui/ImGuiPanel.hpp"
#include "zolt/ui/Renderer.hpp"

#include <algorithm>
#include <cmath>

namespace zolt::ui {

namespace {

// Lays out at most this many times a frame while resized() handlers keep changing sizes.
constexpr int maxLayoutPasses = 8;

void collectPanels(Widget& widget, std::vector<ImGuiPanel*>& panels) {
    for (std::size_t i = 0; i < widget.getChildCount(); ++i) {
        Widget* child = widget.getChild(i);
        if (!child->isVisible()) {
            continue;
        }
        if (auto* panel = dynamic_cast<ImGuiPanel*>(child)) {
            panels.push_back(panel);
        }
        collectPanels(*child, panels);
    }
}

} // namespace

Window::Impl::Impl(detail::Backend& b, const std::string& t, int w, int h)
    : backend(b), title(t), width(std::max(w, 0)), height(std::max(h, 0)) {}

Window::Impl::~Impl() {
    // Widgets first (panels release their renderers), then the canvas, then the native window.
    destroying = true;
    root.reset();
    events.reset();
    canvas.reset();
    native.reset();
}

void Window::Impl::layout() {
    const Vec2 size{static_cast<float>(width), static_cast<float>(height)};
    for (int pass = 0; pass < maxLayoutPasses && layoutDirty; ++pass) {
        layoutDirty = false;
        detail::WindowAccess::resizeRoot(*root, size);
        detail::WindowAccess::layoutTree(*root);
    }
}

void Window::Impl::frame(std::uint64_t frameMicros) {
    if (closed) {
        return;
    }
    detail::WindowAccess::setFrameTime(windowContext, frameMicros);
    if (native->width() != width || native->height() != height) {
        width = native->width();
        height = native->height();
        layoutDirty = true;
    }
    const float seconds = static_cast<float>(frameMicros) / 1e6f;
    canvas->beginFrame(Vec2{static_cast<float>(width), static_cast<float>(height)}, seconds);
    root->update();
    const bool moved = layoutDirty;
    layout();
    if (moved) {
        // Widgets may have moved under a resting pointer: refresh hover and panel positions.
        if (events->mouseInside()) {
            const Vec2 mouse = events->mousePosition();
            events->mouseMove(mouse.x, mouse.y);
        }
    }

    std::vector<ImGuiPanel*> panels;
    collectPanels(*root, panels);
    for (ImGuiPanel* panel : panels) {
        panel->buildFrame(seconds);
    }

    ImGui::SetCurrentContext(canvas->context());
    Renderer renderer(*canvas);
    root->draw(renderer, 0.0f, 1.0f);
    canvas->endFrame();

    detail::FramePaint paint;
    paint.canvasContext = canvas->context();
    paint.layers = &canvas->layers();
    paint.clearColor = clearColor;
    if (captureRequested && !backend.headless()) {
        capture = std::make_unique<Image>();
        paint.capture = capture.get();
    }
    captureRequested = false;
    native->paint(paint);
}

Window::Window(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Window::~Window() {
    // Widgets reach the window while they go, so the state outlives the tree.
    impl_->destroying = true;
    impl_->root.reset();
    impl_.reset();
}

int Window::getWidth() const {
    return impl_->width;
}

int Window::getHeight() const {
    return impl_->height;
}

void Window::setSize(int width, int height) {
    const int w = std::max({width, static_cast<int>(std::ceil(impl_->minSize.x)), 0});
    const int h = std::max({height, static_cast<int>(std::ceil(impl_->minSize.y)), 0});
    impl_->native->setSize(w, h);
    impl_->width = w;
    impl_->height = h;
    impl_->layoutDirty = true;
}

void Window::setMinSize(const Vec2& size) {
    impl_->minSize = size;
    impl_->native->setMinSize(static_cast<int>(std::ceil(size.x)), static_cast<int>(std::ceil(size.y)));
    if (impl_->width < size.x || impl_->height < size.y) {
        setSize(impl_->width, impl_->height);
    }
}

Vec2 Window::getMinSize() const {
    return impl_->minSize;
}

void Window::setClearColor(Color color) {
    impl_->clearColor = color;
}

Color Window::getClearColor() const {
    return impl_->clearColor;
}

void Window::setTitle(const std::string& title) {
    impl_->title = title;
    impl_->native->setTitle(title);
}

void Window::setIcon(const std::vector<Image>& sizes) {
    impl_->native->setIcon(sizes);
}

const std::string& Window::getTitle() const {
    return impl_->title;
}

Widget* Window::getRootWidget() const {
    return impl_->root.get();
}

WindowContext& Window::getWindowContext() {
    return impl_->windowContext;
}

const WindowContext& Window::getWindowContext() const {
    return impl_->windowContext;
}

void Window::close() {
    if (!impl_->closed) {
        impl_->closed = true;
        impl_->native->hide();
    }
}

bool Window::isClosed() const {
    return impl_->closed;
}

Widget* Window::getFocusedWidget() const {
    return impl_->events->focused();
}

void Window::setFocusedWidget(Widget* widget) {
    impl_->events->setFocus(widget);
}

std::string Window::getClipboardText() const {
    return impl_->native->clipboardText();
}

void Window::setClipboardText(const std::string& text) {
    impl_->native->setClipboardText(text);
}

void Window::injectMouseMove(float x, float y) {
    impl_->events->mouseMove(x, y);
}

void Window::injectMouseButton(int button, bool pressed) {
    impl_->events->mouseButton(button, pressed);
}

void Window::injectMouseWheel(float dx, float dy) {
    impl_->events->mouseWheel(dx, dy);
}

void Window::injectMouseLeave() {
    impl_->events->mouseLeave();
}

void Window::injectKey(int imguiKey, bool pressed, int mods) {
    impl_->events->key(imguiKey, pressed, mods, false);
}

void Window::injectChar(unsigned int codepoint) {
    impl_->events->character(codepoint);
}

void Window::injectText(std::string_view utf8) {
    impl_->events->text(utf8);
}

Vec2 Window::getMousePosition() const {
    return impl_->events->mousePosition();
}

void Window::requestCapture() {
    impl_->captureRequested = true;
}

const Image* Window::getCapture() const {
    return impl_->capture.get();
}

std::vector<const ImDrawList*> Window::getCanvasDrawLists() const {
    std::vector<const ImDrawList*> lists;
    for (const detail::Layer& layer : impl_->canvas->layers()) {
        if (layer.list != nullptr) {
            lists.push_back(layer.list);
        }
    }
    return lists;
}

namespace detail {

Window* WindowAccess::create(Backend& backend, const std::string& title, int width, int height, std::uint32_t flags) {
    auto impl = std::make_unique<Window::Impl>(backend, title, width, height);
    Window::Impl& state = *impl;
    std::unique_ptr<Window> window(new Window(std::move(impl)));
    state.root.reset(new Widget(Widget::RootTag{}, window.get()));
    state.events = std::make_unique<WindowEvents>(*state.root);
    state.native = backend.createWindow(title, width, height, flags, *state.events);
    state.width = state.native->width();
    state.height = state.native->height();
    state.canvas = std::make_unique<Canvas>(backend);
    return window.release();
}

void WindowAccess::forget(Window& window, const Widget* widget) {
    if (window.impl_ && window.impl_->events) {
        window.impl_->events->forget(widget);
    }
}

void WindowAccess::resizeRoot(Widget& root, const Vec2& size) {
    root.position_ = Vec2{};
    if (!root.sized_ || root.actualSize_ != size) {
        root.actualSize_ = size;
        root.sized_ = true;
        root.resized();
    }
}

} // namespace detail
} // namespace zolt::ui
