// Input routing: buttons, scroll views, focus, and ImGui panels driven by injected input.

#include "TestSupport.hpp"

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_stdlib.h>

#include <string>

using namespace zolt::ui;

namespace {

// The colours of hover, press and lock are checked with the program's button (tests/ui).
TEST(Button, ClicksCountOnlyWithPressAndReleaseOnAnUnlockedButtonAndTheHandlerMayDestroyIt) {
    test::HeadlessApp h(400, 300);
    auto* button = h.root()->addChild<Button>(Vec2{50, 50}, Vec2{100, 40});
    int clicks = 0;
    button->setOnClick([&] { ++clicks; });
    h.frames();
    h.window->injectMouseMove(60, 60);
    h.window->injectMouseButton(kMouseLeft, true);
    const Color pressed = button->getCurrentColor();
    h.window->injectMouseMove(300, 200); // still held, pointer off: not shown pressed
    EXPECT_NE(button->getCurrentColor(), pressed);
    h.window->injectMouseButton(kMouseLeft, false); // dragged off
    h.window->injectMouseButton(kMouseLeft, true);
    h.window->injectMouseMove(100, 70);
    h.window->injectMouseButton(kMouseLeft, false); // dragged on
    h.click(10, 10);  // beside it
    h.click(150, 70); // one pixel past the right edge
    EXPECT_EQ(clicks, 0);
    h.click(100, 70);
    h.click(149, 89);
    EXPECT_EQ(clicks, 2);
    button->setLocked(true);
    h.click(100, 70);
    EXPECT_EQ(clicks, 2);
    button->setLocked(false);
    button->setOnClick([&] { h.root()->removeChild(button); });
    auto token = button->lifetime();
    h.click(100, 70);
    EXPECT_TRUE(token.expired());
    h.click(100, 70); // nothing left there
}

// The wheel scrolls and stops at the end; content outside the viewport cannot be hit and does
// not cover what lies above.
TEST(ScrollView, WheelScrollsClampsAndOnlyTheViewportIsHit) {
    test::HeadlessApp h(400, 300);
    auto* view = h.root()->addChild<ScrollView>(Vec2{0, 100}, Vec2{200, 100});
    auto* content = view->addChild<Widget>(Vec2{0, 0}, Vec2{200, 500});
    int insideClicks = 0;
    int outsideClicks = 0;
    content->addChild<Button>(Vec2{0, 150}, Vec2{200, 20})->setOnClick([&] { ++insideClicks; });
    h.root()->addChild<Button>(Vec2{0, 0}, Vec2{200, 100})->setOnClick([&] { ++outsideClicks; });
    h.frames();
    h.window->injectMouseMove(100, 150);
    h.window->injectMouseWheel(0, -1); // one step towards the user: content moves up
    h.frames();
    EXPECT_EQ(view->getScrollOffset(), (Vec2{0, 40}));
    EXPECT_FLOAT_EQ(content->getWorldPosition().y, 60);
    h.window->injectMouseWheel(0, -2); // the button is at 130..150
    h.frames();
    h.click(100, 140);
    EXPECT_EQ(insideClicks, 1);
    h.window->injectMouseWheel(0, -6); // scrolled up past the viewport's top
    h.frames();
    h.click(100, 50);
    EXPECT_EQ(outsideClicks, 1);
    EXPECT_EQ(insideClicks, 1);
    h.window->injectMouseMove(100, 150);
    for (int i = 0; i < 20; ++i) {
        h.window->injectMouseWheel(0, -1);
    }
    h.frames();
    EXPECT_EQ(view->getScrollOffset(), (Vec2{0, 400})); // 500 content - 100 view
}

TEST(Focus, PressMovesKeyboardFocusToTheNearestFocusableWidget) {
    struct Field : Widget {
        using Widget::Widget;
        bool acceptsFocus() const override { return true; }
        bool onTextInput(unsigned int c) override {
            text += static_cast<char>(c);
            return true;
        }
        std::string text;
    };
    test::HeadlessApp h(400, 300);
    auto* a = h.root()->addChild<Field>(Vec2{0, 0}, Vec2{100, 100});
    a->addChild<Widget>(Vec2{10, 10}, Vec2{20, 20}); // not focusable itself
    auto* b = h.root()->addChild<Field>(Vec2{200, 0}, Vec2{100, 100});
    h.frames();
    h.click(15, 15); // on the inner widget: its parent takes the focus
    EXPECT_EQ(h.window->getFocusedWidget(), a);
    h.window->injectText("hi");
    h.click(250, 50);
    h.window->injectText("yo");
    h.click(350, 250); // empty space clears the focus
    h.window->injectText("lost");
    EXPECT_EQ(a->text, "hi");
    EXPECT_EQ(b->text, "yo");
    EXPECT_EQ(h.window->getFocusedWidget(), nullptr);
}

// An ImGui panel away from the origin: typing, copy and paste in a text input that goes idle
// when a click lands outside, and a button; then a panel inside a scrolled scroll view, which
// must get the pointer in its own coordinates.
TEST(ImGuiPanel, TypingCopyPasteAndClicksAlsoInsideAScrolledView) {
    test::HeadlessApp h(600, 400);
    auto* panel = h.root()->addChild<ImGuiPanel>(Vec2{100, 50}, Vec2{300, 200});
    std::string text;
    int presses = 0;
    bool inputActive = false;
    ImVec2 inputCenter;
    ImVec2 buttonCenter;
    const auto centre = [] {
        const ImVec2 min = ImGui::GetItemRectMin();
        const ImVec2 max = ImGui::GetItemRectMax();
        return ImVec2((min.x + max.x) / 2, (min.y + max.y) / 2);
    };
    panel->setDefaultFont(nullptr, 16.0f, nullptr);
    panel->setBuildImGuiFunction([&] {
        ImGui::InputText("##name", &text);
        inputActive = ImGui::IsItemActive();
        inputCenter = centre();
        if (ImGui::Button("Apply")) {
            ++presses;
        }
        buttonCenter = centre();
    });
    const auto key = [&](ImGuiKey k, int mods) {
        h.window->injectKey(k, true, mods);
        h.frames();
        h.window->injectKey(k, false, mods);
        h.frames();
    };
    h.frames(2);
    h.click(100 + inputCenter.x, 50 + inputCenter.y);
    h.window->injectText("10.0.0.5");
    h.frames();
    EXPECT_EQ(text, "10.0.0.5");
    h.window->injectChar(0x00E9); // é arrives as UTF-8
    h.frames();
    EXPECT_EQ(text, "10.0.0.5\xC3\xA9");
    key(ImGuiKey_A, kModCtrl);
    key(ImGuiKey_C, kModCtrl);
    EXPECT_EQ(h.window->getClipboardText(), "10.0.0.5\xC3\xA9");
    h.window->setClipboardText("+pasted");
    key(ImGuiKey_End, 0);
    key(ImGuiKey_V, kModCtrl);
    EXPECT_EQ(text, "10.0.0.5\xC3\xA9+pasted");
    EXPECT_TRUE(inputActive);
    h.click(550, 350); // outside the panel: text goes nowhere, and the field looks idle
    h.window->injectText("cd");
    h.frames(2);
    EXPECT_EQ(text, "10.0.0.5\xC3\xA9+pasted");
    EXPECT_FALSE(inputActive);
    h.click(100 + buttonCenter.x, 50 + buttonCenter.y);
    EXPECT_EQ(presses, 1);

    auto* view = h.root()->addChild<ScrollView>(Vec2{0, 0}, Vec2{600, 100});
    auto* scrolled = view->addChild<ImGuiPanel>(Vec2{0, 0}, Vec2{600, 400});
    ImVec2 deepCenter;
    scrolled->setBuildImGuiFunction([&] {
        ImGui::SetCursorPos(ImVec2(10, 250));
        if (ImGui::Button("Deep")) {
            ++presses;
        }
        deepCenter = centre();
    });
    h.frames(2);
    h.window->injectMouseMove(300, 50);
    h.window->injectMouseWheel(0, -5); // wheel over the panel reaches the scroll view: 200 px
    h.frames(2);
    EXPECT_EQ(view->getScrollOffset(), (Vec2{0, 200}));
    h.click(deepCenter.x, deepCenter.y - 200);
    EXPECT_EQ(presses, 2);
}

} // namespace
