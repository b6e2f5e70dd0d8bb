// The main window: its layout (bar over the full width, tree at most 600 pixels, the
// separator and the inspector, the trend pane and the status line across the bottom, the log
// pane when its box is ticked) following the window's size down to its minimum; and the trend
// pane, the status line and the log pane against the sample controller with its live values.
// The history's and the figures' rules are the core's tests'.
#include "ViewsSupport.hpp"

#include "Logger.hpp"
#include "Views/DefaultButton.hpp"
#include "Views/DeviceFinderView.hpp"
#include "Views/InspectorView.hpp"
#include "Views/LogView.hpp"
#include "Views/StatusLineView.hpp"
#include "Views/TrendView.hpp"

#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/Stack.hpp>
#include <zolt/ui/TextElement.hpp>

#include <limits>

namespace {

using zolt::ui::Vec2;

constexpr std::int64_t always = std::numeric_limits<std::int64_t>::max();

Vec2 size(const zolt::ui::Widget& widget) {
    return widget.getActualSize();
}

class MainWindowTest : public viewtest::ViewsTest {
protected:
    MainWindowTest() { liveValues = true; }

    TrendView& trend() const { return *mainWindow->getTrendView(); }
    StatusLineView& status() const { return *mainWindow->getStatusLine(); }
    void clickIn(const zolt::ui::ImGuiPanel& panel, zolt::ui::Vec4 rect) { click(centreIn(panel, rect)); }
};

TEST_F(MainWindowTest, BarOnTopTreeSeparatorAndInspectorThenTheBottomPanesFollowingTheWindow) {
    EXPECT_EQ(window->getTitle(), "Quillon");
    EXPECT_EQ(size(topBar()), (Vec2{1200.0f, 50.0f}));
    EXPECT_EQ(size(*tree().getParent()), (Vec2{1200.0f, 720.0f})) << "800 less bar and status line";
    EXPECT_EQ(size(tree()), (Vec2{598.0f, 720.0f})) << "fill shares equally below the tree's 600";
    EXPECT_EQ(size(*tree().getParent()->getChild(1)).x, 4.0f);
    EXPECT_EQ(inspectorView().getWorldPosition(), (Vec2{602.0f, 50.0f}));
    EXPECT_EQ(mainWindow->getStatusLine()->getWorldPosition(), (Vec2{0.0f, 770.0f}));

    mainWindow->getTrendView()->setVisible(true);
    mainWindow->getLogView()->setVisible(true);
    window->setSize(1500, 900);
    frame(2);
    EXPECT_EQ(size(topBar()), (Vec2{1500.0f, 50.0f}));
    EXPECT_EQ(size(tree()).x, 600.0f) << "the tree stops at 600 pixels";
    EXPECT_EQ(size(inspectorView()), (Vec2{896.0f, 334.0f})) << "less trend 306 and log 180";
    EXPECT_EQ(mainWindow->getTrendView()->getWorldPosition(), (Vec2{0.0f, 384.0f}));
    EXPECT_EQ(size(*mainWindow->getLogView()), (Vec2{1500.0f, 180.0f}));

    window->setSize(600, 300);
    frame();
    EXPECT_EQ(window->getWidth(), 800) << "the window's minimum";
    EXPECT_EQ(window->getHeight(), 500);
}

// At the usual and at the minimum width the logo stays inside the bar, the bar's left side
// (logo, address with Find, Port and Path, Connect) ends before the status column, the
// status texts stay inside the window (shortened), and the device finder too.
TEST_F(MainWindowTest, TheTopBarFitsTheMinimumWidth) {
    connectSample();
    for (const int width : {1200, 800}) {
        SCOPED_TRACE(width);
        window->setSize(width, 600);
        frame(2);
        const zolt::ui::Widget& logo = *topBar().getAddressPanel()->getParent()->getChild(0);
        const DefaultButton& connect = *topBar().getConnectButton();
        const zolt::ui::TextElement& state = *topBar().getStatusLabel();
        const zolt::ui::Widget& status = *state.getParent();
        const zolt::ui::ImGuiPanel& inputs = *topBar().getAddressPanel();
        EXPECT_TRUE(logo.getWorldPosition().y >= 0.0f && logo.getWorldPosition().y + size(logo).y <= 50.0f);
        EXPECT_LE(inputs.getWorldPosition().x + size(inputs).x, connect.getWorldPosition().x);
        EXPECT_LE(connect.getWorldPosition().x + size(connect).x, status.getWorldPosition().x);
        EXPECT_TRUE(state.getText().starts_with(width == 800 ? "CONNECTED" : "PLC-Status: CONNECTED · connected, 4002 B"))
            << state.getText();
        if (width == 800) {
            EXPECT_EQ(topBar().getPlcTypeLabel()->getText(), "connected, 4002 B") << "the messaging, not the product";
        }
        for (const zolt::ui::Widget* line : {status.getChild(0), status.getChild(1)}) {
            EXPECT_LE(line->getWorldPosition().x + line->getDesiredSize().x, static_cast<float>(width));
        }
        EXPECT_LE(inputs.getWorldPosition().x + DeviceFinderView::width, static_cast<float>(width));
    }
}

TEST_F(MainWindowTest, ALiveCounterIsTrendedAsItCountsAndTheStatusLineCountsTheReads) {
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

    const RefreshStats::Figures figures = status().getStats().figures(TagInspector::instance().now());
    const std::string& text = status().getText();
    EXPECT_NE(text.find("0 errors since connect"), std::string::npos) << text;
    EXPECT_NE(text.find("last refresh " + formatClockTime(figures.lastRefresh)), std::string::npos) << text;

    clickIn(*trend().getPanel(), drawn.pauseButton);
    const std::size_t shown = trend().lastDrawn().points.front();
    const std::size_t kept = counter->size();
    ASSERT_TRUE(pumpUntil([&] { return counter->size() > kept; }, "another read"));
    frame();
    EXPECT_EQ(trend().lastDrawn().points.front(), shown) << "paused: the new value is kept, not drawn";
}

TEST_F(MainWindowTest, TheLogPaneShowsTheConsoleLinesAndCopiesThem) {
    LogView& log = *mainWindow->getLogView();
    EXPECT_FALSE(log.isVisible());
    logWarn("a line for the log pane");
    clickIn(*status().getPanel(), status().toggleRects().at(1));
    ASSERT_TRUE(log.isVisible());
    frame();
    clickIn(*log.getPanel(), log.copyButtonRect());
    const std::string copied = window->getClipboardText();
    EXPECT_NE(copied.find("[WARN ] <"), std::string::npos) << copied;
    EXPECT_NE(copied.find("> a line for the log pane\n"), std::string::npos) << copied;
}

} // namespace
