#pragma once
// The platform and graphics operations behind a RenderContext: windows, events, ImGui
// renderers per context, textures. Two implementations: GLFW + OpenGL 3.3, and headless.

#include "zolt/ui/Types.hpp"
#include "zolt/ui/Window.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ImGuiContext;
struct ImDrawData;
struct ImDrawList;

namespace zolt::ui::detail {

class WindowEvents;

// One thing to paint, in order: a canvas draw list or a panel's draw data (the panel's
// ImGui context must be current while it is rendered).
struct Layer {
    ImDrawList* list = nullptr;
    ImDrawData* panelData = nullptr;
    ImGuiContext* panelContext = nullptr;
};

// Everything one window paints in a frame.
struct FramePaint {
    ImGuiContext* canvasContext = nullptr;
    const std::vector<Layer>* layers = nullptr;
    Color clearColor;
    Image* capture = nullptr; // filled when not null (OpenGL only)
};

// The native side of one window.
class NativeWindow {
public:
    virtual ~NativeWindow() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void setSize(int width, int height) = 0;
    virtual void setMinSize(int width, int height) = 0;
    virtual void setTitle(const std::string& title) = 0;
    virtual void setIcon(const std::vector<Image>& sizes) = 0;
    virtual bool closeRequested() const = 0;
    virtual void hide() = 0;
    virtual Vec2 framebufferScale() const = 0;
    virtual std::string clipboardText() const = 0;
    virtual void setClipboardText(const std::string& text) = 0;
    // Paints the layers and shows the result.
    virtual void paint(const FramePaint& paint) = 0;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual bool headless() const = 0;
    // Opens a native window whose events go to `events`.
    virtual std::unique_ptr<NativeWindow> createWindow(const std::string& title, int width, int height,
                                                       std::uint32_t flags, WindowEvents& events) = 0;
    virtual void pollEvents() = 0;
    // Sleeps until an event arrives, wakeUp is called or `seconds` pass; handles the events.
    virtual void waitEvents(double seconds) = 0;
    // Ends a waitEvents in progress (or the next one) at once. Any thread.
    virtual void wakeUp() = 0;
    virtual void setVSync(bool enabled) = 0;
    // Sets up / tears down the ImGui renderer of `context`, which is current.
    virtual void attachRenderer(ImGuiContext* context) = 0;
    virtual void detachRenderer(ImGuiContext* context) = 0;
    // Before ImGui::NewFrame of a context that has a renderer (current).
    virtual void newFrame(ImGuiContext* context) = 0;
    // After ImGui::Render of a panel context (current): headless acknowledges texture work.
    virtual void afterRender(ImDrawData* data) = 0;
    // Textures: returns an ImTextureID for RGBA pixels; destroyTexture releases it.
    virtual std::uint64_t createTexture(const std::uint8_t* rgba, int width, int height) = 0;
    virtual void destroyTexture(std::uint64_t id) = 0;
};

// Texture ids are only meaningful under the back end that made them: each activation
// gets a new generation number, and textures re-create their id when it changed.
void activateTextureDevice(Backend* backend);
void deactivateTextureDevice(Backend* backend);

// The headless renderer's work: hand out ids for new textures and mark updates done.
void acknowledgeTextures(ImDrawData* data);

} // namespace zolt::ui::detail
