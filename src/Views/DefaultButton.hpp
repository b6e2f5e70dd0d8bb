#pragma once

// The application's standard button: a toolkit button in the accent colours with the
// default font at the normal size. It takes the keyboard focus (shown by an outline), and
// Enter or Space then press it.

#include <zolt/ui/Button.hpp>

class DefaultButton : public zolt::ui::Button {
public:
    // A button at (x, y) of width x height inside `parent`, styled by applyStyle().
    DefaultButton(zolt::ui::Widget* parent, float x, float y, float width, float height);
    ~DefaultButton() override;

    // Accent background, hover, pressed and locked colours; text colour, font and size.
    void applyStyle();
    bool hasFocus() const { return focused; }

    void draw(zolt::ui::Renderer& renderer, float z, float opacity) override;
    bool onKeyDown(const zolt::ui::KeyEvent& event) override;
    void onFocusGained() override { focused = true; }
    void onFocusLost() override { focused = false; }
    bool acceptsFocus() const override { return true; }

private:
    bool focused = false;
};
