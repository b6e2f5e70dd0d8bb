#pragma once

// The loading indicator: the "icons/loading.png" image turning about its centre at 180
// degrees a second.

#include <zolt/ui/Texture.hpp>
#include <zolt/ui/Widget.hpp>

class Spinner : public zolt::ui::Widget {
public:
    Spinner(zolt::ui::Widget* parent, const zolt::ui::Vec2& position, const zolt::ui::Vec2& size);
    ~Spinner() override;

    // Turns by the window's frame time (180 degrees a second); past 359 degrees it starts
    // again at 0.
    void update() override;
    // Paints the image untinted, rotated about its centre; then the children.
    void draw(zolt::ui::Renderer& renderer, float z, float opacity) override;

private:
    const zolt::ui::Texture* texture;
};
