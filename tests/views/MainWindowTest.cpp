// The main window's layout: bar over the full width, tree at most 600 pixels, the
// separator and the inspector, the trend pane and the status line across the bottom (the
// log pane when its box is ticked); following the window's size; its minimum size.
#include "ViewsSupport.hpp"

#include "Views/DefaultButton.hpp"
#include "Views/DeviceFinderView.hpp"
#include "Views/InspectorView.hpp"
#include "Views/LogView.hpp"
#include "Views/StatusLineView.hpp"
#include "Views/TopBarView.hpp"
#include "Views/TrendView.hpp"
#include "Views/TreeView.hpp"

#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/Stack.hpp>
#include <zolt/ui/TextElement.hpp>

namespace {

using MainWindowTest = viewtest::ViewsTest;
using zolt::ui::Vec2;

Vec2 size(const zolt::ui::Widget& widget) {
    return widget.getActualSize();
}

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

} // namespace
