// The shared application state against the simulator over loopback.

#include "AppState.hpp"
#include "SimFixture.hpp"
#include "TagList.hpp"

namespace {

class AppStateTest : public simtest::SimTest {
protected:
    void SetUp() override { startSim(); }
    AppState state;
};

// Invalid arguments, and a connect cancelled before its worker took it up, never talk to
// the controller; the probe sees a connection the controller dropped and would not give again.
TEST_F(AppStateTest, ConnectsDisconnectsAndNotesALostConnection) {
    EXPECT_EQ(state.connect("", 44818), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(state.connect("127.0.0.1", 0), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(state.connectionGeneration(), 2U);
    const std::uint64_t attempt = state.beginConnect();
    state.disconnect();
    EXPECT_EQ(state.connect("127.0.0.1", port, attempt), ZOLTC_LOGIX_ERR_ABORTED);
    EXPECT_FALSE(state.isConnected());
    EXPECT_EQ(server->connectionsAccepted(), 0U);

    EXPECT_EQ(state.connect("127.0.0.1", port), 0) << "the next attempt clears the abort";
    EXPECT_TRUE(state.isConnected());
    EXPECT_EQ(state.plcType(), server->controller().identity().productName);
    EXPECT_EQ(state.connectionGeneration(), 5U);
    ASSERT_EQ(state.connect("127.0.0.1", port), 0);
    EXPECT_EQ(state.connectionGeneration(), 6U);
    EXPECT_EQ(server->sessionsRegistered(), 2U);

    TagList first;
    TagList second;
    ASSERT_EQ(state.withClient([&](zoltc_logix_client* client) { return first.browse(client, ""); }), 0);
    ASSERT_EQ(state.withClient([&](zoltc_logix_client* client) { return second.browse(client, "MainProgram"); }), 0);
    const std::size_t count = first.records().size();
    second = std::move(first);
    EXPECT_EQ(second.records().size(), count);
    EXPECT_TRUE(first.empty()) << "the list moved into lets go of what it held";

    quillon::sim::Options dropped = server->options();
    dropped.dropConnectionAfter = 1;
    dropped.refuseForwardOpen = true;
    server->setOptions(dropped);
    ASSERT_EQ(state.probe() | state.probe(), ZOLTC_LOGIX_OK);
    EXPECT_EQ(state.messaging().brief, "unconnected (fell back)");

    state.disconnect();
    EXPECT_FALSE(state.isConnected());
    EXPECT_EQ(state.connectionGeneration(), 7U);
    EXPECT_TRUE(simtest::waitFor([&] { return server->sessionsUnregistered() == 2; }));
    zoltc_logix_tag_info_list list{};
    EXPECT_EQ(state.withClient([&list](zoltc_logix_client* client) { return zoltc_logix_list_tags(client, &list); }),
              ZOLTC_LOGIX_ERR_NOT_CONNECTED);
    zoltc_logix_tag_info_list_free(&list);

    EXPECT_NE(state.connect("127.0.0.1", simtest::closedPort()), 0);
    EXPECT_EQ(state.link(), AppState::Link::Disconnected);
    EXPECT_EQ(state.connectionGeneration(), 8U);

    // A controller that went away is seen by the next call; the reconnect to the same one
    // keeps the tag epoch, another controller (or a connect the user asked for) moves it on.
    ASSERT_EQ(state.connect("127.0.0.1", port), 0);
    const std::uint64_t epoch = state.tagEpoch();
    server->stop();
    const zoltc_logix_result lost = state.probe();
    EXPECT_TRUE(lost == ZOLTC_LOGIX_ERR_CONNECTION_LOST || lost == ZOLTC_LOGIX_ERR_NOT_CONNECTED) << lost;
    EXPECT_EQ(state.link(), AppState::Link::Lost);
    EXPECT_EQ(state.lostReason(), zoltc_logix_result_name(lost));
    EXPECT_NE(state.connect("127.0.0.1", port, state.beginConnect(true)), 0);
    EXPECT_EQ(state.link(), AppState::Link::Lost) << "a failed reconnect stays lost";

    server->start(port);
    ASSERT_EQ(state.connect("127.0.0.1", port, state.beginConnect(true)), 0);
    EXPECT_EQ(state.tagEpoch(), epoch);

    quillon::sim::Server other{quillon::sim::Controller()};
    server->stop();
    other.start(port);
    ASSERT_NE(state.probe(), ZOLTC_LOGIX_OK);
    ASSERT_EQ(state.connect("127.0.0.1", port, state.beginConnect(true)), 0);
    EXPECT_EQ(state.tagEpoch(), epoch + 1);
    EXPECT_TRUE(state.tagEpochAfterLoss());
    EXPECT_EQ(state.identity().productName, other.controller().identity().productName);
    ASSERT_EQ(state.connect("127.0.0.1", port), 0);
    EXPECT_EQ(state.tagEpoch(), epoch + 2);
    EXPECT_FALSE(state.tagEpochAfterLoss()) << "the user asked for this connect";
}

} // namespace
