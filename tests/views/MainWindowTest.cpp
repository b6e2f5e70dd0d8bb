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

    window->setSize(800, 300);
    frame();
    EXPECT_EQ(window->getWidth(), 1200) << "the window's minimum";
    EXPECT_EQ(window->getHeight(), 400);
}

// At the minimum width the bar's left side (logo, address with Find, Port and Path,
// Connect) ends before the status column, and the device finder stays inside the window.
TEST_F(MainWindowTest, TheTopBarFitsTheMinimumWidth) {
    frame(2);
    const DefaultButton& connect = *topBar().getConnectButton();
    const zolt::ui::Widget& status = *topBar().getStatusLabel()->getParent();
    const zolt::ui::ImGuiPanel& inputs = *topBar().getAddressPanel();
    EXPECT_LE(inputs.getWorldPosition().x + size(inputs).x, connect.getWorldPosition().x);
    EXPECT_LE(connect.getWorldPosition().x + size(connect).x, status.getWorldPosition().x);
    EXPECT_LE(inputs.getWorldPosition().x + DeviceFinderView::width, 1200.0f);
}

} // namespace
