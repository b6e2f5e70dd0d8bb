// The tag tree driven as an engineer drives it all day: the keyboard on the rows, type to
// find, and Reload on the same connection.
#include "ViewsSupport.hpp"

#include "Views/TreeView.hpp"

#include <zolt/ui/ImGuiPanel.hpp>

#include <imgui_internal.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace viewtest;

class TreeKeyboardTest : public ViewsTest {
protected:
    std::string selectedKey() const {
        const TreeItem* row = tree().getSelected();
        return row != nullptr ? std::string(row->getKey()) : std::string("(none)");
    }
    // Drawn in the last frame, whole, inside the rows' pane.
    bool inView(const TreeItem& row) const {
        const zolt::ui::ImGuiPanel& panel = *tree().getTreePanel();
        const TreeItem::RowGeometry& at = row.getGeometry();
        return at.frame == panel.getImGuiContext()->FrameCount && at.hitRect.y >= 0.0f &&
               at.hitRect.w <= panel.getActualSize().y;
    }
};

TEST_F(TreeKeyboardTest, KeysMoveTheSelectionInViewOpenCloseAndWatch) {
    connectSample();
    clickRow("BoolFlag");
    pressKey(ImGuiKey_DownArrow);
    EXPECT_EQ(selectedKey(), "SintValue");
    pressKey(ImGuiKey_Enter);
    pressKey(ImGuiKey_DownArrow);
    pressKey(ImGuiKey_Space);
    EXPECT_EQ(watchedNames(), (std::vector<std::string>{"BoolFlag", "SintValue", "IntValue"}));
    pressKey(ImGuiKey_UpArrow);
    EXPECT_EQ(selectedKey(), "SintValue");

    pressKey(ImGuiKey_End);
    frame();
    EXPECT_EQ(tree().getSelected(), tree().getItems().back().get());
    EXPECT_TRUE(inView(*tree().getSelected())) << "the last row scrolled into view";
    pressKey(ImGuiKey_Home);
    frame();
    EXPECT_EQ(selectedKey(), "BoolFlag");
    EXPECT_TRUE(inView(*tree().getSelected()));
    pressKey(ImGuiKey_PageDown);
    frame();
    const TreeItem* paged = tree().getSelected();
    ASSERT_NE(paged, nullptr);
    EXPECT_GT(paged->getGeometry().hitRect.y, tree().getTreePanel()->getActualSize().y / 2.0f) << "a page down";
    EXPECT_TRUE(inView(*paged));

    tree().select(findRow("Temperatures"));
    pressKey(ImGuiKey_RightArrow);
    EXPECT_TRUE(findRow("Temperatures")->isOpen());
    pressKey(ImGuiKey_RightArrow);
    EXPECT_EQ(selectedKey(), "Temperatures[0]");
    pressKey(ImGuiKey_DownArrow);
    pressKey(ImGuiKey_LeftArrow);
    EXPECT_EQ(selectedKey(), "Temperatures") << "a leaf goes to its parent";
    pressKey(ImGuiKey_LeftArrow);
    EXPECT_FALSE(findRow("Temperatures")->isOpen());
    pressKey(ImGuiKey_DownArrow);
    EXPECT_EQ(selectedKey(), "Matrix") << "past the closed rows";
}

TEST_F(TreeKeyboardTest, TypingOrCtrlFMovesToTheFilterBox) {
    connectSample();
    clickRow("Counter");
    typeText("Cou");
    frame(3);
    EXPECT_EQ(window->getFocusedWidget(), tree().getFilterPanel());
    typeText("n");
    EXPECT_EQ(tree().getFilterText(), "Coun") << "every character reached the box";

    clickRow("Counter");
    pressKey(ImGuiKey_F, zolt::ui::kModCtrl);
    frame(2);
    EXPECT_EQ(window->getFocusedWidget(), tree().getFilterPanel());
    typeText("Wave");
    EXPECT_EQ(tree().getFilterText(), "Wave") << "the box's text was selected";
}

TEST_F(TreeKeyboardTest, ReloadListsAgainOnTheSameConnectionKeepingOpenRowsAndWatchList) {
    connectSample();
    for (const char* path : {"Line1", "MainProgram", "Program:MainProgram.StepTimer"}) {
        toggleRow(path);
    }
    clickRow("DintValue");
    const std::uint64_t connection = server->requests().back().connectionId;
    server->clearRequests();
    ASSERT_TRUE(tree().canReload());
    const zolt::ui::ImGuiPanel& header = *tree().getFilterPanel();
    click(zolt::ui::Vec2{header.getWorldPosition().x + header.getActualSize().x - 40.0f, header.getWorldPosition().y + 14.0f});
    // The new list's first row may reuse the old one's memory: wait for the listing itself.
    const auto listed = [&] {
        const auto records = server->requests();
        return std::any_of(records.begin(), records.end(),
                           [](const quillon::sim::RequestRecord& r) { return r.service == simtest::kListSymbols; });
    };
    ASSERT_TRUE(pumpUntil(listed, "the tag list read again"));
    waitForTree();
    frame(2);
    EXPECT_TRUE(findRow("Line1")->isOpen());
    EXPECT_TRUE(findRow("Program:MainProgram.StepTimer")->isOpen()) << "a program's rows arrive later";
    EXPECT_FALSE(findRow("Line1.Motor")->isOpen());
    EXPECT_EQ(selectedKey(), "DintValue");
    EXPECT_EQ(watchedNames(), (std::vector<std::string>{"DintValue"}));
    for (const quillon::sim::RequestRecord& record : server->requests()) {
        EXPECT_EQ(record.connectionId, connection) << "no new connection";
    }
}

} // namespace
