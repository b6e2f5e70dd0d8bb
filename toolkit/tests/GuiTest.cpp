// A real window under X (Xvfb in the test suite) with OpenGL: widgets, a textured
// rectangle, ImGui panels and clipping are rendered, read back and checked by colour.

#include "TestSupport.hpp"

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_stdlib.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include <stb_image_write.h>

using namespace zolt::ui;

namespace {

struct Pixel {
    int r, g, b;
};

class GuiWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "no X display";
        }
        app = std::make_unique<Application>(RenderContext::create(kBackendOpenGL, "gui test"), "gui test");
        window = Application::createWindow("gui test", 320, 240,
                                           kWindowVisible | kWindowDecorated | kWindowResizable);
        window->setClearColor(Color{16, 16, 16, 255});
    }
    void TearDown() override { app.reset(); }

    const Image& capture(const std::string& name) {
        app->runFrames(2);
        window->requestCapture();
        app->runFrame();
        const Image* image = window->getCapture();
        EXPECT_NE(image, nullptr);
        const std::string path = std::string(SCREENSHOT_DIR) + "/" + name + ".png";
        stbi_write_png(path.c_str(), image->width, image->height, 4, image->rgba.data(), image->width * 4);
        return *image;
    }
    static Pixel at(const Image& image, int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                               static_cast<std::size_t>(x)) * 4;
        return Pixel{image.rgba[i], image.rgba[i + 1], image.rgba[i + 2]};
    }
    static void expectColor(const Image& image, int x, int y, Pixel want, const char* what) {
        const Pixel got = at(image, x, y);
        EXPECT_NEAR(got.r, want.r, 3) << what << " at " << x << "," << y;
        EXPECT_NEAR(got.g, want.g, 3) << what << " at " << x << "," << y;
        EXPECT_NEAR(got.b, want.b, 3) << what << " at " << x << "," << y;
    }

    std::unique_ptr<Application> app;
    Window* window = nullptr;
};

TEST_F(GuiWindow, RendersWidgetsPanelsAndClipping) {
    const auto devices = app->getRenderContext().enumerateDevices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_FALSE(devices[0].name.empty());

    Widget* root = window->getRootWidget();
    auto* red = root->addChild<Rectangle>(Vec2{10, 10}, Vec2{100, 50});
    red->setColor(Color{255, 0, 0, 255});

    auto* button = root->addChild<Button>(Vec2{150, 10}, Vec2{100, 40});
    button->setBackgroundColor(Color{0, 0, 255, 255});
    button->getText()->setText("OK");
    button->getText()->setColor(Color{255, 255, 255, 255});

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

    const Image& shot = capture("toolkit-gui");
    ASSERT_EQ(shot.width, 320);
    ASSERT_EQ(shot.height, 240);
    expectColor(shot, 5, 5, {16, 16, 16}, "clear colour");
    expectColor(shot, 60, 35, {255, 0, 0}, "rectangle");
    expectColor(shot, 155, 15, {0, 0, 255}, "button background");
    expectColor(shot, 30, 120, {0, 255, 0}, "textured rectangle, untinted");
    expectColor(shot, 200, 110, {16, 16, 16}, "above the panel inside the view");
    expectColor(shot, 200, 140, {255, 255, 0}, "panel inside the view");
    expectColor(shot, 200, 170, {16, 16, 16}, "panel cut at the view's bottom edge");
    expectColor(shot, 285, 135, {0, 255, 255}, "canvas drawn after the panel");
    // The label: some pixels of the button differ from its background.
    int lit = 0;
    for (int y = 10; y < 50; ++y) {
        for (int x = 150; x < 250; ++x) {
            lit += at(shot, x, y).r > 128 ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 10);
}

// Real X events (xdotool) through GLFW's callbacks: a click on a toolkit button, then a
// click into an ImGui text input and typed characters.
TEST_F(GuiWindow, WindowSystemInputReachesButtonsAndPanels) {
    if (std::system("command -v xdotool > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "xdotool not installed";
    }
    int clicks = 0;
    auto* button = window->getRootWidget()->addChild<Button>(Vec2{20, 20}, Vec2{80, 30});
    button->setOnClick([&] { ++clicks; });
    auto* panel = window->getRootWidget()->addChild<ImGuiPanel>(Vec2{20, 100}, Vec2{200, 40});
    std::string text;
    panel->setBuildImGuiFunction([&] {
        ImGui::SetNextItemWidth(180);
        ImGui::InputText("##typed", &text);
    });
    app->runFrames(3);
    window->setTitle("gui input test");
    app->runFrames(2);
    // Frames run until the events have arrived, bounded by a frame count, not by sleeping.
    auto runUntil = [&](auto done) {
        for (int i = 0; i < 2000 && !done(); ++i) {
            app->runFrame();
        }
    };
    const std::string target = "xdotool search --sync --name '^gui input test$' ";
    ASSERT_EQ(std::system((target + "mousemove --window %1 40 30 click 1").c_str()), 0);
    runUntil([&] { return clicks == 1; });
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(std::system((target + "mousemove --window %1 60 110").c_str()), 0);
    runUntil([&] { return window->getMousePosition().y > 100; });
    app->runFrames(2);
    ASSERT_EQ(std::system("xdotool mousedown 1"), 0);
    app->runFrames(3);
    ASSERT_EQ(std::system("xdotool mouseup 1"), 0);
    runUntil([&] { return window->getFocusedWidget() == panel; });
    app->runFrames(3);
    ASSERT_EQ(std::system("xdotool type --delay 30 'ok7'"), 0);
    runUntil([&] { return text == "ok7"; });
    EXPECT_EQ(text, "ok7");
}

// The loop sleeps between frames; what needs a frame wakes it long before the idle
// interval runs out: a callback dispatched from another thread, and a frame asked for
// at a time.
TEST_F(GuiWindow, ASleepingLoopWakesForWhatNeedsAFrame) {
    app->setIdleFrameInterval(std::chrono::seconds(60));
    app->runFrames(2);
    const auto start = std::chrono::steady_clock::now();
    // Posted after the frame's dispatched callbacks ran: only the next frame runs it.
    std::thread worker;
    int key = 0;
    Application::registerTickCallback(&key, [&] {
        if (!worker.joinable()) {
            worker = std::thread([] { Application::dispatchToMainThread([] { Application::instance()->quit(); }); });
        }
    });
    app->run();
    worker.join();
    int ticks = 0;
    Application::registerTickCallback(&key, [&] {
        if (++ticks == 3) {
            Application::instance()->quit();
        }
        Application::requestFrameAt(std::chrono::steady_clock::now() + std::chrono::milliseconds(20));
    });
    app->run();
    Application::unregisterTickCallback(&key);
    EXPECT_EQ(ticks, 3);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

} // namespace
