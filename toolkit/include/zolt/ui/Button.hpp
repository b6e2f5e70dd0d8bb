#pragma once
// Button: a Rectangle that shows a centred TextElement and calls its click handler when the
// left button is pressed and released on it. Colours by state: locked, else pressed (the
// button is held and the pointer is on it), else hovered, else the background colour.
// A locked button ignores presses and never calls its handler.

#include "zolt/ui/Rectangle.hpp"

#include <functional>

namespace zolt::ui {

class TextElement;

class Button : public Rectangle {
public:
    explicit Button(Widget* parent, const Vec2& position = {}, const Vec2& size = {});

    // The button's label (owned by the button).
    TextElement* getText() const { return text_; }
    void setOnClick(std::function<void()> handler);
    void setBackgroundColor(Color color);
    void setHoverColor(Color color);
    void setPressedColor(Color color);
    void setLockedColor(Color color);
    void setLocked(bool locked);
    bool isLocked() const { return locked_; }
    bool isHovered() const { return hovered_; }
    bool isPressed() const { return pressed_; }
    // The colour the button paints with in its current state.
    Color getCurrentColor() const;

    void draw(Renderer& renderer, float z, float opacity) override;
    void onMouseEnter(const MouseEvent& event) override;
    void onMouseLeave(const MouseEvent& event) override;
    bool onMouseButtonDown(const MouseEvent& event) override;
    bool onMouseButtonUp(const MouseEvent& event) override;

protected:
    void layoutChildren() override;

private:
    TextElement* text_ = nullptr;
    std::function<void()> onClick_;
    Color background_{0x40, 0x40, 0x40, 0xFF};
    Color hover_{0x55, 0x55, 0x55, 0xFF};
    Color pressedColor_{0x30, 0x30, 0x30, 0xFF};
    Color lockedColor_{0x40, 0x40, 0x40, 0x80};
    bool locked_ = false;
    bool hovered_ = false;
    bool pressed_ = false;
};

} // namespace zolt::ui
