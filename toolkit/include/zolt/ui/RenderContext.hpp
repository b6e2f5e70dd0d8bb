#pragma once
// RenderContext: the graphics back end an Application runs on.
//
// Back end values for create():
//   1 (kBackendOpenGL)  a desktop window system (GLFW) with an OpenGL 3.3 core context;
//                       windows are real, rendering goes through the ImGui OpenGL 3 renderer.
//   any other value     headless (kBackendHeadless = 0): no window system and no GL. Frames
//                       still run: ticks, updates, layout, every ImGui frame and the draw
//                       lists are built, textures get fake ids, and input is injected through
//                       Window::inject*(). Tests use it.
// Everything here belongs to the UI thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zolt::ui {

namespace detail {
class Backend;
}

inline constexpr int kBackendHeadless = 0;
inline constexpr int kBackendOpenGL = 1;

// One graphics device the context can render with.
struct RenderDeviceInfo {
    std::uint32_t id = 0;
    std::string name;
};

class RenderContext {
public:
    // Creates the context for a back end value (see above). The OpenGL back end brings up
    // the window system and a hidden GL context at once, so devices can be listed.
    // Throws RenderException when the window system or the GL context is not available.
    static std::unique_ptr<RenderContext> create(int backend, const std::string& name);

    virtual ~RenderContext();
    RenderContext(const RenderContext&) = delete;
    RenderContext& operator=(const RenderContext&) = delete;

    // Appends the devices this context can use to `devices` (OpenGL: the GL renderer).
    virtual void enumerateDevices(std::vector<RenderDeviceInfo>& devices) const = 0;
    // The same, as a new list.
    std::vector<RenderDeviceInfo> enumerateDevices() const;
    // Chooses the device by its index in the enumerated list; throws RenderException
    // (kRenderErrorNoDevice) when the index is out of range.
    virtual void selectDevice(std::size_t index) = 0;
    // Makes the context ready for an Application. Idempotent. Application's constructor
    // calls it when the caller has not.
    virtual void initialize() = 0;

    int getBackend() const { return backend_; }
    bool isHeadless() const { return backend_ != kBackendOpenGL; }
    bool isInitialized() const { return initialized_; }
    const std::string& getName() const { return name_; }

    // Toolkit-internal: the platform and rendering operations behind this context.
    virtual detail::Backend& backend() = 0;

protected:
    RenderContext(int backend, std::string name) : backend_(backend), name_(std::move(name)) {}
    void setInitialized() { initialized_ = true; }

private:
    int backend_;
    std::string name_;
    bool initialized_ = false;
};

} // namespace zolt::ui
