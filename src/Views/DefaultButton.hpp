#pragma once

// The application's standard button: a toolkit button in the accent colours with the
// default font at the normal size.

#include <zolt/ui/Button.hpp>

class DefaultButton : public zolt::ui::Button {
public:
    // A button at (x, y) of width x height inside `parent`, styled by applyStyle().
    DefaultButton(zolt::ui::Widget* parent, float x, float y, float width, float height);
    ~DefaultButton() override;

    // Accent background, hover, pressed and locked colours; text colour, font and size.
    void applyStyle();
};
