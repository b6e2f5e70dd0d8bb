#pragma once
// ImGuiPanel: a rectangle whose content is built with Dear ImGui every frame.
//
// Each panel owns an ImGui context with its own font atlas. In every frame in which the
// panel is visible (it and its ancestors), the toolkit makes its context current, sets the
// display to the panel's size, opens one borderless, transparent window covering the panel
// (no title, no scroll bars, no moving) and calls the build function inside it; the
// output is drawn clipped to the panel and to any ScrollView around it. Only the part of
// the panel that can be seen is the window's clip rectangle, so ImGui's clipper skips
// rows outside it.
//
// Input: while the pointer is over the panel (or it holds the mouse capture) it gets the
// mouse position in panel pixels and the buttons; it gets the wheel too, and passes the
// wheel on to its parents (a ScrollView around it scrolls); when it has the keyboard focus
// (a press on it gives it) it gets keys, characters and the window's clipboard.
// The build function runs on the UI thread with the panel's context current; it must
// not throw.

#include "zolt/ui/Texture.hpp"
#include "zolt/ui/Widget.hpp"

#include <imgui.h>

#include <functional>

namespace zolt::ui {

class Font;

class ImGuiPanel : public Widget {
public:
    explicit ImGuiPanel(Widget* parent, const Vec2& position = {}, const Vec2& size = {});
    ~ImGuiPanel() override;

    void setBuildImGuiFunction(std::function<void()> build);
    ImGuiContext* getImGuiContext() const { return context_; }
    // Makes `font` (not owned; null = the built-in font) at `size` pixels the context's
    // default font. `glyphRanges` (pairs of code points, zero-terminated, kept by the
    // caller) limits the glyphs; null takes ImGui's default ranges.
    void setDefaultFont(const Font* font, float size, const ImWchar* glyphRanges);
    ImFont* getDefaultImFont() const { return defaultFont_; }
    // The visible part of the panel in panel pixels (x, y = min, z, w = max), as of its
    // last ImGui frame.
    Vec4 getVisibleArea() const { return visible_; }

    // Toolkit-internal: runs one ImGui frame (build function included) and keeps its draw
    // data for the renderer.
    void buildFrame(float deltaSeconds);
    ImDrawData* getDrawData() const;

    void draw(Renderer& renderer, float z, float opacity) override;
    void onMouseEnter(const MouseEvent& event) override;
    void onMouseLeave(const MouseEvent& event) override;
    bool onMouseMove(const MouseEvent& event) override;
    bool onMouseButtonDown(const MouseEvent& event) override;
    bool onMouseButtonUp(const MouseEvent& event) override;
    bool onMouseWheel(const MouseEvent& event) override;
    bool onKeyDown(const KeyEvent& event) override;
    bool onKeyUp(const KeyEvent& event) override;
    bool onTextInput(unsigned int codepoint) override;
    void onFocusGained() override;
    void onFocusLost() override;
    bool acceptsFocus() const override;

private:
    void sendMods(int mods);
    ImGuiContext* context_ = nullptr;
    ImFont* defaultFont_ = nullptr;
    std::function<void()> build_;
    Vec4 visible_;
    bool rendererReady_ = false;
    bool frameBuilt_ = false;
    bool hovered_ = false;
    bool blurPending_ = false; // the focus left: end the active item in the next frame
    int buttons_ = 0; // mouse buttons held on the panel
};

// The ImGui texture reference of a toolkit texture (makes the graphics texture on first
// use); a null texture gives an invalid reference, which must not be drawn.
ImTextureRef toImTextureRef(const Texture* texture);

} // namespace zolt::ui
