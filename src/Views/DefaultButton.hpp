#pragma once

// The application's standard button: a toolkit button in the accent colours with the
// default font at the normal size. With keyboard handlers it also takes the keyboard
// focus (focus that came by keyboard shows in its hover colour): Enter or Space activate
// it, Tab moves on.

#include <zolt/ui/Button.hpp>

#include <functional>

class DefaultButton : public zolt::ui::Button {
public:
    // A button at (x, y) of width x height inside `parent`, styled by applyStyle().
    DefaultButton(zolt::ui::Widget* parent, float x, float y, float width, float height);
    ~DefaultButton() override;

    // Accent background, hover, pressed and locked colours; text colour, font and size.
    void applyStyle();

    // Keyboard use: `activate` on Enter or Space (as a click would, also when locked: the
    // handler decides), `tab` on Tab with whether Shift was held.
    void setKeyboardHandlers(std::function<void()> activate, std::function<void(bool backwards)> tab);

    bool acceptsFocus() const override { return static_cast<bool>(activate); }
    bool onKeyDown(const zolt::ui::KeyEvent& event) override;
    void onFocusGained() override;
    void onFocusLost() override;

private:
    std::function<void()> activate;
    std::function<void(bool)> tab;
};
