// The top bar: address input, connect and disconnect, status and product name.
#include "ViewsSupport.hpp"

#include "AppState.hpp"
#include "AppTheme.hpp"
#include "TagInspector.hpp"
#include "Views/DefaultButton.hpp"
#include "Views/TopBarView.hpp"
#include "Views/TreeItem.hpp"
#include "Views/TreeView.hpp"

#include <zolt/ui/TextElement.hpp>

#include <chrono>
#include <cstdio>

namespace {

using namespace viewtest;

constexpr const char* sampleProduct = "PLC-Type: Zolt QX-85 Line Controller";

class TopBarTest : public ViewsTest {
protected:
    std::string status() const { return topBar().getStatusLabel()->getText(); }
    zolt::ui::Color statusColor() const { return topBar().getStatusLabel()->getColor(); }
    std::string plcType() const { return topBar().getPlcTypeLabel()->getText(); }
    std::string buttonText() const { return topBar().getConnectButton()->getText()->getText(); }
    bool locked() const { return topBar().getConnectButton()->isLocked(); }
    bool connectedState() const { return AppState::instance().isConnected(); }
    const AppTheme& theme() const { return AppTheme::instance(); }
};

TEST_F(TopBarTest, StartsWithoutStatusAndWithTheDefaultPort) {
    EXPECT_EQ(status(), "") << "the status shows from the first connect attempt on";
    EXPECT_EQ(plcType(), "");
    EXPECT_EQ(buttonText(), "Connect");
    EXPECT_EQ(topBar().getPort(), 44818);
    EXPECT_TRUE(locked()) << "no address yet";
}

TEST_F(TopBarTest, EmptyAddressLocksTheButtonAndOneCharacterUnlocksIt) {
    const std::uint64_t generation = AppState::instance().connectionGeneration();
    click(connectButton());
    frame();
    EXPECT_FALSE(topBar().isConnecting());
    EXPECT_EQ(AppState::instance().connectionGeneration(), generation) << "a locked button starts nothing";
    EXPECT_EQ(status(), "");

    click(ipField());
    typeText("1");
    frame();
    EXPECT_EQ(topBar().getIpText(), "1");
    EXPECT_FALSE(locked());
}

TEST_F(TopBarTest, ConnectShowsConnectingThenConnectedWithTheProductName) {
    typeAddress("127.0.0.1", port);
    {
        PoolGate gate; // the connect task waits behind it
        click(connectButton());
        EXPECT_TRUE(topBar().isConnecting());
        EXPECT_EQ(status(), "PLC-Status: CONNECTING");
        EXPECT_EQ(statusColor(), theme().warningColor());
        EXPECT_EQ(buttonText(), "Cancel");
        // The inputs are inert while the connect runs.
        click(ipField());
        typeText("9");
        EXPECT_EQ(topBar().getIpText(), "127.0.0.1");
        gate.open();
    }
    ASSERT_TRUE(pumpUntil([&] { return status() == "PLC-Status: CONNECTED"; }, "CONNECTED"));
    EXPECT_EQ(statusColor(), theme().successColor());
    EXPECT_EQ(buttonText(), "Disconnect");
    EXPECT_EQ(plcType(), sampleProduct);
    EXPECT_FALSE(topBar().isConnecting());
    // ...and stay inert while connected, so the bar shows the connected address.
    click(ipField());
    typeText("9");
    EXPECT_EQ(topBar().getIpText(), "127.0.0.1");
}

TEST_F(TopBarTest, EnterInThePortFieldConnectsToTheTrimmedAddress) {
    click(ipField());
    typeText("  127.0.0.1 ");
    click(portField());
    pressKey(ImGuiKey_A, zolt::ui::kModCtrl);
    typeText(std::to_string(port));
    pressKey(ImGuiKey_Enter);
    ASSERT_TRUE(pumpUntil([&] { return status() == "PLC-Status: CONNECTED"; }, "CONNECTED"));
    EXPECT_EQ(topBar().getIpText(), "127.0.0.1");
}

// Connect is a toolkit button outside ImGui's focus order; Tab reaches it all the same.
TEST_F(TopBarTest, TabGoesFromTheFieldsToConnectWhereEnterPressesIt) {
    click(ipField());
    typeText("127.0.0.1");
    pressKey(ImGuiKey_Tab);
    pressKey(ImGuiKey_A, zolt::ui::kModCtrl);
    typeText(std::to_string(port));
    pressKey(ImGuiKey_Tab);
    frame();
    ASSERT_TRUE(topBar().getConnectButton()->hasFocus());
    pressKey(ImGuiKey_Enter);
    ASSERT_TRUE(pumpUntil([&] { return status() == "PLC-Status: CONNECTED"; }, "CONNECTED"));
    EXPECT_EQ(topBar().getPort(), port);
}

TEST_F(TopBarTest, FailedConnectShowsConnectionFailedUntilTheNextSuccess) {
    typeAddress("127.0.0.1", closedPort());
    click(connectButton());
    ASSERT_TRUE(pumpUntil([&] { return !topBar().isConnecting(); }, "the connect to end"));
    frame();
    EXPECT_EQ(status(), "PLC-Status: DISCONNECTED");
    EXPECT_EQ(statusColor(), theme().errorColor());
    EXPECT_EQ(plcType(), "Connection failed");
    EXPECT_EQ(buttonText(), "Connect");
    EXPECT_FALSE(connectedState());

    typeAddress("127.0.0.1", port);
    click(connectButton());
    ASSERT_TRUE(pumpUntil([&] { return status() == "PLC-Status: CONNECTED"; }, "CONNECTED"));
    EXPECT_EQ(plcType(), sampleProduct);
}

class PortRangeTest : public TopBarTest, public testing::WithParamInterface<std::int64_t> {};

// A port the controller cannot listen on locks Connect and says why, until it is mended.
TEST_P(PortRangeTest, PortsOutsideOneTo65535AreRefusedWithANote) {
    typeAddress("127.0.0.1", GetParam());
    frame();
    EXPECT_TRUE(locked()) << "port field " << GetParam();
    EXPECT_EQ(plcType(), "Port: 1 to 65535");
    typeAddress("127.0.0.1", port);
    frame();
    EXPECT_FALSE(locked());
    EXPECT_EQ(plcType(), "");
    click(connectButton());
    ASSERT_TRUE(pumpUntil([&] { return !topBar().isConnecting(); }, "the connect to end"));
    EXPECT_TRUE(connectedState());
}

INSTANTIATE_TEST_SUITE_P(AboveAndBelow, PortRangeTest, testing::Values(0, 65536, -1));

TEST_F(TopBarTest, DisconnectIsImmediateAndKeepsTheProductName) {
    connectSample();
    click(connectButton());
    EXPECT_FALSE(connectedState()) << "the click itself disconnects";
    frame();
    EXPECT_EQ(status(), "PLC-Status: DISCONNECTED");
    EXPECT_EQ(buttonText(), "Connect");
    EXPECT_EQ(plcType(), sampleProduct);
    EXPECT_TRUE(pumpUntil([&] { return server->sessionsUnregistered() == 1; }, "the session to be unregistered"));
}

// A device that accepts TCP and never answers: the second click (Cancel) ends the
// attempt at once, and the worker is free again without waiting for the time limit.
TEST_F(TopBarTest, CancelEndsAStalledConnectAtOnce) {
    quillon::sim::Options stalled;
    stalled.stall = true;
    restartSample(stalled);
    typeAddress("127.0.0.1", port);
    click(connectButton());
    ASSERT_TRUE(pumpUntil([&] { return server->connectionsAccepted() == 1; }, "the stalled connect"));
    EXPECT_EQ(buttonText(), "Cancel");

    const auto start = std::chrono::steady_clock::now();
    click(connectButton());
    const auto shown = std::chrono::steady_clock::now();
    drainPool();
    const auto freed = std::chrono::steady_clock::now();
    std::printf("cancel: status shown after %.1f ms, worker free after %.1f ms\n",
                std::chrono::duration<double, std::milli>(shown - start).count(),
                std::chrono::duration<double, std::milli>(freed - start).count());
    EXPECT_EQ(status(), "PLC-Status: DISCONNECTED");
    EXPECT_EQ(buttonText(), "Connect");
    EXPECT_LT(freed - start, std::chrono::milliseconds(AppState::connectTimeoutMs / 2));
    frame(2); // the cancelled attempt's completion
    EXPECT_EQ(status(), "PLC-Status: DISCONNECTED");
    EXPECT_FALSE(connectedState());
}

// The controller goes away and comes back on the same address: the bar says so, counts
// down, reconnects by itself, and the rows of the same controller stay.
TEST_F(TopBarTest, ALostConnectionShowsAndReconnectsToTheSameController) {
    connectSample();
    const TreeItem* firstRow = tree().getItems().front().get();
    server->stop();
    ASSERT_TRUE(pumpUntil([&] { return status() == "PLC-Status: CONNECTION LOST"; }, "CONNECTION LOST"));
    EXPECT_EQ(statusColor(), theme().errorColor());
    EXPECT_EQ(buttonText(), "Disconnect");
    EXPECT_FALSE(connectedState());
    EXPECT_TRUE(pumpUntil([&] { return plcType().find("reconnecting") != std::string::npos; }, "the reconnect note"));
    EXPECT_NE(AppState::instance().lostReason(), "");

    server->start(port);
    ASSERT_TRUE(pumpUntil([&] { return status() == "PLC-Status: CONNECTED"; }, "CONNECTED again"));
    EXPECT_EQ(plcType(), sampleProduct);
    frame(2);
    EXPECT_EQ(tree().getItems().front().get(), firstRow) << "the same controller keeps its rows";
}

// Another controller answers at the address after a loss: its own tags are listed, and
// the watch list keeps the paths it also has, with its types.
TEST_F(TopBarTest, AnotherControllerAfterALossListsItsOwnTagsAndKeepsTheWatchedOnes) {
    connectSample();
    TagInspector& inspector = TagInspector::instance();
    for (const char* path : {"DintValue", "RealValue", "Program:MainProgram.Mode", "Inputs[37]"}) {
        TagItem& row = tagRow(path);
        inspector.addTag(*row.getInfo(), row.getPath(), row.isBoolBit());
    }
    server->stop();
    ASSERT_TRUE(pumpUntil([&] { return status() == "PLC-Status: CONNECTION LOST"; }, "CONNECTION LOST"));
    server = std::make_unique<quillon::sim::Server>(quillon::sim::parseController(R"({
      "identity": {"productName": "Another"},
      "tags": [{"name": "DintValue", "type": "REAL"}, {"name": "Inputs", "type": "BOOL", "dims": [64]}],
      "programs": [{"name": "MainProgram", "tags": [{"name": "Mode", "type": "INT"}]}]})"));
    server->start(port);
    ASSERT_TRUE(pumpUntil([&] { return status() == "PLC-Status: CONNECTED" && !tree().isLoading(); }, "the new list"));
    frame(2);
    EXPECT_EQ(tree().getItems().size(), 3u) << "the other controller's own tags";
    std::vector<std::pair<std::string, std::string>> watched;
    for (const TagInspector::Entry& entry : inspector.entries()) {
        watched.emplace_back(entry.name, entry.typeName);
    }
    EXPECT_EQ(watched, (std::vector<std::pair<std::string, std::string>>{
                           {"DintValue", "REAL"}, {"Program:MainProgram.Mode", "INT"}, {"Inputs[37]", "BOOL"}}));
}

// Disconnect while reconnecting ends the attempts.
TEST_F(TopBarTest, DisconnectWhileReconnectingStopsTrying) {
    connectSample();
    server->stop();
    ASSERT_TRUE(pumpUntil([&] { return status() == "PLC-Status: CONNECTION LOST"; }, "CONNECTION LOST"));
    click(connectButton());
    EXPECT_EQ(status(), "PLC-Status: DISCONNECTED");
    const std::uint64_t accepted = server->connectionsAccepted();
    server->start(port);
    pumpFor(std::chrono::milliseconds(1500)); // past the first wait of the back-off
    EXPECT_EQ(server->connectionsAccepted(), accepted);
    EXPECT_EQ(status(), "PLC-Status: DISCONNECTED");
}

TEST_F(TopBarTest, ABarGoneBeforeItsConnectEndsIsNotTouched) {
    typeAddress("127.0.0.1", port);
    {
        PoolGate gate;
        click(connectButton());
        mainWindow.reset(); // the window's widgets stay until the Application goes
        app.reset();
        app = std::make_unique<zolt::ui::Application>(
            zolt::ui::RenderContext::create(zolt::ui::kBackendHeadless, "views"), "views");
        gate.open();
    }
    drainPool();
    frame(2); // the connect's completion, if it was kept, would run now
    EXPECT_TRUE(connectedState());
}

} // namespace
