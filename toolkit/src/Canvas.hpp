#pragma once
// The canvas of one window: its own ImGui context (font atlas for toolkit text) and the
// draw lists widgets paint into, cut into layers around the ImGui panels.

#include "Backend.hpp"
#include "zolt/ui/Draw.hpp"
#include "zolt/ui/Types.hpp"

#include <imgui.h>

#include <cstddef>
#include <map>
#include <memory>
#include <string_view>
#include <tuple>
#include <vector>

namespace zolt::ui {
class Font;
class ImGuiPanel;
} // namespace zolt::ui

namespace zolt::ui::detail {

class Canvas {
public:
    explicit Canvas(Backend& backend);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    ImGuiContext* context() const { return context_; }

    // Starts the canvas frame (the canvas context becomes current).
    void beginFrame(const Vec2& displaySize, float deltaSeconds);
    // Ends it: closes the ImGui frame, acknowledges textures headless. The canvas context
    // becomes current.
    void endFrame();

    // Extent of one line of text (width, line height).
    Vec2 measureText(const Font* font, float size, std::string_view text);

    void drawPrimitive(const draw::Primitive& primitive);
    void drawText(const Font* font, float size, const Vec2& position, const Vec4& color, std::string_view text);
    void pushClipRect(const Vec2& min, const Vec2& max);
    void popClipRect();
    Vec4 clipRect() const;
    void addPanel(ImGuiPanel& panel);

    const std::vector<Layer>& layers() const { return layers_; }

private:
    ImFont* fontFor(const Font* font);
    ImDrawList* list();
    void applyClip();

    Backend& backend_;
    ImGuiContext* context_ = nullptr;
    std::map<std::tuple<const void*, std::size_t, int>, ImFont*> fonts_;
    std::vector<std::unique_ptr<ImDrawList>> pool_;
    std::size_t used_ = 0;
    ImDrawList* current_ = nullptr;
    std::vector<Layer> layers_;
    std::vector<ImVec4> clips_;
    Vec2 displaySize_;
    bool inFrame_ = false;
};

} // namespace zolt::ui::detail
