// Class 3 connections: Forward Open and its refusals, SendUnitData with sequence counts,
// and the ways a connection ends (Forward Close, a drop after N requests, the idle timeout).
#include <thread>

#include "sim_test.hpp"

namespace quillon::sim::test {
namespace {

constexpr uint8_t kForwardOpen = 0x54;
constexpr uint8_t kLargeForwardOpen = 0x5B;
constexpr uint8_t kForwardClose = 0x4E;
const Bytes kMessageRouter{0x20, 0x02, 0x24, 0x01};

Bytes connectionManager() { return PathBuilder().classId(0x06).instance(0x01); }

// A Forward Open for a class 3 connection of `size` bytes both ways; serial tells triads
// apart. RPI 100 ms x4: idle for 400 ms, the connection is gone.
Bytes forwardOpen(bool large, uint32_t size, uint16_t serial, const Bytes& route = {}) {
  Bytes data{0x0A, 0x0E};
  put(data, 0, 4);
  put(data, 0x7700 + serial, 4);  // T->O id
  put(data, serial, 2);
  put(data, 0x1234, 2);
  put(data, 0xCAFE, 4);
  data.insert(data.end(), {0x00, 0, 0, 0});
  for (int direction = 0; direction < 2; ++direction) {
    put(data, 100000, 4);
    if (large) put(data, 0x42000000u | size, 4);
    else put(data, static_cast<uint16_t>(0x4200u | size), 2);
  }
  data.push_back(0xA3);
  Bytes path = route;
  path.insert(path.end(), kMessageRouter.begin(), kMessageRouter.end());
  data.push_back(static_cast<uint8_t>(path.size() / 2));
  data.insert(data.end(), path.begin(), path.end());
  return routerRequest(large ? kLargeForwardOpen : kForwardOpen, connectionManager(), data);
}

Bytes forwardClose(uint16_t serial) {
  Bytes data{0x0A, 0x0E};
  put(data, serial, 2);
  put(data, 0x1234, 2);
  put(data, 0xCAFE, 4);
  data.push_back(2);
  data.push_back(0);
  data.insert(data.end(), kMessageRouter.begin(), kMessageRouter.end());
  return routerRequest(kForwardClose, connectionManager(), data);
}

struct OpenCase {
  const char* label;
  bool large;
  uint32_t size;
  std::function<void(Options&)> knobs;
  uint8_t status;
  std::vector<uint16_t> additional;
};

class ForwardOpenTest : public SimTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(ForwardOpenTest, AnswersAsAController) {
  const OpenCase& c = GetParam();
  setOptions(c.knobs);
  auto wire = client();
  RouterReply reply = wire->request(forwardOpen(c.large, c.size, 1));
  EXPECT_EQ(reply.status, c.status);
  EXPECT_EQ(reply.additional, c.additional);
  if (c.status == 0x08) return;  // not offered: no data
  // Success and refusal both echo the triad (after the two ids on success).
  ASSERT_GE(reply.data.size(), 8u);
  size_t at = c.status == 0 ? 8 : 0;
  EXPECT_EQ(get16(reply.data, at), 1u);
  EXPECT_EQ(get32(reply.data, at + 4), 0xCAFEu);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ForwardOpenTest,
    ::testing::Values(
        OpenCase{"LargeAccepted", true, 4002, [](Options&) {}, 0x00, {}},
        OpenCase{"SmallAccepted", false, 504, [](Options&) {}, 0x00, {}},
        OpenCase{"LargeRefusedByOlderFirmware", true, 4002, [](Options& o) { o.refuseLargeForwardOpen = true; },
                 0x08, {}},
        OpenCase{"EveryOpenRefused", false, 504, [](Options& o) { o.refuseForwardOpen = true; }, 0x08, {}},
        OpenCase{"SizeAboveLimitNamesTheLimit", true, 4002, [](Options& o) { o.maxConnectionSize = 1000; },
                 0x01, {0x0109, 1000}}),
    LabelName{});

// The limit counts connections across the server: the second session's open is refused
// until the first session's connections end with it. A triad used twice and a close of an
// unknown connection are refused.
TEST_F(SimTest, ConnectionLimitAndDuplicateTriads) {
  setOptions([](Options& o) { o.maxCipConnections = 2; });
  auto first = client();
  EXPECT_EQ(first->request(forwardOpen(true, 4002, 1)).status, 0x00);
  EXPECT_EQ(first->request(forwardOpen(true, 4002, 1)).additional, (std::vector<uint16_t>{0x0100}));
  EXPECT_EQ(first->request(forwardOpen(true, 4002, 2)).status, 0x00);
  EXPECT_EQ(first->request(forwardClose(9)).additional, (std::vector<uint16_t>{0x0107}));  // no such connection
  auto second = client();
  EXPECT_EQ(second->request(forwardOpen(true, 4002, 3)).additional, (std::vector<uint16_t>{0x0113}));
  first.reset();  // its connections end with its session, a moment later
  uint8_t status = 0xFF;
  for (int tries = 0; tries < 200 && status != 0x00; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    status = second->request(forwardOpen(true, 4002, 3)).status;
  }
  EXPECT_EQ(status, 0x00);
}

class ConnectedTest : public SimTest {
 protected:
  // Opens a connection; returns its O->T and T->O ids.
  std::pair<uint32_t, uint32_t> open(WireClient& wire, uint32_t size = 4002, uint16_t serial = 7,
                                     const Bytes& route = {}) {
    RouterReply reply = wire.request(forwardOpen(true, size, serial, route));
    EXPECT_EQ(reply.status, 0x00);
    return {get32(reply.data, 0), get32(reply.data, 4)};
  }
  // One SendUnitData; the reply packet (status, data) or nullopt.
  std::optional<Packet> unitData(WireClient& wire, uint32_t otId, uint16_t sequence, const Bytes& request) {
    Bytes id, counted;
    put(id, otId, 4);
    put(counted, sequence, 2);
    wire.send(0x70, wire.session(), commonPacket({{0xA1, id}, {0xB1, join(counted, request)}}), sequence);
    return wire.receive();
  }
};

TEST_F(ConnectedTest, RepliesNameTheTargetIdAndTheSequenceCount) {
  auto wire = client();
  auto [otId, toId] = open(*wire);
  server().clearRequests();
  std::optional<Packet> reply = unitData(*wire, otId, 5, readTagRequest("Counter"));
  ASSERT_TRUE(reply && reply->data.size() >= 25u);
  EXPECT_EQ(std::tuple(reply->status, get16(reply->data, 8), get32(reply->data, 12), get16(reply->data, 16), get16(reply->data, 20)),
            std::tuple(0u, 0xA1, toId, 0xB1, 5));
  EXPECT_EQ(std::tuple(reply->data[22], reply->data[24]), std::tuple(0xCC, 0x00));  // a Read Tag reply
  // The same count again is a retry: the same reply, and the request is not served twice.
  EXPECT_EQ(unitData(*wire, otId, 5, readTagRequest("Counter")).value_or(Packet{}).data, reply->data);
  std::vector<RequestRecord> records = server().requests();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(std::tuple(records[0].cipConnectionId, records[0].sequenceCount, records[0].service, records[1].service),
            std::tuple(otId, 5u, 0x4C, 0x00));
}

// Replies fill the connection: a symbol page of a 4002-byte connection is larger than the
// 504 bytes of an unconnected one, and a request above the connection size is refused.
TEST_F(ConnectedTest, ConnectionSizeBoundsRequestsAndReplies) {
  auto wire = client();
  Bytes listing = routerRequest(0x55, PathBuilder().classId(0x6B).instance(0), Bytes{0x02, 0x00, 0x01, 0x00, 0x02, 0x00});
  size_t unconnected = wire->sendRR(listing)->size();
  auto [otId, toId] = open(*wire, 4002);
  std::optional<Packet> big = unitData(*wire, otId, 1, listing);
  ASSERT_TRUE(big);
  EXPECT_GT(big->data.size() - 24, unconnected);
  EXPECT_LE(big->data.size() - 22, 4002u);
  auto [smallId, smallTo] = open(*wire, 40, 8);
  std::optional<Packet> refused = unitData(*wire, smallId, 1, readTagRequest("Program:MainProgram.AVeryLongTagNameThatDoesNotFit"));
  EXPECT_EQ(refused.value_or(Packet{}).data.at(24), 0x1A);
}

struct EndCase {
  const char* label;
  std::function<void(Options&)> knobs;
  std::function<void(WireClient&)> between;  // after the first connected request
};

class ConnectionEndTest : public ConnectedTest, public ::testing::WithParamInterface<EndCase> {};

// However a connection ends, a request on it gets encapsulation status 0x0003 and no data.
TEST_P(ConnectionEndTest, LaterRequestsAreRefused) {
  setOptions(GetParam().knobs);
  auto wire = client();
  auto [otId, toId] = open(*wire);
  std::optional<Packet> first = unitData(*wire, otId, 1, readTagRequest("Counter"));
  ASSERT_TRUE(first);
  EXPECT_EQ(first->status, 0u);
  GetParam().between(*wire);
  std::optional<Packet> later = unitData(*wire, otId, 2, readTagRequest("Counter"));
  ASSERT_TRUE(later);
  EXPECT_EQ(later->status, 0x0003u);
  EXPECT_TRUE(later->data.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionEndTest,
    ::testing::Values(
        EndCase{"ForwardClose", [](Options&) {},
                [](WireClient& wire) { EXPECT_EQ(wire.request(forwardClose(7)).status, 0x00); }},
        EndCase{"DroppedAfterRequests", [](Options& o) { o.dropConnectionAfter = 1; }, [](WireClient&) {}},
        EndCase{"IdleTimeout", [](Options& o) { o.connectionTimeoutMs = 20; },
                [](WireClient&) { std::this_thread::sleep_for(std::chrono::milliseconds(60)); }}),
    LabelName{});

// Through a communication module: the connection path's hop leads to the slot's controller,
// whose tags the connected requests then read without an Unconnected Send.
TEST_F(ConnectedTest, ConnectionPathRoutesToTheSlot) {
  start(parseController(R"({"chassis": {"module": {"slot": 1},
      "controllers": [{"slot": 2, "tags": [{"name": "A", "type": "DINT", "value": 7}]}]}})"));
  auto wire = client();
  auto [otId, toId] = open(*wire, 4002, 7, Bytes{0x01, 0x02});
  const Bytes reply = unitData(*wire, otId, 1, readTagRequest("A")).value_or(Packet{}).data;
  ASSERT_GE(reply.size(), 29u);
  EXPECT_EQ(std::tuple(reply[24], reply[28]), std::tuple(0x00, 7));
  RouterReply empty = wire->request(forwardOpen(true, 4002, 8, Bytes{0x01, 0x03}));
  // Route words left: the hop and the message router's two.
  EXPECT_EQ(std::tuple(empty.status, empty.additional, empty.data.at(8)), std::tuple(0x01, std::vector<uint16_t>{0x0312}, 3));
}

}  // namespace
}  // namespace quillon::sim::test
