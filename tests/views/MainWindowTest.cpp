// The main window's layout, and its panes against the sample's live values. The history's
// and the figures' rules are the core's tests'.
#include "ViewsSupport.hpp"

#include "Logger.hpp"
#include "Views/LogView.hpp"
#include "Views/StatusLineView.hpp"
#include "Views/TrendView.hpp"

#include <limits>

namespace {

using zolt::ui::Vec2;

constexpr std::int64_t always = std::numeric_limits<std::int64_t>::max();

class MainWindowTest : public viewtest::ViewsTest {
protected:
    MainWindowTest() { liveValues = true; }

    TrendView& trend() const { return *mainWindow->getTrendView(); }
    StatusLineView& status() const { return *mainWindow->getStatusLine(); }
    void clickIn(const zolt::ui::ImGuiPanel& panel, zolt::ui::Vec4 rect) { click(centreIn(panel, rect)); }
};

TEST_F(MainWindowTest, TheTreeStopsAt600PixelsAndTheBottomPanesTakeTheirHeightDownToTheMinimum) {
    EXPECT_EQ(tree().getActualSize(), (Vec2{598.0f, 720.0f})) << "fill shares equally below the tree's 600";
    mainWindow->getTrendView()->setVisible(true);
    mainWindow->getLogView()->setVisible(true);
    window->setSize(1500, 900);
    frame(2);
    EXPECT_EQ(tree().getActualSize().x, 600.0f);
    EXPECT_EQ(inspectorView().getActualSize(), (Vec2{896.0f, 334.0f})) << "less trend 306 and log 180";
    window->setSize(600, 300);
    frame();
    EXPECT_EQ(window->getWidth(), 800) << "the window's minimum";
    EXPECT_EQ(window->getHeight(), 500);
}

TEST_F(MainWindowTest, ALiveCounterIsTrendedTheStatusLineCountsTheReadsAndTheLogPaneCopiesItsLines) {
    connectSample();
    for (const char* path : {"Counter", "Wave", "Message"}) {
        clickRow(path);
    }
    clickIn(*status().getPanel(), status().toggleRects().at(0));
    ASSERT_TRUE(trend().isVisible()) << "the status line's Trend box shows the pane";
    frame();
    ASSERT_EQ(trend().lastDrawn().legendBoxes.size(), 2u) << "the numeric rows: not the STRING";
    for (std::size_t row = 0; row < 2; ++row) {
        clickIn(*trend().getPanel(), trend().lastDrawn().legendBoxes[row].second);
    }
    EXPECT_EQ(trend().shownNames(), (std::vector<std::string>{"Counter", "Wave"}));

    const TrendSeries* counter = nullptr;
    ASSERT_TRUE(pumpUntil(
        [&] {
            counter = trend().getHistory().find("Counter");
            return counter != nullptr && counter->size() >= 3 &&
                   counter->range(0, always).max > counter->range(0, always).min;
        },
        "the counter to count"));
    frame();
    const TrendRange range = counter->range(0, always);
    EXPECT_EQ(range.last, std::stod(watched("Counter").value)) << "the inspector's last value";
    const TrendView::Drawn& drawn = trend().lastDrawn();
    EXPECT_EQ(drawn.points, (std::vector<std::size_t>{counter->size(), trend().getHistory().find("Wave")->size()}));
    EXPECT_LT(drawn.low, range.min);
    EXPECT_GT(drawn.high, range.max);

    EXPECT_NE(status().getText().find("0 errors since connect"), std::string::npos) << status().getText();

    clickIn(*trend().getPanel(), drawn.pauseButton);
    const std::size_t shown = trend().lastDrawn().points.front();
    const std::size_t kept = counter->size();
    ASSERT_TRUE(pumpUntil([&] { return counter->size() > kept; }, "another read"));
    frame();
    EXPECT_EQ(trend().lastDrawn().points.front(), shown) << "paused: the new value is kept, not drawn";

    window->setSize(800, 600); // a narrow status column: the state and the messaging
    frame(2);
    EXPECT_TRUE(topBar().getStatusLabel()->getText().starts_with("CONNECTED")) << topBar().getStatusLabel()->getText();
    EXPECT_EQ(topBar().getPlcTypeLabel()->getText(), "connected, 4002 B");

    logWarn("a line for the log pane");
    clickIn(*status().getPanel(), status().toggleRects().at(1));
    LogView& log = *mainWindow->getLogView();
    ASSERT_TRUE(log.isVisible());
    frame();
    clickIn(*log.getPanel(), log.copyButtonRect());
    EXPECT_NE(window->getClipboardText().find("[WARN ] <"), std::string::npos) << window->getClipboardText();
    EXPECT_NE(window->getClipboardText().find("> a line for the log pane\n"), std::string::npos);
}

} // namespace
