#pragma once
// Rectangle: a filled rectangle, or an image.
// Without a texture it fills its rectangle with its colour. With a texture it paints the
// texture over the rectangle untinted: only the colour's alpha applies (as opacity), so a
// black, opaque colour shows the image as it is.

#include "zolt/ui/Widget.hpp"

namespace zolt::ui {

class Texture;

class Rectangle : public Widget {
public:
    explicit Rectangle(Widget* parent, const Vec2& position = {}, const Vec2& size = {});

    void setColor(Color color);
    Color getColor() const { return color_; }
    // The texture is not owned; null removes it.
    void setTexture(const Texture* texture);
    const Texture* getTexture() const { return texture_; }

    void draw(Renderer& renderer, float z, float opacity) override;

protected:
    // Paints the rectangle in `color` (with the texture when there is one).
    void drawFill(Renderer& renderer, float z, float opacity, Color color) const;

private:
    Color color_{255, 255, 255, 255};
    const Texture* texture_ = nullptr;
};

} // namespace zolt::ui
