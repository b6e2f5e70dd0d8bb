#pragma once
// ScrollView: shows its children through its own rectangle, scrolled by the mouse wheel.
// Children keep their own positions and desired sizes; the content extent is the farthest
// child edge. The offset stays within 0 .. (content - view) on each axis, so content that
// fits does not scroll. Drawing, panels and hit testing are clipped to the view.

#include "zolt/ui/Widget.hpp"

namespace zolt::ui {

class ScrollView : public Widget {
public:
    explicit ScrollView(Widget* parent, const Vec2& position = {}, const Vec2& size = {});

    // Scroll offset in pixels (0, 0 = top-left of the content visible).
    Vec2 getScrollOffset() const { return offset_; }
    void setScrollOffset(const Vec2& offset);
    // Pixels scrolled per wheel step (default 40).
    void setScrollSpeed(float pixelsPerStep);
    // Width and height of the content.
    Vec2 getContentSize() const;

    void draw(Renderer& renderer, float z, float opacity) override;
    bool onMouseWheel(const MouseEvent& event) override;
    bool shouldDispatchMouseMoveToChild(const Widget& child, const MouseEvent& event) const override;
    bool shouldDispatchMouseWheelToChild(const Widget& child, const MouseEvent& event) const override;
    bool shouldDispatchMouseButtonDownToChild(const Widget& child, const MouseEvent& event) const override;
    bool shouldDispatchMouseButtonUpToChild(const Widget& child, const MouseEvent& event) const override;

protected:
    void layoutChildren() override;

private:
    Vec2 clampOffset(const Vec2& offset) const;
    Vec2 offset_;
    float speed_ = 40.0f;
};

} // namespace zolt::ui
