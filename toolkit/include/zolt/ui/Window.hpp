#pragma once
// Window: one top-level window with its root widget, and its frame clock.
//
// Windows are created by Application::createWindow and owned by the Application.
// The root widget covers the whole window; build the widget tree below it.
//
// Input: the OpenGL back end feeds window-system events through the same routing as the
// inject*() operations below, so tests drive a headless window exactly as a user would:
//   - mouse events go to the deepest visible widget under the pointer (children drawn
//     later are hit first); handlers return false to pass the event to the parent;
//   - a button press captures the mouse for the widget that took it until every button is
//     up (moves and the release go to it, also outside it); the press also moves the
//     keyboard focus to the nearest widget on the path that acceptsFocus();
//   - keys and text go to the focused widget, bubbling to its parents.
// Keys are ImGuiKey values; modifier bits are KeyMods.

#include "zolt/ui/Types.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct ImDrawList;

namespace zolt::ui {

class Application;
class Widget;

namespace detail {
class WindowAccess;
}

// Per-window frame clock.
class WindowContext {
public:
    // Duration of the last frame in microseconds (the fixed frame time when one is set).
    std::uint64_t getFrameTime() const { return frameTime_; }
    // Frames run so far for this window.
    std::uint64_t getFrameCount() const { return frameCount_; }
    // Sum of all frame times, in seconds.
    double getTime() const { return static_cast<double>(totalTime_) / 1e6; }

private:
    friend class detail::WindowAccess;
    std::uint64_t frameTime_ = 0;
    std::uint64_t frameCount_ = 0;
    std::uint64_t totalTime_ = 0;
};

// Modifier bits of key events.
enum KeyMods : int {
    kModCtrl = 1,
    kModShift = 2,
    kModAlt = 4,
    kModSuper = 8,
};

// Mouse buttons.
enum MouseButton : int {
    kMouseLeft = 0,
    kMouseRight = 1,
    kMouseMiddle = 2,
};

class Window {
public:
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Size in window pixels (the layout's unit).
    int getWidth() const;
    int getHeight() const;
    // Resizes the window (clamped to the minimum size).
    void setSize(int width, int height);
    // The window cannot be made smaller than this; applies at once.
    void setMinSize(const Vec2& size);
    void setMinSize(int width, int height) { setMinSize(Vec2{static_cast<float>(width), static_cast<float>(height)}); }
    Vec2 getMinSize() const;
    // Colour the window is cleared with before widgets draw.
    void setClearColor(Color color);
    Color getClearColor() const;
    void setTitle(const std::string& title);
    const std::string& getTitle() const;
    // The icon the system shows for the window (title bar, task bar), in the sizes given
    // (the system picks the nearest); empty images are skipped. Headless windows keep none.
    void setIcon(const std::vector<Image>& sizes);

    // The root widget: sized to the window, never hidden, owned by the window.
    Widget* getRootWidget() const;
    WindowContext& getWindowContext();
    const WindowContext& getWindowContext() const;

    // Asks the window to close; Application::run ends once every window is closed.
    void close();
    bool isClosed() const;

    // The widget holding the keyboard focus, or null.
    Widget* getFocusedWidget() const;
    // Moves the keyboard focus (null clears it).
    void setFocusedWidget(Widget* widget);

    // Clipboard text of this window's system (headless: an in-memory clipboard).
    std::string getClipboardText() const;
    void setClipboardText(const std::string& text);

    // Injected input, routed as described above. Positions in window pixels.
    void injectMouseMove(float x, float y);
    void injectMouseButton(int button, bool pressed);
    void injectMouseWheel(float dx, float dy);
    // The pointer left the window.
    void injectMouseLeave();
    void injectKey(int imguiKey, bool pressed, int mods = 0);
    void injectChar(unsigned int codepoint);
    // Every code point of a UTF-8 text, as injectChar.
    void injectText(std::string_view utf8);
    Vec2 getMousePosition() const;

    // Reads the rendered pixels of the next frame (OpenGL back end) before they are shown;
    // getCapture() returns them afterwards. Headless windows never capture (null).
    void requestCapture();
    const Image* getCapture() const;

    // The canvas draw lists of the last frame in paint order (panels lie between them);
    // for tests and measurements.
    std::vector<const ImDrawList*> getCanvasDrawLists() const;

    // Toolkit-internal state (render back end, input routing, canvas).
    struct Impl;
    Impl& impl() { return *impl_; }
    const Impl& impl() const { return *impl_; }

private:
    friend class Application;
    friend class detail::WindowAccess;
    explicit Window(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace zolt::ui
