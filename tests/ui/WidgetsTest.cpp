// The default button and the spinner on a headless window.

#include "UiTestSupport.hpp"

#include "AppTextures.hpp"
#include "AppTheme.hpp"
#include "Views/DefaultButton.hpp"
#include "Views/Spinner.hpp"

#include <gtest/gtest.h>
#include <imgui.h>

#include <cmath>

using zolt::ui::Vec2;

namespace {

// The theme's accent colours, text colour and font; clicks and locking are the toolkit's.
TEST(DefaultButton, TakesTheAccentColoursAndTheThemesFont) {
    uitest::HeadlessApp h;
    auto* button = h.root()->addChild<DefaultButton>(10.0f, 20.0f, 140.0f, 28.0f);
    h.app->runFrame();
    const AppTheme& theme = AppTheme::instance();
    EXPECT_EQ(button->getText()->getFont(), theme.defaultFont());
    EXPECT_EQ(button->getText()->getColor(), theme.textColor());
    EXPECT_EQ(button->getCurrentColor(), theme.accentColor());
    h.window->injectMouseMove(50, 30);
    EXPECT_EQ(button->getCurrentColor(), theme.accentHoverColor());
    h.window->injectMouseButton(zolt::ui::kMouseLeft, true);
    EXPECT_EQ(button->getCurrentColor(), theme.accentActiveColor());
    h.window->injectMouseButton(zolt::ui::kMouseLeft, false);
    button->setLocked(true);
    EXPECT_EQ(button->getCurrentColor(), theme.accentLockedColor());
}

struct SpinnerTest : ::testing::Test {
    uitest::HeadlessApp h{400, 400};
    zolt::ui::Stack* stack = h.root()->addChild<zolt::ui::Stack>(Vec2{0, 0}, Vec2{300, 400});
    Spinner* spinner = nullptr;
    void SetUp() override {
        stack->setDistribution(1);
        stack->setAlignment(1);
        spinner = stack->addChild<Spinner>(Vec2{0, 0}, Vec2{64, 64});
    }
};

TEST_F(SpinnerTest, TurnsByTheFrameTimeAt180DegreesASecondAndStartsAgainPast359) {
    h.app->setFixedFrameTime(100000);
    h.app->runFrame();
    EXPECT_FLOAT_EQ(spinner->getRotation(), 18.0f);
    struct Case {
        float from;
        std::uint64_t micros;
        float expected;
    };
    const Case cases[] = {
        {358.0f, 10000, 0.0f},      // 359.8: above 359, becomes 0 (not -0.2, not 359.8)
        {358.5f, 2777, 358.99986f}, // just below 359 stays
        {300.0f, 1000000, 0.0f},    // 480 after a one-second frame: 0, not 120
    };
    for (const Case& c : cases) {
        spinner->setRotation(c.from);
        h.app->setFixedFrameTime(c.micros);
        h.app->runFrame();
        EXPECT_NEAR(spinner->getRotation(), c.expected, 1e-3f) << "from " << c.from << " after " << c.micros << " us";
    }
}

TEST_F(SpinnerTest, DrawsTheImageUntintedAboutItsCentre) {
    h.app->setFixedFrameTime(250000); // 45 degrees
    h.app->runFrame();
    EXPECT_EQ(spinner->getWorldPosition(), (Vec2{118, 168})) << "centred in the 300 x 400 stack";
    const zolt::ui::Texture* texture = AppTextures::instance().getTexture(uitest::loadingPng);
    ASSERT_NE(texture, nullptr);
    const auto lists = h.window->getCanvasDrawLists();
    ASSERT_EQ(lists.size(), 1u);
    const ImDrawList& list = *lists[0];
    ASSERT_EQ(list.VtxBuffer.Size, 4);
    bool textured = false;
    for (const ImDrawCmd& cmd : list.CmdBuffer) {
        textured = textured || (cmd.ElemCount > 0 && cmd.TexRef.GetTexID() == static_cast<ImTextureID>(texture->getId()));
    }
    EXPECT_TRUE(textured);
    const float halfDiagonal = 32.0f * std::sqrt(2.0f);
    for (const ImDrawVert& v : list.VtxBuffer) {
        EXPECT_EQ(v.col, IM_COL32_WHITE);
        EXPECT_NEAR(std::hypot(v.pos.x - 150.0f, v.pos.y - 200.0f), halfDiagonal, 0.01f);
    }
    // Turned by 45 degrees, the top-left corner points straight up from the centre.
    EXPECT_NEAR(list.VtxBuffer[0].pos.x, 150.0f, 0.01f);
    EXPECT_NEAR(list.VtxBuffer[0].pos.y, 200.0f - halfDiagonal, 0.01f);
}

} // namespace
