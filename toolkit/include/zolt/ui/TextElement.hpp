#pragma once
// TextElement: one line of text in a Font. Its natural size is the text's extent (width,
// line height) at its font size, so Stacks make room for it.

#include "zolt/ui/Widget.hpp"

#include <string>

namespace zolt::ui {

class Font;

class TextElement : public Widget {
public:
    // `font` is not owned; null (or a built-in Font) uses the toolkit's built-in font.
    explicit TextElement(Widget* parent, const Font* font = nullptr, const std::string& text = {});

    void setText(const std::string& text);
    const std::string& getText() const { return text_; }
    void setColor(Color color);
    Color getColor() const { return color_; }
    void setFont(const Font* font);
    const Font* getFont() const { return font_; }
    // Size in pixels (default 16).
    void setFontSize(float size);
    float getFontSize() const { return fontSize_; }

    void draw(Renderer& renderer, float z, float opacity) override;

protected:
    Vec2 naturalSize() const override;

private:
    std::string text_;
    Color color_{255, 255, 255, 255};
    const Font* font_ = nullptr;
    float fontSize_ = 16.0f;
};

} // namespace zolt::ui
