// The Path field, its checks and the device finder against sim/chassis.json (a communication
// module owns the address, controllers sit in slots 0 and 2).
#include "ViewsSupport.hpp"

#include "Views/DeviceFinderView.hpp"

namespace {

using namespace viewtest;

class ChassisTest : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        startSim({}, quillon::sim::loadController(QUILLON_CHASSIS_JSON));
    }

    std::string note() const { return topBar().getPlcTypeLabel()->getText(); }
    bool locked() const { return topBar().getConnectButton()->isLocked(); }

    void typePath(const std::string& text) {
        click(inBar(TopBarView::pathFieldX + 20.0f));
        pressKey(ImGuiKey_A, zolt::ui::kModCtrl);
        typeText(text);
        frame();
    }

    void connectAlong(const std::string& path) {
        typeAddress("127.0.0.1", port);
        typePath(path);
        click(connectButton());
        pumpUntil([&] { return !topBar().isConnecting() && !tree().isLoading(); }, "the connect and listing");
        frame(2);
    }
};

// The module reached directly says a path is needed; Tab walks the fields on to Connect,
// whose Enter connects; a bad path locks Connect (Enter too) with the parser's words until mended.
TEST_F(ChassisTest, TheModuleAsksForAPathTabAndEnterConnectABadPathLocksConnectAndSlotTwoAnswers) {
    connectAlong("");
    EXPECT_EQ(note(), "PLC-Type: Zolt NX-20 Ethernet Bridge");
    EXPECT_TRUE(tree().getItems().empty());
    EXPECT_EQ(tree().getLoadFailure(), "This is a communication module (Zolt NX-20 Ethernet Bridge): type a route "
                                       "path such as 1,0 to reach the controller in slot 0");
    click(connectButton()); // disconnect

    click(ipField());
    pressKey(ImGuiKey_Tab);
    typeText(std::to_string(port)); // the port's text is selected as it takes the focus
    pressKey(ImGuiKey_Tab);
    typeText("1,0");
    pressKey(ImGuiKey_Tab);
    frame();
    EXPECT_EQ(window->getFocusedWidget(), topBar().getConnectButton());
    pressKey(ImGuiKey_Enter);
    ASSERT_TRUE(pumpUntil([&] { return AppState::instance().isConnected(); }, "the connect"));
    frame();
    EXPECT_EQ(note(), "PLC-Type: Zolt QX-85 Packing Line");
    click(connectButton()); // disconnect

    typePath("1,");
    EXPECT_TRUE(locked());
    EXPECT_EQ(note(), "Path: item 2 is empty");
    pressKey(ImGuiKey_Enter);
    EXPECT_FALSE(topBar().isConnecting()) << "Enter does not connect either";
    typePath("1,2");
    EXPECT_FALSE(locked());
    EXPECT_EQ(note(), "");
    connectAlong("1,2");
    EXPECT_EQ(note(), "PLC-Type: Zolt QX-75 Boiler House");
    EXPECT_NE(findRow("SteamPressure"), nullptr);
    EXPECT_EQ(findRow("LineSpeed"), nullptr) << "slot 0's tag";
    clickRow("BurnerOn");
    EXPECT_TRUE(pumpUntil([&] { return !watched("BurnerOn").value.empty(); }, "BurnerOn read along the route"));
}

// Asked at the simulator's own address: a test sends no broadcast.
TEST_F(ChassisTest, FindSaysWhenNobodyAnswersListsWhoDoesAndPickingOneFillsTheAddress) {
    DeviceFinderView& finder = *mainWindow->getDeviceFinder();
    finder.setAddressText("127.0.0.1");
    const zolt::ui::Vec2 find = inBar(TopBarView::findButtonX + 15.0f);
    typeAddress("10.9.9.9", simtest::closedPort());
    click(find);
    ASSERT_TRUE(finder.isVisible());
    EXPECT_TRUE(finder.getStatusText().starts_with("Searching 127.0.0.1:")) << finder.getStatusText();
    EXPECT_TRUE(pumpUntil([&] { return finder.getStatusText().starts_with("No device answered"); }, "silence"));

    click(find); // closes
    typeAddress("10.9.9.9", port);
    click(find);
    ASSERT_TRUE(pumpUntil([&] { return finder.getStatusText().starts_with("1 device"); }, "the simulator's answer"));

    const zolt::ui::Vec2 panel = finder.getPanel()->getWorldPosition();
    click(zolt::ui::Vec2{panel.x + 60.0f, panel.y + 90.0f}); // the first row
    EXPECT_FALSE(finder.isVisible());
    EXPECT_EQ(topBar().getIpText(), "127.0.0.1");
    EXPECT_EQ(topBar().getPort(), port);
}

} // namespace
