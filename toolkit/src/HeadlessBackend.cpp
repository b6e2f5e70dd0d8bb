#include "HeadlessBackend.hpp"

#include <imgui.h>

#include <algorithm>

namespace zolt::ui::detail {

namespace {

// Fake texture ids: far from small integers so that they are never mistaken for GL names.
std::uint64_t nextTextureId = 0x100000;

class HeadlessWindow final : public NativeWindow {
public:
    HeadlessWindow(int width, int height) : width_(width), height_(height) {}
    int width() const override { return width_; }
    int height() const override { return height_; }
    void setSize(int width, int height) override {
        width_ = std::max(width, minWidth_);
        height_ = std::max(height, minHeight_);
    }
    void setMinSize(int width, int height) override {
        minWidth_ = width;
        minHeight_ = height;
        setSize(width_, height_);
    }
    void setTitle(const std::string&) override {}
    void setIcon(const std::vector<Image>&) override {}
    bool closeRequested() const override { return false; }
    void hide() override {}
    Vec2 framebufferScale() const override { return Vec2{1.0f, 1.0f}; }
    std::string clipboardText() const override { return clipboard_; }
    void setClipboardText(const std::string& text) override { clipboard_ = text; }
    void paint(const FramePaint&) override {}

private:
    int width_;
    int height_;
    int minWidth_ = 0;
    int minHeight_ = 0;
    std::string clipboard_;
};

} // namespace

void acknowledgeTextures(ImDrawData* data) {
    if (data == nullptr || data->Textures == nullptr) {
        return;
    }
    for (ImTextureData* t : *data->Textures) {
        switch (t->Status) {
        case ImTextureStatus_WantCreate:
            t->SetTexID(static_cast<ImTextureID>(nextTextureId++));
            t->SetStatus(ImTextureStatus_OK);
            break;
        case ImTextureStatus_WantUpdates: t->SetStatus(ImTextureStatus_OK); break;
        case ImTextureStatus_WantDestroy:
            if (t->UnusedFrames > 0) {
                t->SetTexID(ImTextureID_Invalid);
                t->SetStatus(ImTextureStatus_Destroyed);
            }
            break;
        default: break;
        }
    }
}

std::unique_ptr<NativeWindow> HeadlessBackend::createWindow(const std::string&, int width, int height, std::uint32_t,
                                                            WindowEvents&) {
    return std::make_unique<HeadlessWindow>(std::max(width, 0), std::max(height, 0));
}

void HeadlessBackend::attachRenderer(ImGuiContext*) {
    ImGuiIO& io = ImGui::GetIO();
    io.BackendRendererName = "zolt_headless";
    io.BackendFlags |= ImGuiBackendFlags_RendererHasTextures | ImGuiBackendFlags_RendererHasVtxOffset;
}

void HeadlessBackend::detachRenderer(ImGuiContext*) {
    ImGuiIO& io = ImGui::GetIO();
    io.BackendRendererName = nullptr;
    io.BackendFlags &= ~(ImGuiBackendFlags_RendererHasTextures | ImGuiBackendFlags_RendererHasVtxOffset);
}

std::uint64_t HeadlessBackend::createTexture(const std::uint8_t*, int, int) {
    return nextTextureId++;
}

} // namespace zolt::ui::detail
