#pragma once
// The desktop back end: GLFW windows sharing one OpenGL 3.3 core context group, painted
// with the ImGui OpenGL 3 renderer.

#include "Backend.hpp"

#include <string>

struct GLFWwindow;

namespace zolt::ui::detail {

class GlfwBackend final : public Backend {
public:
    // Initialises GLFW and makes a hidden context all windows share. Throws RenderException.
    explicit GlfwBackend(const std::string& name);
    ~GlfwBackend() override;
    GlfwBackend(const GlfwBackend&) = delete;
    GlfwBackend& operator=(const GlfwBackend&) = delete;

    const std::string& rendererName() const { return renderer_; }
    GLFWwindow* sharedContext() const { return shared_; }
    bool vsync() const { return vsync_; }

    bool headless() const override { return false; }
    std::unique_ptr<NativeWindow> createWindow(const std::string& title, int width, int height, std::uint32_t flags,
                                               WindowEvents& events) override;
    void pollEvents() override;
    void waitEvents(double seconds) override;
    void wakeUp() override;
    void setVSync(bool enabled) override { vsync_ = enabled; }
    void attachRenderer(ImGuiContext* context) override;
    void detachRenderer(ImGuiContext* context) override;
    void newFrame(ImGuiContext* context) override;
    void afterRender(ImDrawData*) override {}
    std::uint64_t createTexture(const std::uint8_t* rgba, int width, int height) override;
    void destroyTexture(std::uint64_t id) override;

private:
    GLFWwindow* shared_ = nullptr;
    std::string renderer_;
    bool vsync_ = false;
};

} // namespace zolt::ui::detail
