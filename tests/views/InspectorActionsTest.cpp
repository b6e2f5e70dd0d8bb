// The inspector's rows by mouse and keyboard: select, copy, format, remove, sort, drag, and a
// watch list saved and opened again. The model's rules and texts are the core's tests'.
#include "ViewsSupport.hpp"

#include "WatchList.hpp"

#include <filesystem>
#include <fstream>

namespace {

using namespace viewtest;
namespace fs = std::filesystem;

class InspectorActionsTest : public ViewsTest {
protected:
    // Watches the tags from the tree and waits for their first values.
    void watchAndRead(const Names& paths) {
        for (const std::string& path : paths) {
            clickRow(path);
        }
        frame();
        pumpUntil([&] { return !watched(paths.back()).value.empty(); }, "the values");
    }
    zolt::ui::Vec2 inPanel(zolt::ui::Vec4 rect) const { return centreIn(*inspectorView().getPanel(), rect); }
    zolt::ui::Vec2 row(std::size_t index) {
        frame();
        for (const InspectorView::RowGeometry& drawn : inspectorView().drawnRows()) {
            if (drawn.index == index) {
                return inPanel(drawn.row);
            }
        }
        ADD_FAILURE() << "row " << index << " not drawn";
        return {};
    }
    // A click with Ctrl or Shift held; the key goes to whichever pane has the keyboard.
    void clickWith(zolt::ui::Vec2 at, ImGuiKey modifier, int mods) {
        window->injectKey(modifier, true, mods);
        frame();
        click(at);
        window->injectKey(modifier, false, 0);
        frame();
    }
    // Clicks the labelled menu entries in turn (a submenu, then its entry).
    void choose(const Names& labels) {
        for (const std::string& label : labels) {
            frame(2);
            const zolt::ui::Vec4 at = inspectorView().itemRect(label);
            ASSERT_GT(at.z, at.x) << label << " not drawn";
            click(inPanel(at));
        }
    }
    Names selectedNames() const {
        Names names = watchedNames();
        std::erase_if(names, [&](const std::string& name) { return !inspectorView().isSelected(name); });
        return names;
    }
};

TEST_F(InspectorActionsTest, RowsShowTheirValuesAndAreSelectedCopiedFormattedAndRemoved) {
    connectSample();
    {
        PoolGate gate; // the first read waits
        clickRow("DintValue");
        frame();
        EXPECT_EQ(inspectorView().drawnRows().size(), 1u) << "drawn before its value";
    }
    watchAndRead({"UintValue", "BoolFlag", "UlintValue", "RealValue"});
    ASSERT_EQ(watchedNames(), (Names{"DintValue", "UintValue", "BoolFlag", "UlintValue", "RealValue"}));

    click(row(0));
    click(ipField()); // Ctrl goes down while the top bar has the keyboard
    clickWith(row(2), ImGuiKey_LeftCtrl, zolt::ui::kModCtrl);
    EXPECT_EQ(selectedNames(), (Names{"DintValue", "BoolFlag"}));
    pressKey(ImGuiKey_C, zolt::ui::kModCtrl);
    EXPECT_EQ(window->getClipboardText(), "DintValue = 123456\nBoolFlag = true");
    clickWith(row(4), ImGuiKey_LeftShift, zolt::ui::kModShift);
    EXPECT_EQ(selectedNames(), (Names{"BoolFlag", "UlintValue", "RealValue"}));
    pressKey(ImGuiKey_A, zolt::ui::kModCtrl);
    EXPECT_EQ(selectedNames().size(), 5u);

    // The menu acts on the whole selection.
    click(row(1), zolt::ui::kMouseRight);
    choose({"Integers as", "Hexadecimal (16#FF)"});
    click(row(2), zolt::ui::kMouseRight);
    choose({"BOOL as", "FALSE / TRUE"});
    click(row(4), zolt::ui::kMouseRight);
    choose({"REAL digits", "2 digits"});
    click(row(0), zolt::ui::kMouseRight);
    choose({"Copy value"});
    EXPECT_EQ(window->getClipboardText(), "16#0001_E240\n16#EA60\nTRUE\n16#F9CC_D8A1_C508_0000\n1.50");
    click(row(3), zolt::ui::kMouseRight);
    choose({"Copy path"});
    EXPECT_EQ(window->getClipboardText(), "DintValue\nUintValue\nBoolFlag\nUlintValue\nRealValue");

    // A right click outside the selection takes only that row.
    pressKey(ImGuiKey_Escape);
    click(row(0));
    click(row(2), zolt::ui::kMouseRight);
    EXPECT_EQ(selectedNames(), (Names{"BoolFlag"}));
    choose({"Remove"});
    EXPECT_EQ(watchedNames(), (Names{"DintValue", "UintValue", "UlintValue", "RealValue"}));
    click(row(1));
    clickWith(row(3), ImGuiKey_LeftShift, zolt::ui::kModShift);
    pressKey(ImGuiKey_Delete);
    EXPECT_EQ(watchedNames(), (Names{"DintValue"}));
    watchAndRead({"DintValue", "SintValue", "IntValue"});
    click(inPanel(inspectorView().drawnRows().at(1).remove)); // a row's own button removes only it
    EXPECT_EQ(watchedNames(), (Names{"DintValue", "IntValue"}));
}

TEST_F(InspectorActionsTest, HeaderClicksSortAndARowDraggedOntoAnotherMovesThere) {
    connectSample();
    watchAndRead({"IntValue", "DintValue", "SintValue", "Message"});
    const zolt::ui::Vec2 valueHeader = inPanel(inspectorView().itemRect("Value"));
    click(valueHeader);
    EXPECT_EQ(watchedNames(), (Names{"IntValue", "SintValue", "DintValue", "Message"}));
    click(valueHeader);
    EXPECT_EQ(watchedNames(), (Names{"Message", "DintValue", "SintValue", "IntValue"}));
    click(inPanel(inspectorView().itemRect("Name")));
    EXPECT_EQ(watchedNames(), (Names{"DintValue", "IntValue", "Message", "SintValue"}));

    const zolt::ui::Vec2 from = row(0);
    const zolt::ui::Vec2 to = row(2);
    window->injectMouseMove(from.x, from.y);
    frame();
    window->injectMouseButton(zolt::ui::kMouseLeft, true);
    for (int step = 1; step <= 6; ++step) {
        frame();
        window->injectMouseMove(from.x, from.y + (to.y - from.y) * static_cast<float>(step) / 6.0f);
    }
    frame(2);
    window->injectMouseButton(zolt::ui::kMouseLeft, false);
    frame(2);
    EXPECT_EQ(watchedNames(), (Names{"IntValue", "Message", "DintValue", "SintValue"}));
}

TEST_F(InspectorActionsTest, AWatchListSavedToAFileOpensAgainOnTheController) {
    const fs::path folder = fs::temp_directory_path() / ("quillon-views-list-" + std::to_string(port));
    fs::create_directories(folder);
    const std::string file = (folder / "line 1.txt").string();
    const Names paths{"DintValue", "Temperatures[3]", "Message"};
    connectSample();
    toggleRow("Temperatures");
    watchAndRead(paths);
    ASSERT_EQ(watchedNames(), paths);

    auto typeInDialog = [&](ImGuiKey shortcut) {
        click(row(0));
        pressKey(shortcut, zolt::ui::kModCtrl);
        frame(2);
        pressKey(ImGuiKey_A, zolt::ui::kModCtrl);
        typeText(file);
        pressKey(ImGuiKey_Enter);
    };
    typeInDialog(ImGuiKey_S);
    EXPECT_EQ(readWatchList(file).paths, paths);
    EXPECT_EQ(inspectorView().getDialog().mode(), WatchListDialog::Mode::Closed);
    TagInspector::instance().removeTag("Message");
    typeInDialog(ImGuiKey_S);
    EXPECT_NE(inspectorView().getDialog().message().find("exists"), std::string::npos) << "asked before replacing";
    EXPECT_EQ(readWatchList(file).paths, paths);
    pressKey(ImGuiKey_Enter); // Replace
    EXPECT_EQ(readWatchList(file).paths, (Names{"DintValue", "Temperatures[3]"}));

    std::ofstream(file, std::ios::app) << "NoSuchTag\n# a note\nProgram:Conveyor.ItemCount\n";
    typeInDialog(ImGuiKey_O);
    pumpUntil([&] { return !inspectorView().getDialog().isOpening(); }, "the lookup");
    EXPECT_EQ(watchedNames(), (Names{"DintValue", "Temperatures[3]", "Program:Conveyor.ItemCount"}));
    EXPECT_NE(inspectorView().getDialog().message().find("not on this controller or without one value: NoSuchTag"),
              std::string::npos)
        << inspectorView().getDialog().message();
    pumpUntil([&] { return !watched("Program:Conveyor.ItemCount").value.empty(); }, "the opened list's values");
    fs::remove_all(folder);
}

} // namespace
