// The main window's layout: bar over the full width, tree at most 600 pixels, the
// separator and the inspector; following the window's size; its minimum size.
#include "ViewsSupport.hpp"

#include "Views/InspectorView.hpp"
#include "Views/TopBarView.hpp"
#include "Views/TreeView.hpp"

#include <zolt/ui/Stack.hpp>

namespace {

using MainWindowTest = viewtest::ViewsTest;
using zolt::ui::Vec2;

Vec2 size(const zolt::ui::Widget& widget) {
    return widget.getActualSize();
}

TEST_F(MainWindowTest, BarOnTopTreeSeparatorAndInspectorBelowFollowingTheWindow) {
    EXPECT_EQ(window->getTitle(), "Quillon");
    EXPECT_EQ(size(topBar()), (Vec2{1200.0f, 50.0f}));
    EXPECT_EQ(size(*tree().getParent()), (Vec2{1200.0f, 750.0f}));
    EXPECT_EQ(size(tree()), (Vec2{598.0f, 750.0f})) << "fill shares equally below the tree's 600";
    EXPECT_EQ(size(*tree().getParent()->getChild(1)).x, 4.0f);
    EXPECT_EQ(inspectorView().getWorldPosition(), (Vec2{602.0f, 50.0f}));

    window->setSize(1500, 900);
    frame(2);
    EXPECT_EQ(size(topBar()), (Vec2{1500.0f, 50.0f}));
    EXPECT_EQ(size(tree()).x, 600.0f) << "the tree stops at 600 pixels";
    EXPECT_EQ(size(inspectorView()), (Vec2{896.0f, 850.0f}));

    window->setSize(800, 300);
    frame();
    EXPECT_EQ(window->getWidth(), 1200) << "the window's minimum";
    EXPECT_EQ(window->getHeight(), 400);
}

} // namespace
