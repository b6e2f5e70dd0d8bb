#pragma once
// Application: owns the render context and every window, and runs the main loop.
//
// One frame (runFrame), on the UI thread:
//   1. window-system events (OpenGL back end) are routed to widgets; injected input was
//      routed when it was injected;
//   2. callbacks handed to dispatchToMainThread run, in the order they were posted;
//   3. tick callbacks run, in registration order;
//   4. per window: Widget::update over the tree, layout (only when something changed),
//      the ImGui frame of every visible ImGuiPanel (its build function), the canvas draw
//      (Widget::draw), then rendering (OpenGL) or texture acknowledgement (headless).
// Only one Application may exist at a time; the static operations act on it.
//
// Between frames run() sleeps until something needs one: window-system input (then a
// few frames follow at once so that ImGui settles), a dispatched callback, quit(), a
// frame asked for with requestFrame() or requestFrameAt(), or at the latest the idle
// interval. An idle window costs next to nothing; an animation asks for its frames.

#include "zolt/ui/RenderContext.hpp"
#include "zolt/ui/Task.hpp"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zolt::ui {

class Window;

// Window flags for Application::createWindow (bits, or-ed together).
enum WindowFlags : std::uint32_t {
    kWindowResizable = 1u << 0,
    kWindowDecorated = 1u << 1,
    kWindowVisible = 1u << 2,
    kWindowFocused = 1u << 3,        // take the input focus when created
    kWindowCentered = 1u << 4,       // centre on the primary monitor
    kWindowMaximized = 1u << 5,
    kWindowFloating = 1u << 6,       // always on top
    kWindowTransparent = 1u << 7,    // transparent framebuffer
    kWindowAutoIconify = 1u << 8,    // iconify when a full-screen window loses focus
    kWindowFocusOnShow = 1u << 9,
    kWindowScaleToMonitor = 1u << 10, // scale the size by the monitor's content scale
    // 1823: the usual main window (all of the above except maximized/floating/transparent).
    kWindowDefault = kWindowResizable | kWindowDecorated | kWindowVisible | kWindowFocused |
                     kWindowCentered | kWindowAutoIconify | kWindowFocusOnShow |
                     kWindowScaleToMonitor,
};

class Application {
public:
    // Takes the render context over; initialises it when the caller has not.
    // Throws RenderException when another Application exists.
    Application(std::unique_ptr<RenderContext>&& context, const std::string& name);
    // Destroys every window (and its widgets) while the graphics context is still alive,
    // drops callbacks still queued for the UI thread, then the render context.
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The Application that exists now, or null.
    static Application* instance();

    // Runs frames until quit() is called or every window was closed by its user.
    void run();
    // Runs exactly one frame (tests, headless tools).
    void runFrame();
    // Runs `count` frames.
    void runFrames(int count);
    // Makes run() return after the current frame.
    void quit();
    // Makes run() start the next frame without sleeping: call it from every frame of an
    // animation (a spinner turning) as long as it moves. Safe from any thread (it wakes
    // a sleeping loop).
    static void requestFrame();
    // Makes run() start a frame by `when` at the latest (the earliest of the times asked
    // for in one frame counts; ask again in every frame that still needs it): a tick
    // callback with work due at a time (a read every second) asks for that time. UI thread.
    static void requestFrameAt(std::chrono::steady_clock::time_point when);
    // The longest run() sleeps when nothing asked for a frame (default one second; at
    // least 1 ms). A safety net for work that does not ask for its frames.
    void setIdleFrameInterval(std::chrono::milliseconds interval);

    // Opens a window owned by the Application; it lives until the Application ends.
    // `flags` are WindowFlags bits (ignored by the headless back end except for sizes).
    // Throws RenderException without an Application or when the window cannot open.
    static Window* createWindow(const std::string& title, int width, int height,
                                std::uint32_t flags);
    // Synchronises buffer swaps with the display (OpenGL back end; no effect headless).
    static void setVSync(bool enabled);
    // Calls `callback` once per frame, before widget updates, until unregistered. A second
    // registration under the same key replaces the first and keeps its place. Safe to call
    // from inside a tick callback. Without an Application: throws RenderException.
    static void registerTickCallback(const void* key, std::function<void()> callback);
    // Stops the callback registered under `key`; unknown keys and a missing Application
    // are ignored (so destructors may call it at any time).
    static void unregisterTickCallback(const void* key);
    // Queues `task` to run on the UI thread at the start of the next frame, waking a
    // sleeping run(). Safe from any thread. Without an Application the task is dropped
    // (destroyed on the calling thread).
    static void dispatchToMainThread(Task task);

    // Frame time used instead of the measured one, in microseconds; 0 measures the real
    // time. Headless contexts start with 16667 (60 frames a second).
    void setFixedFrameTime(std::uint64_t microseconds);
    std::uint64_t getFrameCount() const;

    const std::string& getName() const;
    RenderContext& getRenderContext();
    std::size_t getWindowCount() const;
    Window* getWindow(std::size_t index) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace zolt::ui
