// Tags picked in the tree show in the inspector with their live values; the delete
// button; what disconnecting and reconnecting do to the list.
#include "ViewsSupport.hpp"

#include "AppState.hpp"
#include "Views/InspectorView.hpp"
#include "TagInspector.hpp"
#include "Views/TopBarView.hpp"
#include "Views/TreeView.hpp"

#include <zolt/ui/ImGuiPanel.hpp>

#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace viewtest;

class InspectorTest : public ViewsTest {
protected:
    const TagInspector::Entry* watched(const std::string& name) const {
        for (const TagInspector::Entry& entry : TagInspector::instance().entries()) {
            if (entry.name == name) {
                return &entry;
            }
        }
        return nullptr;
    }
    std::string valueOf(const std::string& name) const {
        const TagInspector::Entry* entry = watched(name);
        return entry != nullptr ? entry->value : std::string("(not watched)");
    }
    void clickDelete(std::size_t row) {
        frame();
        const std::vector<zolt::ui::Vec4>& buttons = inspectorView().deleteButtonRects();
        ASSERT_LT(row, buttons.size());
        const zolt::ui::Vec2 panel = inspectorView().getPanel()->getWorldPosition();
        const zolt::ui::Vec4 r = buttons[row];
        click(zolt::ui::Vec2{panel.x + (r.x + r.z) / 2.0f, panel.y + (r.y + r.w) / 2.0f});
    }
};

TEST_F(InspectorTest, ClickingADintRowShowsItEmptyThenWithItsValue) {
    connectSample();
    {
        PoolGate gate; // the first read waits
        clickRow(tagRow("DintValue"));
        const TagInspector::Entry* entry = watched("DintValue");
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->typeName, "DINT");
        EXPECT_EQ(entry->value, "");
        frame();
        EXPECT_EQ(inspectorView().deleteButtonRects().size(), 1u) << "one table row drawn";
        gate.open();
    }
    EXPECT_TRUE(pumpUntil([&] { return valueOf("DintValue") == "123456"; }, "the value"));
}

TEST_F(InspectorTest, ALiveValueChangesAsTheControllerChangesIt) {
    connectSample();
    clickRow(tagRow("Counter"));
    ASSERT_TRUE(pumpUntil([&] { return !valueOf("Counter").empty(); }, "the first value"));
    const auto start = std::chrono::steady_clock::now();
    const int readsBefore = readsOf(*server, "Counter");
    const std::string first = valueOf("Counter");
    EXPECT_TRUE(pumpUntil([&] { return valueOf("Counter") != first; }, "the value to change"));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LE(readsOf(*server, "Counter") - readsBefore, static_cast<int>(seconds) + 1)
        << "at most one read a second";
}

TEST_F(InspectorTest, StructuresArraysAndProgramsAreRefusedElementsAndStringsTaken) {
    connectSample();
    toggleRow(*findRow("MainProgram"));
    for (const char* refused : {"Line1", "Temperatures", "Matrix", "MainProgram", "Program:MainProgram.StepTimer"}) {
        clickRow(*findRow(refused));
        EXPECT_TRUE(watchedNames().empty()) << refused;
    }
    toggleRow(*findRow("Temperatures"));
    clickRow(tagRow("Temperatures[3]"));
    clickRow(tagRow("Message"));
    EXPECT_EQ(watchedNames(), (std::vector<std::string>{"Temperatures[3]", "Message"}));
    EXPECT_EQ(watched("Temperatures[3]")->typeName, "REAL");
    EXPECT_EQ(watched("Message")->typeName, "STRING");
    EXPECT_TRUE(pumpUntil([&] { return valueOf("Temperatures[3]") == "22" && valueOf("Message") == "Hello from line 1"; },
                          "both values"));
}

TEST_F(InspectorTest, TheDeleteButtonRemovesOnlyItsRow) {
    connectSample();
    for (const char* path : {"BoolFlag", "SintValue", "IntValue"}) {
        clickRow(tagRow(path));
    }
    ASSERT_EQ(watchedNames().size(), 3u);
    clickDelete(0);
    EXPECT_EQ(watchedNames(), (std::vector<std::string>{"SintValue", "IntValue"}));
    clickDelete(1);
    EXPECT_EQ(watchedNames(), (std::vector<std::string>{"SintValue"}));
}

TEST_F(InspectorTest, DisconnectingStopsTheReadsAndKeepsTheValuesMarkedStale) {
    connectSample();
    clickRow(tagRow("DintValue"));
    ASSERT_TRUE(pumpUntil([&] { return valueOf("DintValue") == "123456"; }, "the value"));
    const TreeItem* firstRow = tree().getItems().front().get();
    click(connectButton()); // disconnect
    const int reads = readsOf(*server, "DintValue");
    pumpFor(1500ms);
    EXPECT_EQ(readsOf(*server, "DintValue"), reads);
    EXPECT_EQ(valueOf("DintValue"), "123456");
    const TagInspector::Entry* row = watched("DintValue");
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->stale);
    EXPECT_EQ(row->problem, "not connected");
    EXPECT_EQ(tree().getItems().front().get(), firstRow);

    click(connectButton()); // and again
    waitForTree(firstRow);
    EXPECT_TRUE(watchedNames().empty());
}

} // namespace
