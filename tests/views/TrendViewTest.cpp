// The trend pane, the status line and the log pane in the main window against the sample
// controller with its live values. The history's and the figures' rules are the core's tests'.
#include "ViewsSupport.hpp"

#include "Logger.hpp"
#include "TagInspector.hpp"
#include "Views/LogView.hpp"
#include "Views/StatusLineView.hpp"
#include "Views/TrendView.hpp"

#include <zolt/ui/ImGuiPanel.hpp>

#include <limits>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t always = std::numeric_limits<std::int64_t>::max();

class TrendTest : public viewtest::ViewsTest {
protected:
    TrendTest() { liveValues = true; }

    TrendView& trend() const { return *mainWindow->getTrendView(); }
    StatusLineView& status() const { return *mainWindow->getStatusLine(); }
    // A click in the middle of a rectangle drawn by `panel` (in its pixels).
    void clickIn(const zolt::ui::ImGuiPanel& panel, zolt::ui::Vec4 rect) {
        const zolt::ui::Vec2 at = panel.getWorldPosition();
        click(zolt::ui::Vec2{at.x + (rect.x + rect.z) / 2.0f, at.y + (rect.y + rect.w) / 2.0f});
    }
    std::string watchedValue(const std::string& name) const {
        for (const TagInspector::Entry& entry : TagInspector::instance().entries()) {
            if (entry.name == name) {
                return entry.value;
            }
        }
        return "";
    }
};

TEST_F(TrendTest, ALiveCounterIsTrendedAsItCountsAndTheStatusLineCountsTheReads) {
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
    EXPECT_EQ(range.last, std::stod(watchedValue("Counter"))) << "the inspector's last value";
    const TrendView::Drawn& drawn = trend().lastDrawn();
    EXPECT_EQ(drawn.points, (std::vector<std::size_t>{counter->size(), trend().getHistory().find("Wave")->size()}));
    EXPECT_LT(drawn.low, range.min);
    EXPECT_GT(drawn.high, range.max);

    const RefreshStats::Figures figures = status().getStats().figures(TagInspector::instance().now());
    EXPECT_GE(figures.refreshes, 3u);
    EXPECT_EQ(figures.errors, 0u);
    EXPECT_GT(figures.readsPerSecond, 1.0) << "three rows a second";
    EXPECT_GT(figures.lastRoundTrip, 0);
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

TEST_F(TrendTest, TheLogPaneShowsTheConsoleLinesAndCopiesThem) {
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
