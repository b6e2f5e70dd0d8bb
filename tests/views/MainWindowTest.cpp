// The main window's layout: bar over the full width, tree at most 600 pixels, the
// separator and the inspector; following the window's size; its minimum size.
#include "ViewsSupport.hpp"

#include "Views/DefaultButton.hpp"
#include "Views/DeviceFinderView.hpp"
#include "Views/InspectorView.hpp"
#include "Views/MainWindow.hpp"
#include "Views/TopBarView.hpp"
#include "Views/TreeView.hpp"

#include <zolt/ui/ImGuiPanel.hpp>
#include <zolt/ui/Stack.hpp>
#include <zolt/ui/TextElement.hpp>

namespace {

using namespace viewtest;

using MainWindowTest = ViewsTest;

zolt::ui::Vec2 size(const zolt::ui::Widget& widget) {
    return widget.getActualSize();
}

TEST_F(MainWindowTest, BarOnTopTreeSeparatorAndInspectorBelow) {
    frame();
    EXPECT_EQ(window->getTitle(), "Quillon");
    EXPECT_EQ(size(topBar()), (zolt::ui::Vec2{1200.0f, 50.0f}));
    const zolt::ui::Widget& content = *tree().getParent();
    EXPECT_EQ(size(content), (zolt::ui::Vec2{1200.0f, 750.0f}));
    EXPECT_EQ(size(tree()), (zolt::ui::Vec2{598.0f, 750.0f}));
    EXPECT_EQ(size(*content.getChild(1)).x, 4.0f);
    EXPECT_EQ(size(inspectorView()), (zolt::ui::Vec2{598.0f, 750.0f}));
    EXPECT_EQ(inspectorView().getWorldPosition(), (zolt::ui::Vec2{602.0f, 50.0f}));
}

TEST_F(MainWindowTest, TheLayoutFollowsTheWindowSize) {
    window->setSize(1500, 900);
    frame();
    EXPECT_EQ(mainWindow->getRootStack()->getPreferredSize(), (zolt::ui::Vec2{1500.0f, 900.0f}));
    EXPECT_EQ(topBar().getMaxSize().x, 1500.0f);
    frame();
    EXPECT_EQ(size(topBar()), (zolt::ui::Vec2{1500.0f, 50.0f}));
    EXPECT_EQ(size(tree()).x, 600.0f) << "the tree stops at 600 pixels";
    EXPECT_EQ(size(inspectorView()).x, 896.0f);
}

TEST_F(MainWindowTest, TheWindowCannotBeMadeSmallerThanItsMinimum) {
    window->setSize(800, 300);
    frame();
    EXPECT_EQ(window->getWidth(), 1200);
    EXPECT_EQ(window->getHeight(), 400);
}

// At the minimum width the bar's left side (logo, address with Find, Port and Path,
// Connect) ends before the status column, and the device finder stays inside the window.
TEST_F(MainWindowTest, TheTopBarFitsTheMinimumWidth) {
    frame(2);
    const DefaultButton& connect = *topBar().getConnectButton();
    const zolt::ui::Widget& status = *topBar().getStatusLabel()->getParent();
    const zolt::ui::ImGuiPanel& address = *topBar().getAddressPanel();
    EXPECT_LE(address.getWorldPosition().x + size(address).x, connect.getWorldPosition().x);
    EXPECT_LE(connect.getWorldPosition().x + size(connect).x, status.getWorldPosition().x);
    EXPECT_LE(address.getWorldPosition().x + DeviceFinderView::width, 1200.0f);
}

} // namespace
