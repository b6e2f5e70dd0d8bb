// The top bar: address checks, connect, failure, cancel, disconnect, and the reconnect after a loss.
#include "ViewsSupport.hpp"

#include <chrono>

namespace {

using namespace viewtest;

constexpr const char* sampleProduct = "PLC-Type: Zolt QX-85 Line Controller";

class TopBarTest : public ViewsTest {
protected:
    std::string status() const { return topBar().getStatusLabel()->getText(); }
    std::string plcType() const { return topBar().getPlcTypeLabel()->getText(); }
    std::string buttonText() const { return topBar().getConnectButton()->getText()->getText(); }
    bool locked() const { return topBar().getConnectButton()->isLocked(); }
    bool showsConnected() { return status().starts_with("PLC-Status: CONNECTED"); }
    bool showsLost() { return status() == "PLC-Status: CONNECTION LOST"; }
};

TEST_F(TopBarTest, AddressChecksThenAFailedAndAGoodConnectThenDisconnect) {
    EXPECT_EQ(status(), "") << "the status shows from the first connect attempt on";
    EXPECT_TRUE(locked()) << "no address yet";
    const std::uint64_t generation = AppState::instance().connectionGeneration();
    click(connectButton());
    EXPECT_EQ(AppState::instance().connectionGeneration(), generation) << "a locked button starts nothing";
    for (const std::int64_t bad : {0, 65536}) {
        typeAddress("127.0.0.1", bad);
        frame();
        EXPECT_TRUE(locked()) << bad;
        EXPECT_EQ(plcType(), "Port: 1 to 65535");
    }

    typeAddress("127.0.0.1", simtest::closedPort());
    EXPECT_FALSE(locked());
    EXPECT_EQ(plcType(), "");
    for (int attempt = 0; attempt < 2; ++attempt) {
        PoolGate gate; // the connect task waits behind it
        click(connectButton());
        EXPECT_EQ(status(), "PLC-Status: CONNECTING");
        EXPECT_EQ(plcType(), "") << "the last attempt's outcome does not stay beside the next";
        gate.open();
        ASSERT_TRUE(pumpUntil([&] { return !topBar().isConnecting(); }, "the connect to end"));
        frame();
        EXPECT_EQ(status(), "PLC-Status: DISCONNECTED");
        EXPECT_EQ(plcType(), "Connection failed");
    }

    typeAddress("127.0.0.1", port);
    {
        PoolGate gate;
        click(connectButton());
        EXPECT_EQ(buttonText(), "Cancel");
        click(ipField());
        typeText("9");
        EXPECT_EQ(topBar().getIpText(), "127.0.0.1") << "the inputs are inert while the connect runs";
    }
    ASSERT_TRUE(pumpUntil([&] { return showsConnected(); }, "CONNECTED"));
    EXPECT_EQ(buttonText(), "Disconnect");
    EXPECT_EQ(plcType(), sampleProduct);

    waitForTree(); // a disconnect during the listing cuts the connection instead of unregistering
    click(connectButton());
    EXPECT_FALSE(AppState::instance().isConnected()) << "the click itself disconnects";
    frame();
    EXPECT_EQ(status(), "PLC-Status: DISCONNECTED");
    EXPECT_EQ(buttonText(), "Connect");
    EXPECT_EQ(plcType(), sampleProduct) << "the product name stays";
    EXPECT_TRUE(pumpUntil([&] { return server->sessionsUnregistered() == 1; }, "the session to be unregistered"));
}

// A device that accepts TCP and never answers: the worker is free at once, not at the time limit.
TEST_F(TopBarTest, CancelEndsAStalledConnectAtOnce) {
    quillon::sim::Options stalled;
    stalled.stall = true;
    restartSample(stalled);
    typeAddress("127.0.0.1", port);
    click(connectButton());
    ASSERT_TRUE(pumpUntil([&] { return server->connectionsAccepted() == 1; }, "the stalled connect"));
    const auto start = std::chrono::steady_clock::now();
    click(connectButton());
    drainPool();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(AppState::connectTimeoutMs / 2));
    EXPECT_EQ(status(), "PLC-Status: DISCONNECTED");
    frame(2); // the cancelled attempt's completion
    EXPECT_EQ(status(), "PLC-Status: DISCONNECTED");
    EXPECT_FALSE(AppState::instance().isConnected());
}

// The same controller keeps its rows; Disconnect while reconnecting ends the attempts; another
// controller after a loss is listed, and the watch list keeps the paths it also has, retyped.
TEST_F(TopBarTest, ALostConnectionReconnectsToTheSameOrAnotherController) {
    connectSample();
    const TreeItem* firstRow = tree().getItems().front().get();
    server->stop();
    ASSERT_TRUE(pumpUntil([&] { return showsLost(); }, "CONNECTION LOST"));
    EXPECT_EQ(buttonText(), "Disconnect");
    EXPECT_TRUE(pumpUntil([&] { return plcType().find("reconnecting") != std::string::npos; }, "the reconnect note"));
    server->start(port);
    ASSERT_TRUE(pumpUntil([&] { return showsConnected(); }, "CONNECTED again"));
    frame(2);
    EXPECT_EQ(tree().getItems().front().get(), firstRow) << "the same controller keeps its rows";

    server->stop();
    ASSERT_TRUE(pumpUntil([&] { return showsLost(); }, "CONNECTION LOST"));
    click(connectButton());
    EXPECT_EQ(status(), "PLC-Status: DISCONNECTED");
    const std::uint64_t accepted = server->connectionsAccepted();
    server->start(port);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    pumpUntil([&] { return std::chrono::steady_clock::now() > end; }, "past the first wait of the back-off");
    EXPECT_EQ(server->connectionsAccepted(), accepted);

    click(connectButton());
    ASSERT_TRUE(pumpUntil([&] { return showsConnected() && !topBar().isConnecting(); }, "the connect"));
    waitForTree(); // submitted once the bar has seen the connect end
    for (const char* path : {"DintValue", "RealValue", "Program:MainProgram.Mode", "Inputs[37]"}) {
        auto& row = dynamic_cast<TagItem&>(*findRow(path));
        TagInspector::instance().addTag(*row.getInfo(), row.getPath(), row.isBoolBit());
    }
    server->stop();
    ASSERT_TRUE(pumpUntil([&] { return showsLost(); }, "CONNECTION LOST"));
    server = std::make_unique<quillon::sim::Server>(quillon::sim::parseController(R"({
      "identity": {"productName": "Another"},
      "tags": [{"name": "DintValue", "type": "REAL"}, {"name": "Inputs", "type": "BOOL", "dims": [64]}],
      "programs": [{"name": "MainProgram", "tags": [{"name": "Mode", "type": "INT"}]}]})"));
    server->start(port);
    ASSERT_TRUE(pumpUntil([&] { return showsConnected() && !tree().isLoading(); }, "the new list"));
    frame(2);
    EXPECT_EQ(tree().getItems().size(), 3u) << "the other controller's own tags";
    EXPECT_EQ(watchedNames(), (Names{"DintValue", "Program:MainProgram.Mode", "Inputs[37]"}));
    EXPECT_EQ(watched("DintValue").typeName, "REAL") << "the other controller's type";
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
    }
    drainPool();
    frame(2); // the connect's completion, if it was kept, would run now
    EXPECT_TRUE(AppState::instance().isConnected());
}

} // namespace
