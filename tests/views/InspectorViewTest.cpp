// Tags picked in the tree show in the inspector with their values. The model's rules (stale
// rows, no reads while disconnected) are its own tests'; reconnecting empties the list (the
// tree's tests).
#include "ViewsSupport.hpp"

#include "TagInspector.hpp"
#include "Views/InspectorView.hpp"
#include "Views/TreeView.hpp"

#include <zolt/ui/ImGuiPanel.hpp>

#include <string>
#include <vector>

namespace {

using namespace viewtest;

class InspectorTest : public ViewsTest {
protected:
    // The watched row of this name; a row that is not there fails the test.
    TagInspector::Entry watched(const std::string& name) const {
        for (const TagInspector::Entry& entry : TagInspector::instance().entries()) {
            if (entry.name == name) {
                return entry;
            }
        }
        ADD_FAILURE() << "not watched: " << name;
        return {};
    }
    std::string valueOf(const std::string& name) const { return watched(name).value; }
};

TEST_F(InspectorTest, ClickedRowsShowEmptyThenWithTheirValuesAndRefusedRowsAreNotTaken) {
    connectSample();
    {
        PoolGate gate; // the first read waits
        clickRow("DintValue");
        EXPECT_EQ(watched("DintValue").typeName, "DINT");
        EXPECT_EQ(valueOf("DintValue"), "");
        frame();
        EXPECT_EQ(inspectorView().drawnRows().size(), 1u) << "one table row drawn";
    }
    EXPECT_TRUE(pumpUntil([&] { return valueOf("DintValue") == "123456"; }, "the value"));
    for (const char* refused : {"Line1", "Temperatures", "MainProgram"}) {
        clickRow(refused);
    }
    toggleRow("Temperatures");
    clickRow("Temperatures[3]");
    clickRow("Message");
    EXPECT_EQ(watchedNames(), (std::vector<std::string>{"DintValue", "Temperatures[3]", "Message"}));
    EXPECT_TRUE(pumpUntil([&] { return valueOf("Temperatures[3]") == "22" && valueOf("Message") == "Hello from line 1"; },
                          "both values"));
}

} // namespace
