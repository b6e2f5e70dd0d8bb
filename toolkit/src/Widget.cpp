#include "zolt/ui/Widget.hpp"

#include "WindowImpl.hpp"
#include "zolt/ui/Window.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace zolt::ui {

namespace {

// An unbounded minimum sets no minimum (it asks for as much as a Stack can give).
float clampAxis(float value, float lo, float hi) {
    lo = lo >= kUnbounded ? 0.0f : lo;
    return std::max(lo, std::min(value, std::max(lo, hi)));
}

} // namespace

Widget::Widget(Widget* parent, const Vec2& position, const Vec2& size)
    : lifetimeToken_(std::make_shared<char>('\0')), parent_(parent),
      window_(parent != nullptr ? parent->window_ : nullptr), position_(position), preferredSize_(size) {
    if (parent == nullptr) {
        throw std::invalid_argument("a widget needs a parent");
    }
}

Widget::Widget(RootTag, Window* window) : lifetimeToken_(std::make_shared<char>('\0')), window_(window) {}

Widget::~Widget() {
    lifetimeToken_.reset();
    while (!children_.empty()) {
        children_.pop_back(); // newest first
    }
    if (window_ != nullptr) {
        detail::WindowAccess::forget(*window_, this);
    }
}

void Widget::adopt(std::unique_ptr<Widget> child) {
    children_.push_back(std::move(child));
    markLayoutDirty();
}

void Widget::removeChild(Widget* child) {
    auto it = std::find_if(children_.begin(), children_.end(),
                           [child](const std::unique_ptr<Widget>& c) { return c.get() == child; });
    if (it != children_.end()) {
        std::unique_ptr<Widget> doomed = std::move(*it);
        children_.erase(it);
        doomed.reset();
        markLayoutDirty();
    }
}

WindowContext& Widget::getWindowContext() const {
    return window_->getWindowContext();
}

void Widget::markLayoutDirty() const {
    if (window_ != nullptr) {
        detail::WindowAccess::markDirty(*window_);
    }
}

void Widget::setPosition(const Vec2& position) {
    if (position != position_) {
        position_ = position;
        markLayoutDirty();
    }
}

void Widget::setPreferredSize(const Vec2& size) {
    if (size != preferredSize_) {
        preferredSize_ = size;
        markLayoutDirty();
    }
}

void Widget::setMinSize(const Vec2& size) {
    if (size != minSize_) {
        minSize_ = size;
        markLayoutDirty();
    }
}

void Widget::setMaxSize(const Vec2& size) {
    if (size != maxSize_) {
        maxSize_ = size;
        markLayoutDirty();
    }
}

void Widget::setVisible(bool visible) {
    if (visible != visible_) {
        visible_ = visible;
        markLayoutDirty();
    }
}

bool Widget::isEffectivelyVisible() const {
    for (const Widget* w = this; w != nullptr; w = w->parent_) {
        if (!w->visible_) {
            return false;
        }
    }
    return true;
}

void Widget::setRotation(float degrees) {
    rotation_ = degrees;
}

void Widget::setOrigin(const Vec2& origin) {
    origin_ = origin;
}

void Widget::setContentOffset(const Vec2& offset) {
    contentOffset_ = offset;
}

Vec2 Widget::getWorldPosition() const {
    Vec2 p = position_;
    for (const Widget* w = parent_; w != nullptr; w = w->parent_) {
        p.x += w->position_.x + w->contentOffset_.x;
        p.y += w->position_.y + w->contentOffset_.y;
    }
    return p;
}

float Widget::getWorldAngle() const {
    float angle = 0.0f;
    for (const Widget* w = this; w != nullptr; w = w->parent_) {
        angle += w->rotation_;
    }
    return angle;
}

Vec2 Widget::getDesiredSize() const {
    Vec2 natural;
    if (preferredSize_.x <= 0.0f || preferredSize_.y <= 0.0f) {
        natural = naturalSize();
    }
    const float w = preferredSize_.x > 0.0f ? preferredSize_.x : natural.x;
    const float h = preferredSize_.y > 0.0f ? preferredSize_.y : natural.y;
    return Vec2{clampAxis(w, minSize_.x, maxSize_.x), clampAxis(h, minSize_.y, maxSize_.y)};
}

Vec4 Widget::getVisibleRect() const {
    Vec2 p = getWorldPosition();
    Vec4 r{p.x, p.y, p.x + actualSize_.x, p.y + actualSize_.y};
    for (const Widget* w = parent_; w != nullptr; w = w->parent_) {
        if (w->clipsChildren_) {
            Vec2 q = w->getWorldPosition();
            r.x = std::max(r.x, q.x);
            r.y = std::max(r.y, q.y);
            r.z = std::min(r.z, q.x + w->actualSize_.x);
            r.w = std::min(r.w, q.y + w->actualSize_.y);
        }
    }
    return r;
}

bool Widget::contains(const Vec2& point) const {
    const Vec2 p = getWorldPosition();
    float x = point.x - p.x;
    float y = point.y - p.y;
    const float angle = getWorldAngle();
    if (angle != 0.0f) {
        // Undo the turn about the origin.
        const float radians = -angle * std::numbers::pi_v<float> / 180.0f;
        const float c = std::cos(radians);
        const float s = std::sin(radians);
        const float dx = x - origin_.x;
        const float dy = y - origin_.y;
        x = origin_.x + dx * c - dy * s;
        y = origin_.y + dx * s + dy * c;
    }
    return x >= 0.0f && y >= 0.0f && x < actualSize_.x && y < actualSize_.y;
}

Vec2 Widget::naturalSize() const {
    return Vec2{};
}

void Widget::placeChild(Widget& child, const Vec2& position, const Vec2& size) {
    child.position_ = position;
    if (!child.sized_ || size != child.actualSize_) {
        child.actualSize_ = size;
        child.sized_ = true;
        child.resized();
    }
}

void Widget::layoutChildren() {
    for (std::size_t i = 0; i < children_.size(); ++i) {
        Widget& child = *children_[i];
        placeChild(child, child.position_, child.getDesiredSize());
    }
}

void Widget::layoutTree() {
    layoutChildren();
    for (std::size_t i = 0; i < children_.size(); ++i) {
        children_[i]->layoutTree();
    }
}

void Widget::resized() {}
void Widget::onMouseEnter(const MouseEvent&) {}
void Widget::onMouseLeave(const MouseEvent&) {}
bool Widget::onMouseMove(const MouseEvent&) { return false; }
bool Widget::onMouseButtonDown(const MouseEvent&) { return false; }
bool Widget::onMouseButtonUp(const MouseEvent&) { return false; }
bool Widget::onMouseWheel(const MouseEvent&) { return false; }
bool Widget::onKeyDown(const KeyEvent&) { return false; }
bool Widget::onKeyUp(const KeyEvent&) { return false; }
bool Widget::onTextInput(unsigned int) { return false; }
void Widget::onFocusGained() {}
void Widget::onFocusLost() {}
bool Widget::acceptsFocus() const { return false; }
bool Widget::shouldDispatchMouseMoveToChild(const Widget&, const MouseEvent&) const { return true; }
bool Widget::shouldDispatchMouseWheelToChild(const Widget&, const MouseEvent&) const { return true; }
bool Widget::shouldDispatchMouseButtonDownToChild(const Widget&, const MouseEvent&) const { return true; }
bool Widget::shouldDispatchMouseButtonUpToChild(const Widget&, const MouseEvent&) const { return true; }

void Widget::draw(Renderer& renderer, float z, float opacity) {
    for (std::size_t i = 0; i < children_.size(); ++i) {
        Widget& child = *children_[i];
        if (child.visible_) {
            child.draw(renderer, z, opacity);
        }
    }
}

void Widget::update() {
    for (std::size_t i = 0; i < children_.size(); ++i) {
        children_[i]->update();
    }
}

} // namespace zolt::ui
