// Input routing: buttons, scroll views, focus, and ImGui panels driven by injected input.

#include "TestSupport.hpp"

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_stdlib.h>

#include <string>

using namespace zolt::ui;

namespace {

struct ButtonFixture : ::testing::Test {
    test::HeadlessApp h{400, 300};
    Button* button = h.root()->addChild<Button>(Vec2{50, 50}, Vec2{100, 40});
    int clicks = 0;
    void SetUp() override {
        button->setOnClick([this] { ++clicks; });
        button->setBackgroundColor(Color{1, 1, 1, 255});
        button->setHoverColor(Color{2, 2, 2, 255});
        button->setPressedColor(Color{3, 3, 3, 255});
        button->setLockedColor(Color{4, 4, 4, 80});
        h.frames();
    }
    void press(float x, float y) {
        h.window->injectMouseMove(x, y);
        h.window->injectMouseButton(kMouseLeft, true);
    }
    void release(float x, float y) {
        h.window->injectMouseMove(x, y);
        h.window->injectMouseButton(kMouseLeft, false);
    }
};

TEST_F(ButtonFixture, ClicksCountOnlyWithPressAndReleaseOnAnUnlockedButtonAndColoursFollow) {
    EXPECT_EQ(button->getCurrentColor(), (Color{1, 1, 1, 255}));
    h.window->injectMouseMove(60, 60);
    EXPECT_EQ(button->getCurrentColor(), (Color{2, 2, 2, 255}));
    h.window->injectMouseButton(kMouseLeft, true);
    EXPECT_EQ(button->getCurrentColor(), (Color{3, 3, 3, 255}));
    h.window->injectMouseMove(300, 200); // still held, pointer off: not shown pressed
    EXPECT_EQ(button->getCurrentColor(), (Color{1, 1, 1, 255}));
    release(300, 200);
    h.click(100, 70);
    h.click(149, 89);
    EXPECT_EQ(clicks, 2);
    press(100, 70);
    release(300, 200); // dragged off
    press(300, 200);
    release(100, 70);  // dragged on
    h.click(10, 10);   // beside it
    h.click(150, 70);  // one pixel past the right edge
    button->setLocked(true);
    h.click(100, 70);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(button->getCurrentColor(), (Color{4, 4, 4, 80}));
}

TEST_F(ButtonFixture, TextIsCentredAndTheHandlerMayDestroyTheButton) {
    button->getText()->setText("OK");
    button->getText()->setFontSize(20);
    h.frames();
    const Vec2 textPos = button->getText()->getWorldPosition();
    const Vec2 textSize = button->getText()->getActualSize();
    EXPECT_NEAR(textPos.x + textSize.x / 2, 100, 0.5f);
    EXPECT_NEAR(textPos.y + textSize.y / 2, 70, 0.5f);
    button->setOnClick([this] { h.root()->removeChild(button); });
    auto token = button->lifetime();
    h.click(100, 70);
    EXPECT_TRUE(token.expired());
    h.click(100, 70); // nothing left there
}

struct ScrollFixture : ::testing::Test {
    test::HeadlessApp h{400, 300};
    ScrollView* view = h.root()->addChild<ScrollView>(Vec2{0, 100}, Vec2{200, 100});
    Widget* content = view->addChild<Widget>(Vec2{0, 0}, Vec2{200, 500});
    Button* inside = content->addChild<Button>(Vec2{0, 150}, Vec2{200, 20});
    Button* outside = h.root()->addChild<Button>(Vec2{0, 0}, Vec2{200, 100});
    int insideClicks = 0;
    int outsideClicks = 0;
    void SetUp() override {
        inside->setOnClick([this] { ++insideClicks; });
        outside->setOnClick([this] { ++outsideClicks; });
        h.frames();
    }
};

// The wheel scrolls and clamps at the ends; content outside the viewport cannot be hit and does
// not cover what lies above; no scroll outside the view or for shorter content.
TEST_F(ScrollFixture, WheelScrollsClampsAndOnlyTheViewportIsHit) {
    h.click(100, 255); // the inside button starts at 250, below the 100..200 viewport
    EXPECT_EQ(insideClicks, 0);
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
    for (int i = 0; i < 20; ++i) {
        h.window->injectMouseWheel(0, 1);
    }
    h.frames();
    EXPECT_EQ(view->getScrollOffset(), (Vec2{0, 0}));
    h.window->injectMouseMove(300, 150);
    h.window->injectMouseWheel(0, -3);
    h.frames();
    EXPECT_EQ(view->getScrollOffset(), (Vec2{0, 0}));
    content->setPreferredSize(Vec2{200, 80});
    h.frames();
    h.window->injectMouseMove(100, 150);
    h.window->injectMouseWheel(0, -1);
    h.frames();
    EXPECT_EQ(view->getScrollOffset(), (Vec2{0, 0}));
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
    auto* inner = a->addChild<Widget>(Vec2{10, 10}, Vec2{20, 20}); // not focusable itself
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
    (void)inner;
}

// An ImGui panel with a text input and a button, placed away from the origin.
struct PanelFixture : ::testing::Test {
    test::HeadlessApp h{600, 400};
    ImGuiPanel* panel = h.root()->addChild<ImGuiPanel>(Vec2{100, 50}, Vec2{300, 200});
    std::string text;
    int presses = 0;
    bool inputActive = false;
    ImVec2 inputCenter;
    ImVec2 buttonCenter;
    void SetUp() override {
        panel->setDefaultFont(nullptr, 16.0f, nullptr);
        panel->setBuildImGuiFunction([this] {
            ImGui::InputText("##name", &text);
            inputActive = ImGui::IsItemActive();
            inputCenter = centre();
            if (ImGui::Button("Apply")) {
                ++presses;
            }
            buttonCenter = centre();
        });
        h.frames(2);
    }
    static ImVec2 centre() {
        ImVec2 min = ImGui::GetItemRectMin();
        ImVec2 max = ImGui::GetItemRectMax();
        return ImVec2((min.x + max.x) / 2, (min.y + max.y) / 2);
    }
    // Panel coordinates to window coordinates.
    void clickAt(ImVec2 p) { h.click(100 + p.x, 50 + p.y); }
    void key(ImGuiKey k, int mods = 0) {
        h.window->injectKey(k, true, mods);
        h.frames();
        h.window->injectKey(k, false, mods);
        h.frames();
    }
};

TEST_F(PanelFixture, TypingCopyAndPasteInATextInput) {
    clickAt(inputCenter);
    h.window->injectText("10.0.0.5");
    h.frames();
    EXPECT_EQ(text, "10.0.0.5");
    key(ImGuiKey_Backspace);
    EXPECT_EQ(text, "10.0.0.");
    h.window->injectChar(0x00E9); // é arrives as UTF-8
    h.frames();
    EXPECT_EQ(text, "10.0.0.\xC3\xA9");
    key(ImGuiKey_A, kModCtrl);
    key(ImGuiKey_C, kModCtrl);
    EXPECT_EQ(h.window->getClipboardText(), "10.0.0.\xC3\xA9");
    h.window->setClipboardText("+pasted");
    key(ImGuiKey_End);
    key(ImGuiKey_V, kModCtrl);
    EXPECT_EQ(text, "10.0.0.\xC3\xA9+pasted");
    EXPECT_TRUE(inputActive);
    h.click(550, 350); // outside the panel: text goes nowhere, and the field looks idle
    h.window->injectText("cd");
    h.frames(2);
    EXPECT_EQ(text, "10.0.0.\xC3\xA9+pasted");
    EXPECT_FALSE(inputActive);
    clickAt(buttonCenter);
    EXPECT_EQ(presses, 1);
}

TEST_F(PanelFixture, PanelInsideAScrollViewGetsPointerInItsOwnCoordinates) {
    // Move the panel into a scroll view and scroll it: clicks must still find the button.
    auto* view = h.root()->addChild<ScrollView>(Vec2{0, 0}, Vec2{600, 100});
    auto* scrolled = view->addChild<ImGuiPanel>(Vec2{0, 0}, Vec2{600, 400});
    int scrolledPresses = 0;
    ImVec2 target;
    scrolled->setBuildImGuiFunction([&] {
        ImGui::SetCursorPos(ImVec2(10, 250));
        if (ImGui::Button("Deep")) {
            ++scrolledPresses;
        }
        target = centre();
    });
    h.frames(2);
    h.window->injectMouseMove(300, 50);
    h.window->injectMouseWheel(0, -5); // wheel over the panel reaches the scroll view: 200 px
    h.frames(2);
    EXPECT_EQ(view->getScrollOffset(), (Vec2{0, 200}));
    h.click(target.x, target.y - 200);
    EXPECT_EQ(scrolledPresses, 1);
}

} // namespace
