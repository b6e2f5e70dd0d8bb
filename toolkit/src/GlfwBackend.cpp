#include "GlfwBackend.hpp"

#include "WindowEvents.hpp"
#include "zolt/ui/Application.hpp"
#include "zolt/ui/Exceptions.hpp"

#include <imgui.h>
#include <imgui_impl_opengl3.h>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <GL/gl.h>
// Windows' <GL/gl.h> stops at OpenGL 1.1; the value is the same on every platform.
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

#include <algorithm>
#include <cmath>
#include <cstring>

// Exported by the GLFW platform helpers of ImGui, but not declared in their header.
ImGuiKey ImGui_ImplGlfw_KeyToImGuiKey(int keycode, int scancode);

namespace zolt::ui::detail {

namespace {

std::string lastGlfwError;

void onGlfwError(int code, const char* description) {
    lastGlfwError = std::to_string(code) + ": " + (description != nullptr ? description : "");
}

int toMods(int glfwMods) {
    int mods = 0;
    mods |= (glfwMods & GLFW_MOD_CONTROL) != 0 ? kModCtrl : 0;
    mods |= (glfwMods & GLFW_MOD_SHIFT) != 0 ? kModShift : 0;
    mods |= (glfwMods & GLFW_MOD_ALT) != 0 ? kModAlt : 0;
    mods |= (glfwMods & GLFW_MOD_SUPER) != 0 ? kModSuper : 0;
    return mods;
}

void contextHints() {
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
}

int hint(std::uint32_t flags, std::uint32_t bit) {
    return (flags & bit) != 0 ? GLFW_TRUE : GLFW_FALSE;
}

class GlfwWindow final : public NativeWindow {
public:
    GlfwWindow(GlfwBackend& backend, GLFWwindow* window, WindowEvents& events)
        : backend_(backend), window_(window), events_(events) {
        glfwSetWindowUserPointer(window_, this);
        glfwGetWindowSize(window_, &width_, &height_);
        glfwSetCursorPosCallback(window_, [](GLFWwindow* w, double x, double y) {
            self(w).events_.mouseMove(static_cast<float>(x), static_cast<float>(y));
        });
        glfwSetMouseButtonCallback(window_, [](GLFWwindow* w, int button, int action, int mods) {
            GlfwWindow& me = self(w);
            me.events_.setMods(toMods(mods));
            me.events_.mouseButton(button, action == GLFW_PRESS);
        });
        glfwSetScrollCallback(window_, [](GLFWwindow* w, double dx, double dy) {
            self(w).events_.mouseWheel(static_cast<float>(dx), static_cast<float>(dy));
        });
        glfwSetCursorEnterCallback(window_, [](GLFWwindow* w, int entered) {
            if (entered == GLFW_FALSE) {
                self(w).events_.mouseLeave();
            }
        });
        glfwSetKeyCallback(window_, [](GLFWwindow* w, int key, int scancode, int action, int mods) {
            const ImGuiKey imguiKey = ImGui_ImplGlfw_KeyToImGuiKey(key, scancode);
            self(w).events_.key(imguiKey, action != GLFW_RELEASE, toMods(mods), action == GLFW_REPEAT);
        });
        glfwSetCharCallback(window_, [](GLFWwindow* w, unsigned int codepoint) { self(w).events_.character(codepoint); });
        glfwSetWindowFocusCallback(window_, [](GLFWwindow* w, int focused) {
            self(w).events_.windowFocus(focused == GLFW_TRUE);
        });
        glfwSetWindowSizeCallback(window_, [](GLFWwindow* w, int width, int height) {
            GlfwWindow& me = self(w);
            me.width_ = width;
            me.height_ = height;
        });
    }

    ~GlfwWindow() override {
        if (glfwGetCurrentContext() == window_) {
            glfwMakeContextCurrent(backend_.sharedContext());
        }
        glfwDestroyWindow(window_);
    }

    int width() const override { return width_; }
    int height() const override { return height_; }
    void setSize(int width, int height) override {
        width_ = std::max(width, minWidth_);
        height_ = std::max(height, minHeight_);
        glfwSetWindowSize(window_, width_, height_);
    }
    void setMinSize(int width, int height) override {
        minWidth_ = std::max(width, 0);
        minHeight_ = std::max(height, 0);
        glfwSetWindowSizeLimits(window_, minWidth_, minHeight_, GLFW_DONT_CARE, GLFW_DONT_CARE);
        if (width_ < minWidth_ || height_ < minHeight_) {
            setSize(width_, height_);
        }
    }
    void setTitle(const std::string& title) override { glfwSetWindowTitle(window_, title.c_str()); }
    void setIcon(const std::vector<Image>& sizes) override {
        std::vector<GLFWimage> images;
        for (const Image& image : sizes) {
            if (image.width > 0 && image.height > 0 &&
                image.rgba.size() == static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4u) {
                // GLFW copies the pixels before it returns; it only reads them.
                images.push_back(GLFWimage{image.width, image.height, const_cast<unsigned char*>(image.rgba.data())});
            }
        }
        if (!images.empty()) {
            glfwSetWindowIcon(window_, static_cast<int>(images.size()), images.data());
        }
    }
    bool closeRequested() const override { return glfwWindowShouldClose(window_) == GLFW_TRUE; }
    void hide() override { glfwHideWindow(window_); }
    Vec2 framebufferScale() const override {
        int fbWidth = 0;
        int fbHeight = 0;
        glfwGetFramebufferSize(window_, &fbWidth, &fbHeight);
        if (width_ <= 0 || height_ <= 0) {
            return Vec2{1.0f, 1.0f};
        }
        return Vec2{static_cast<float>(fbWidth) / static_cast<float>(width_),
                    static_cast<float>(fbHeight) / static_cast<float>(height_)};
    }
    std::string clipboardText() const override {
        const char* text = glfwGetClipboardString(window_);
        return text != nullptr ? text : "";
    }
    void setClipboardText(const std::string& text) override { glfwSetClipboardString(window_, text.c_str()); }

    void paint(const FramePaint& paint) override;

private:
    static GlfwWindow& self(GLFWwindow* w) { return *static_cast<GlfwWindow*>(glfwGetWindowUserPointer(w)); }

    GlfwBackend& backend_;
    GLFWwindow* window_;
    WindowEvents& events_;
    int width_ = 0;
    int height_ = 0;
    int minWidth_ = 0;
    int minHeight_ = 0;
    int swapInterval_ = -1;
};

void GlfwWindow::paint(const FramePaint& paint) {
    glfwMakeContextCurrent(window_);
    const int interval = backend_.vsync() ? 1 : 0;
    if (interval != swapInterval_) {
        glfwSwapInterval(interval);
        swapInterval_ = interval;
    }
    int fbWidth = 0;
    int fbHeight = 0;
    glfwGetFramebufferSize(window_, &fbWidth, &fbHeight);
    glViewport(0, 0, fbWidth, fbHeight);
    const Vec4 clear = toVec4(paint.clearColor);
    glClearColor(clear.x, clear.y, clear.z, clear.w);
    glClear(GL_COLOR_BUFFER_BIT);

    const Vec2 scale = framebufferScale();
    const ImVec2 displaySize(static_cast<float>(width_), static_cast<float>(height_));
    ImGuiContext* previous = ImGui::GetCurrentContext();
    ImGui::SetCurrentContext(paint.canvasContext);
    for (ImTextureData* texture : ImGui::GetPlatformIO().Textures) {
        if (texture->Status != ImTextureStatus_OK) {
            ImGui_ImplOpenGL3_UpdateTexture(texture);
        }
    }
    for (const Layer& layer : *paint.layers) {
        if (layer.list != nullptr) {
            ImGui::SetCurrentContext(paint.canvasContext);
            ImDrawData data;
            data.Valid = true;
            data.DisplayPos = ImVec2(0.0f, 0.0f);
            data.DisplaySize = displaySize;
            data.FramebufferScale = ImVec2(scale.x, scale.y);
            data.AddDrawList(layer.list);
            ImGui_ImplOpenGL3_RenderDrawData(&data);
        } else if (layer.panelData != nullptr) {
            ImGui::SetCurrentContext(layer.panelContext);
            layer.panelData->FramebufferScale = ImVec2(scale.x, scale.y);
            ImGui_ImplOpenGL3_RenderDrawData(layer.panelData);
        }
    }
    ImGui::SetCurrentContext(previous);

    if (paint.capture != nullptr && fbWidth > 0 && fbHeight > 0) {
        Image& image = *paint.capture;
        image.width = fbWidth;
        image.height = fbHeight;
        const std::size_t row = static_cast<std::size_t>(fbWidth) * 4;
        std::vector<std::uint8_t> flipped(row * static_cast<std::size_t>(fbHeight));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, fbWidth, fbHeight, GL_RGBA, GL_UNSIGNED_BYTE, flipped.data());
        image.rgba.resize(flipped.size());
        for (int y = 0; y < fbHeight; ++y) { // GL rows run bottom to top
            std::memcpy(image.rgba.data() + static_cast<std::size_t>(y) * row,
                        flipped.data() + static_cast<std::size_t>(fbHeight - 1 - y) * row, row);
        }
    }
    glfwSwapBuffers(window_);
}

} // namespace

GlfwBackend::GlfwBackend(const std::string& name) {
    glfwSetErrorCallback(onGlfwError);
    // GLFW stays initialised once it was: terminating unloads the GL driver, and a later
    // context in the same process (tests) would load it again from scratch.
    if (glfwInit() != GLFW_TRUE) {
        throw RenderException("Failed to initialise the window system (" + lastGlfwError + ")", kRenderErrorPlatformInit);
    }
    contextHints();
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    shared_ = glfwCreateWindow(1, 1, name.c_str(), nullptr, nullptr);
    if (shared_ == nullptr) {
        throw RenderException("Failed to create an OpenGL 3.3 context (" + lastGlfwError + ")",
                              kRenderErrorContextCreation);
    }
    glfwMakeContextCurrent(shared_);
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    renderer_ = renderer != nullptr ? renderer : "OpenGL";
}

GlfwBackend::~GlfwBackend() {
    glfwMakeContextCurrent(nullptr);
    glfwDestroyWindow(shared_);
}

std::unique_ptr<NativeWindow> GlfwBackend::createWindow(const std::string& title, int width, int height,
                                                        std::uint32_t flags, WindowEvents& events) {
    contextHints();
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE); // shown once placed
    glfwWindowHint(GLFW_RESIZABLE, hint(flags, kWindowResizable));
    glfwWindowHint(GLFW_DECORATED, hint(flags, kWindowDecorated));
    glfwWindowHint(GLFW_FOCUSED, hint(flags, kWindowFocused));
    glfwWindowHint(GLFW_MAXIMIZED, hint(flags, kWindowMaximized));
    glfwWindowHint(GLFW_FLOATING, hint(flags, kWindowFloating));
    glfwWindowHint(GLFW_TRANSPARENT_FRAMEBUFFER, hint(flags, kWindowTransparent));
    glfwWindowHint(GLFW_AUTO_ICONIFY, hint(flags, kWindowAutoIconify));
    glfwWindowHint(GLFW_FOCUS_ON_SHOW, hint(flags, kWindowFocusOnShow));
    glfwWindowHint(GLFW_SCALE_TO_MONITOR, hint(flags, kWindowScaleToMonitor));
    GLFWwindow* window = glfwCreateWindow(std::max(width, 1), std::max(height, 1), title.c_str(), nullptr, shared_);
    if (window == nullptr) {
        throw RenderException("Failed to open the window (" + lastGlfwError + ")", kRenderErrorWindowCreation);
    }
    if ((flags & kWindowCentered) != 0) {
        if (GLFWmonitor* monitor = glfwGetPrimaryMonitor()) {
            if (const GLFWvidmode* mode = glfwGetVideoMode(monitor)) {
                int w = 0;
                int h = 0;
                glfwGetWindowSize(window, &w, &h);
                glfwSetWindowPos(window, std::max(0, (mode->width - w) / 2), std::max(0, (mode->height - h) / 2));
            }
        }
    }
    if ((flags & kWindowVisible) != 0) {
        glfwShowWindow(window);
    }
    return std::make_unique<GlfwWindow>(*this, window, events);
}

void GlfwBackend::pollEvents() {
    glfwPollEvents();
}

void GlfwBackend::waitEvents(double seconds) {
    glfwWaitEventsTimeout(seconds);
}

void GlfwBackend::wakeUp() {
    glfwPostEmptyEvent();
}

void GlfwBackend::attachRenderer(ImGuiContext*) {
    ImGui_ImplOpenGL3_Init("#version 330 core");
}

void GlfwBackend::detachRenderer(ImGuiContext*) {
    ImGui_ImplOpenGL3_Shutdown();
}

void GlfwBackend::newFrame(ImGuiContext*) {
    ImGui_ImplOpenGL3_NewFrame();
}

std::uint64_t GlfwBackend::createTexture(const std::uint8_t* rgba, int width, int height) {
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    return name;
}

void GlfwBackend::destroyTexture(std::uint64_t id) {
    const auto name = static_cast<GLuint>(id);
    glDeleteTextures(1, &name);
}

} // namespace zolt::ui::detail
