#pragma once
// The headless back end: windows are plain sizes, nothing is painted, textures get fake ids.

#include "Backend.hpp"

namespace zolt::ui::detail {

class HeadlessBackend final : public Backend {
public:
    bool headless() const override { return true; }
    std::unique_ptr<NativeWindow> createWindow(const std::string& title, int width, int height, std::uint32_t flags,
                                               WindowEvents& events) override;
    void pollEvents() override {}
    void waitEvents(double) override {}
    void wakeUp() override {}
    void setVSync(bool) override {}
    void attachRenderer(ImGuiContext* context) override;
    void detachRenderer(ImGuiContext* context) override;
    void newFrame(ImGuiContext*) override {}
    void afterRender(ImDrawData* data) override { acknowledgeTextures(data); }
    std::uint64_t createTexture(const std::uint8_t* rgba, int width, int height) override;
    void destroyTexture(std::uint64_t) override {}
};

} // namespace zolt::ui::detail
