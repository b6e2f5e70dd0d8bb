#include "zolt/ui/ScrollView.hpp"

#include "zolt/ui/Renderer.hpp"

#include <algorithm>

namespace zolt::ui {

ScrollView::ScrollView(Widget* parent, const Vec2& position, const Vec2& size) : Widget(parent, position, size) {
    setClipsChildren(true);
}

Vec2 ScrollView::getContentSize() const {
    Vec2 extent;
    for (std::size_t i = 0; i < getChildCount(); ++i) {
        const Widget* child = getChild(i);
        if (!child->isVisible()) {
            continue;
        }
        extent.x = std::max(extent.x, child->getPosition().x + child->getActualSize().x);
        extent.y = std::max(extent.y, child->getPosition().y + child->getActualSize().y);
    }
    return extent;
}

Vec2 ScrollView::clampOffset(const Vec2& offset) const {
    const Vec2 content = getContentSize();
    const Vec2 view = getActualSize();
    return Vec2{std::clamp(offset.x, 0.0f, std::max(0.0f, content.x - view.x)),
                std::clamp(offset.y, 0.0f, std::max(0.0f, content.y - view.y))};
}

void ScrollView::setScrollOffset(const Vec2& offset) {
    const Vec2 clamped = clampOffset(offset);
    if (clamped != offset_) {
        offset_ = clamped;
        markLayoutDirty(); // panels inside need their new place under the pointer
    }
    setContentOffset(Vec2{-offset_.x, -offset_.y});
}

void ScrollView::setScrollSpeed(float pixelsPerStep) {
    speed_ = pixelsPerStep;
}

void ScrollView::layoutChildren() {
    Widget::layoutChildren();
    setScrollOffset(offset_); // the content may have shrunk
}

void ScrollView::draw(Renderer& renderer, float z, float opacity) {
    const Vec2 p = getWorldPosition();
    const Vec2 s = getActualSize();
    renderer.pushClipRect(p, Vec2{p.x + s.x, p.y + s.y});
    Widget::draw(renderer, z, opacity);
    renderer.popClipRect();
}

bool ScrollView::onMouseWheel(const MouseEvent& event) {
    const Vec2 before = offset_;
    setScrollOffset(Vec2{offset_.x - event.wheel.x * speed_, offset_.y - event.wheel.y * speed_});
    return offset_ != before; // at an end, an outer scroll view may take the wheel
}

bool ScrollView::shouldDispatchMouseMoveToChild(const Widget&, const MouseEvent& event) const {
    return contains(event.position);
}

bool ScrollView::shouldDispatchMouseWheelToChild(const Widget&, const MouseEvent& event) const {
    return contains(event.position);
}

bool ScrollView::shouldDispatchMouseButtonDownToChild(const Widget&, const MouseEvent& event) const {
    return contains(event.position);
}

bool ScrollView::shouldDispatchMouseButtonUpToChild(const Widget&, const MouseEvent& event) const {
    return contains(event.position);
}

} // namespace zolt::ui
