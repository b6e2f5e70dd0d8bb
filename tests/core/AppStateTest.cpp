// The shared application state against the controller simulator over loopback.

#include "AppState.hpp"

#include <quillon_sim/controller.hpp>
#include <quillon_sim/server.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <future>
#include <thread>

namespace {

class AppStateTest : public testing::Test {
protected:
    AppStateTest() : server(quillon::sim::loadController(QUILLON_SIM_SAMPLE)) {}

    // A loopback port with no listener: taken by a server that is stopped again.
    static std::uint16_t closedPort() {
        quillon::sim::Server probe{quillon::sim::Controller()};
        const std::uint16_t port = probe.start();
        probe.stop();
        return port;
    }

    quillon::sim::Server server;
    AppState state;
};

TEST_F(AppStateTest, FailedConnectLeavesNoTypeButStartsANewGeneration) {
    ASSERT_EQ(state.connect("127.0.0.1", server.start()), 0);
    ASSERT_FALSE(state.plcType().empty());
    const std::uint64_t before = state.connectionGeneration();

    EXPECT_NE(state.connect("127.0.0.1", closedPort()), 0);
    EXPECT_FALSE(state.isConnected());
    EXPECT_EQ(state.plcType(), "");
    EXPECT_EQ(state.connectionGeneration(), before + 1);
}

TEST_F(AppStateTest, ConnectReadsTheControllersProductName) {
    const std::uint16_t port = server.start();
    EXPECT_FALSE(state.isConnected());
    EXPECT_EQ(state.plcType(), "");

    EXPECT_EQ(state.connect("127.0.0.1", port), 0);
    EXPECT_TRUE(state.isConnected());
    EXPECT_EQ(state.plcType(), server.controller().identity().productName);
    EXPECT_EQ(state.connectionGeneration(), 1U);
    EXPECT_EQ(server.sessionsRegistered(), 1U);
}

TEST_F(AppStateTest, InvalidArgumentsFailWithoutTouchingTheNetwork) {
    server.start();
    EXPECT_EQ(state.connect("", 44818), 1);
    EXPECT_EQ(state.connect("127.0.0.1", 0), 1);
    EXPECT_FALSE(state.isConnected());
    EXPECT_EQ(state.connectionGeneration(), 2U);
    EXPECT_EQ(server.connectionsAccepted(), 0U);
}

TEST_F(AppStateTest, DisconnectUnregistersAndStartsANewGeneration) {
    ASSERT_EQ(state.connect("127.0.0.1", server.start()), 0);
    state.disconnect();
    EXPECT_FALSE(state.isConnected());
    EXPECT_EQ(state.connectionGeneration(), 2U);
    // The library's requests now fail: the session is gone.
    zoltc_logix_tag_info_list list{};
    EXPECT_EQ(state.withClient([&list](zoltc_logix_client* client) { return zoltc_logix_list_tags(client, &list); }),
              ZOLTC_LOGIX_ERR_NOT_CONNECTED);
    zoltc_logix_tag_info_list_free(&list);
}

TEST_F(AppStateTest, DisconnectWaitsForALibraryCallInProgress) {
    ASSERT_EQ(state.connect("127.0.0.1", server.start()), 0);
    const std::uint64_t generationBefore = state.connectionGeneration();

    std::promise<void> browseEntered;
    std::promise<void> disconnectCalled;
    std::atomic<bool> browseFinished{false};
    std::uint64_t generationDuringBrowse = 0;
    zoltc_logix_result browseResult = ZOLTC_LOGIX_ERR_UNKNOWN;
    zoltc_logix_tag_info_list list{};

    std::thread worker([&] {
        state.withClient([&](zoltc_logix_client* client) {
            browseEntered.set_value();
            // Finish the browse only once the disconnect has been issued.
            disconnectCalled.get_future().wait();
            browseResult = zoltc_logix_list_tags(client, &list);
            generationDuringBrowse = state.connectionGeneration();
            browseFinished = true;
        });
    });
    browseEntered.get_future().wait();

    bool finishedWhenDisconnectReturned = false;
    std::thread ui([&] {
        disconnectCalled.set_value();
        state.disconnect();
        finishedWhenDisconnectReturned = browseFinished.load();
    });
    worker.join();
    ui.join();

    EXPECT_TRUE(finishedWhenDisconnectReturned);
    // The browse ran on an intact session: the disconnect did not cut in.
    EXPECT_EQ(browseResult, ZOLTC_LOGIX_OK);
    EXPECT_GT(list.count, 0U);
    EXPECT_EQ(generationDuringBrowse, generationBefore);
    EXPECT_EQ(state.connectionGeneration(), generationBefore + 1);
    EXPECT_FALSE(state.isConnected());
    zoltc_logix_tag_info_list_free(&list);
}

TEST_F(AppStateTest, ReconnectRegistersAFreshSession) {
    const std::uint16_t port = server.start();
    ASSERT_EQ(state.connect("127.0.0.1", port), 0);
    ASSERT_EQ(state.connect("127.0.0.1", port), 0);
    EXPECT_TRUE(state.isConnected());
    EXPECT_EQ(state.connectionGeneration(), 2U);
    EXPECT_EQ(server.sessionsRegistered(), 2U);
}

} // namespace
