#include "Views/Spinner.hpp"

#include "AppTextures.hpp"

#include <zolt/ui/Application.hpp>
#include <zolt/ui/Draw.hpp>
#include <zolt/ui/Renderer.hpp>
#include <zolt/ui/Window.hpp>

namespace {
constexpr float degreesPerSecond = 180.0f;
constexpr float lastAngle = 359.0f;
} // namespace

Spinner::Spinner(zolt::ui::Widget* parent, const zolt::ui::Vec2& position, const zolt::ui::Vec2& size)
    : zolt::ui::Widget(parent), texture(AppTextures::instance().getTexture("icons/loading.png")) {
    setPosition(position);
    setPreferredSize(size);
    setOrigin(zolt::ui::Vec2{size.x / 2.0f, size.y / 2.0f});
}

Spinner::~Spinner() = default;

void Spinner::update() {
    auto elapsed = static_cast<float>(getWindowContext().getFrameTime());
    float rotation = getRotation() + elapsed / 1000000.0f * degreesPerSecond;
    // Past the last degree the turn starts again at 0 (not at rotation - 360).
    setRotation(rotation > lastAngle ? 0.0f : rotation);
    // The main loop sleeps when nothing asks for a frame; a turning spinner does.
    if (isEffectivelyVisible()) {
        zolt::ui::Application::requestFrame();
    }
    zolt::ui::Widget::update();
}

void Spinner::draw(zolt::ui::Renderer& renderer, float z, float opacity) {
    zolt::ui::draw::Rectangle rect;
    zolt::ui::Vec2 world = getWorldPosition();
    rect.position = zolt::ui::Vec3{world.x, world.y, z};
    rect.size = getActualSize();
    rect.angle = getWorldAngle();
    rect.origin = getOrigin();
    rect.texture = texture;
    rect.color = zolt::ui::Vec4{1.0f, 1.0f, 1.0f, 1.0f};
    rect.flags = zolt::ui::draw::kTextured;
    renderer.drawPrimitive(rect);
    zolt::ui::Widget::draw(renderer, z, opacity);
}
