#include "zolt/ui/Button.hpp"

#include "zolt/ui/TextElement.hpp"
#include "zolt/ui/Window.hpp"

namespace zolt::ui {

Button::Button(Widget* parent, const Vec2& position, const Vec2& size) : Rectangle(parent, position, size) {
    text_ = addChild<TextElement>();
}

void Button::setOnClick(std::function<void()> handler) {
    onClick_ = std::move(handler);
}

void Button::setBackgroundColor(Color color) {
    background_ = color;
}

void Button::setHoverColor(Color color) {
    hover_ = color;
}

void Button::setPressedColor(Color color) {
    pressedColor_ = color;
}

void Button::setLockedColor(Color color) {
    lockedColor_ = color;
}

void Button::setLocked(bool locked) {
    locked_ = locked;
    if (locked) {
        pressed_ = false;
    }
}

Color Button::getCurrentColor() const {
    if (locked_) {
        return lockedColor_;
    }
    if (pressed_ && hovered_) {
        return pressedColor_;
    }
    return hovered_ ? hover_ : background_;
}

void Button::draw(Renderer& renderer, float z, float opacity) {
    drawFill(renderer, z, opacity, getCurrentColor());
    Widget::draw(renderer, z, opacity);
}

void Button::onMouseEnter(const MouseEvent&) {
    hovered_ = true;
}

void Button::onMouseLeave(const MouseEvent&) {
    hovered_ = false;
}

bool Button::onMouseButtonDown(const MouseEvent& event) {
    if (event.button == kMouseLeft && !locked_) {
        pressed_ = true;
    }
    return true; // a press on a button never reaches what lies beneath it
}

bool Button::onMouseButtonUp(const MouseEvent& event) {
    if (event.button != kMouseLeft || !pressed_) {
        return false;
    }
    pressed_ = false;
    if (!locked_ && contains(event.position) && onClick_) {
        // The handler may destroy this button: keep a copy and touch nothing afterwards.
        std::function<void()> handler = onClick_;
        handler();
    }
    return true;
}

void Button::layoutChildren() {
    const Vec2 size = getActualSize();
    for (std::size_t i = 0; i < getChildCount(); ++i) {
        Widget& child = *getChild(i);
        const Vec2 d = child.getDesiredSize();
        if (&child == text_) {
            placeChild(child, Vec2{(size.x - d.x) / 2.0f, (size.y - d.y) / 2.0f}, d);
        } else {
            placeChild(child, child.getPosition(), d);
        }
    }
}

} // namespace zolt::ui
