// A real window under X (Xvfb in the test suite) with OpenGL: widgets, a textured
// rectangle, ImGui panels and clipping are rendered, read back and checked by colour.
// Text on a real window and real window-system input are checked by the end-to-end test.

#include "TestSupport.hpp"

#include <gtest/gtest.h>
#include <imgui.h>

#include <cstdlib>

using namespace zolt::ui;

namespace {

TEST(GuiWindow, RendersWidgetsPanelsAndClipping) {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "no X display";
    }
    Application app(RenderContext::create(kBackendOpenGL, "gui test"), "gui test");
    Window* window = Application::createWindow("gui test", 320, 240, kWindowVisible | kWindowDecorated | kWindowResizable);
    window->setClearColor(Color{16, 16, 16, 255});
    const auto devices = app.getRenderContext().enumerateDevices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_FALSE(devices[0].name.empty());

    Widget* root = window->getRootWidget();
    auto* red = root->addChild<Rectangle>(Vec2{10, 10}, Vec2{100, 50});
    red->setColor(Color{255, 0, 0, 255});

    auto* button = root->addChild<Button>(Vec2{150, 10}, Vec2{100, 40});
    button->setBackgroundColor(Color{0, 0, 255, 255});

    const auto png = test::solidPng(8, 8, Color{0, 255, 0, 255});
    Texture green(png.data(), png.size());
    auto* image = root->addChild<Rectangle>(Vec2{10, 100}, Vec2{40, 40});
    image->setTexture(&green);
    image->setColor(Color{0, 0, 0, 255}); // textured: the colour only lends its alpha

    // A panel that paints itself yellow, half hidden below a scroll view's edge.
    auto* view = root->addChild<ScrollView>(Vec2{150, 100}, Vec2{150, 60});
    auto* panel = view->addChild<ImGuiPanel>(Vec2{0, 20}, Vec2{150, 100});
    panel->setBuildImGuiFunction([] {
        ImDrawList* list = ImGui::GetWindowDrawList();
        list->AddRectFilled(ImVec2(0, 0), ImVec2(150, 100), IM_COL32(255, 255, 0, 255));
    });
    // Drawn after the panel, so it paints over it.
    auto* cyan = root->addChild<Rectangle>(Vec2{280, 130}, Vec2{10, 10});
    cyan->setColor(Color{0, 255, 255, 255});

    app.runFrames(2);
    window->requestCapture();
    app.runFrame();
    const Image* shot = window->getCapture();
    ASSERT_NE(shot, nullptr);
    ASSERT_EQ(shot->width, 320);
    ASSERT_EQ(shot->height, 240);
    const auto at = [&](int x, int y) {
        return &shot->rgba[(static_cast<std::size_t>(y) * 320 + static_cast<std::size_t>(x)) * 4];
    };
    const struct {
        int x, y, rgb[3];
        const char* what;
    } probes[] = {
        {5, 5, {16, 16, 16}, "clear colour"},
        {60, 35, {255, 0, 0}, "rectangle"},
        {155, 15, {0, 0, 255}, "button background"},
        {30, 120, {0, 255, 0}, "textured rectangle, untinted"},
        {200, 110, {16, 16, 16}, "above the panel inside the view"},
        {200, 140, {255, 255, 0}, "panel inside the view"},
        {200, 170, {16, 16, 16}, "panel cut at the view's bottom edge"},
        {285, 135, {0, 255, 255}, "canvas drawn after the panel"},
    };
    for (const auto& probe : probes) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(at(probe.x, probe.y)[c], probe.rgb[c], 3) << probe.what << ", channel " << c;
        }
    }
}

} // namespace
