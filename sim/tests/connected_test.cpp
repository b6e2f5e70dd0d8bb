// Class 3 connections: Forward Open and its refusals, SendUnitData with sequence counts, the
// ways a connection ends (Forward Close, a drop after N requests, the idle timeout), and a
// chassis whose module routes unconnected and connected requests to its slots.
#include <thread>

#include "sim_test.hpp"

namespace quillon::sim::test {
namespace {

const Bytes kConnectionManager = PathBuilder().classId(0x06).instance(0x01);

// A Forward Open (Large unless `large` is false) of a class 3 connection of `size` bytes both
// ways to the message router behind `route`; serial tells triads apart. RPI 100 ms x4.
Bytes forwardOpen(uint16_t serial, const Bytes& route = {}, uint32_t size = 4002, bool large = true) {
  // Ticks, the O->T and T->O ids, the triad, the timeout multiplier, then RPI and size both ways.
  const uint32_t sizeWord = (large ? 0x42000000u : 0x4200u) | size;
  Bytes data = le({{0x0E0A, 2}, {0, 4}, {0x7700u + serial, 4}, {serial, 2}, {0x1234, 2}, {0xCAFE, 4}, {0, 4},
                   {100000, 4}, {sizeWord, large ? 4 : 2}, {100000, 4}, {sizeWord, large ? 4 : 2}});
  const Bytes path = join(route, {0x20, 0x02, 0x24, 0x01});
  data.insert(data.end(), {0xA3, static_cast<uint8_t>(path.size() / 2)});
  return routerRequest(large ? 0x5B : 0x54, kConnectionManager, join(data, path));
}

Bytes forwardClose(uint8_t serial) {
  return routerRequest(0x4E, kConnectionManager, {0x0A, 0x0E, serial, 0, 0x34, 0x12, 0xFE, 0xCA, 0, 0, 2, 0, 0x20, 0x02, 0x24, 0x01});
}

// One SendUnitData on connection `otId`: the reply packet.
Packet unitData(WireClient& wire, uint32_t otId, uint16_t sequence, const Bytes& request) {
  wire.send(0x70, wire.session(), commonPacket({{0xA1, le(otId, 4)}, {0xB1, join(le(sequence, 2), request)}}), sequence);
  return wire.receive().value_or(Packet{});
}

using Connected = SimTest;

// The refusals in the order a controller checks them, each echoing the triad; the limit counts
// connections across the server until a session's connections end with it.
TEST_F(Connected, ForwardOpenRefusalsAndTheConnectionLimit) {
  setOptions([](Options& o) { o.maxCipConnections = 2; });
  auto first = client();
  const RouterReply opened = first->request(forwardOpen(1));
  EXPECT_EQ(std::tuple(opened.status, get16(opened.data, 8), get32(opened.data, 12)), std::tuple(0, 1, 0xCAFEu));  // after the two ids
  EXPECT_EQ(first->request(forwardOpen(1)).additional, (std::vector<uint16_t>{0x0100}));  // a triad used twice
  EXPECT_EQ(first->request(forwardOpen(2, {}, 504, false)).status, 0x00);
  EXPECT_EQ(first->request(forwardClose(9)).additional, (std::vector<uint16_t>{0x0107}));  // no such connection
  auto second = client();
  const RouterReply full = second->request(forwardOpen(3));
  EXPECT_EQ(std::tuple(full.status, full.additional, get16(full.data, 0), get32(full.data, 4)), std::tuple(0x01, std::vector<uint16_t>{0x0113}, 3, 0xCAFEu));
  setOptions([](Options& o) { o.maxConnectionSize = 1000; });
  EXPECT_EQ(second->request(forwardOpen(3)).additional, (std::vector<uint16_t>{0x0109, 1000}));  // names the limit
  setOptions([](Options& o) { o.refuseLargeForwardOpen = true; });
  EXPECT_EQ(std::tuple(second->request(forwardOpen(3)).status, second->request(forwardOpen(3, {}, 504, false)).status), std::tuple(0x08, 0x01));
  setOptions([](Options& o) { o = Options{}; o.refuseForwardOpen = true; o.maxCipConnections = 2; });
  EXPECT_EQ(second->request(forwardOpen(3, {}, 504, false)).status, 0x08);
  setOptions([](Options& o) { o.refuseForwardOpen = false; });
  first.reset();  // its connections end with its session, a moment later
  EXPECT_TRUE(waitFor([&] { return second->request(forwardOpen(3)).status == 0x00; }));
}

// Replies name the target's id and the sequence count; a repeated count is a retry; replies fill
// the connection's size and a request above it is refused; however a connection ends, a request
// on it gets encapsulation status 0x0003 and no data.
TEST_F(Connected, RequestsOnAConnectionAndHowItEnds) {
  auto wire = client();
  const RouterReply opened = wire->request(forwardOpen(7));
  const uint32_t otId = get32(opened.data, 0);
  server().clearRequests();
  const Packet reply = unitData(*wire, otId, 5, readTagRequest("Counter"));
  ASSERT_GE(reply.data.size(), 25u);
  EXPECT_EQ(std::tuple(reply.status, get16(reply.data, 8), get32(reply.data, 12), get16(reply.data, 16), get16(reply.data, 20)),
            std::tuple(0u, 0xA1, get32(opened.data, 4), 0xB1, 5));
  EXPECT_EQ(std::tuple(reply.data[22], reply.data[24]), std::tuple(0xCC, 0x00));  // a Read Tag reply
  EXPECT_EQ(unitData(*wire, otId, 5, readTagRequest("Counter")).data, reply.data);
  const std::vector<RequestRecord> made = server().requests();  // the retry is not served twice
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(std::tuple(made[0].cipConnectionId, made[0].sequenceCount, made[0].service, made[1].service), std::tuple(otId, 5u, 0x4C, 0x00));
  const Bytes listing = routerRequest(0x55, PathBuilder().classId(0x6B).instance(0), Bytes{0x02, 0x00, 0x01, 0x00, 0x02, 0x00});
  const size_t unconnected = wire->sendRR(listing).value_or(Bytes{}).size();
  const size_t connected = unitData(*wire, otId, 6, listing).data.size();
  EXPECT_GT(connected - 24, unconnected);
  EXPECT_LE(connected - 22, 4002u);
  const uint32_t small = get32(wire->request(forwardOpen(8, {}, 40)).data, 0);
  EXPECT_EQ(unitData(*wire, small, 1, readTagRequest("Program:MainProgram.AVeryLongTagNameThatDoesNotFit")).data.at(24), 0x1A);
  const auto ended = [&](uint32_t id, const char* how) {
    const Packet later = unitData(*wire, id, 9, readTagRequest("Counter"));
    EXPECT_EQ(std::tuple(later.status, later.data.size()), std::tuple(0x0003u, 0u)) << how;
  };
  EXPECT_EQ(wire->request(forwardClose(7)).status, 0x00);
  ended(otId, "Forward Close");
  setOptions([](Options& o) { o.dropConnectionAfter = 1; });
  const uint32_t dropped = get32(wire->request(forwardOpen(10)).data, 0);
  EXPECT_EQ(unitData(*wire, dropped, 1, readTagRequest("Counter")).status, 0u);
  ended(dropped, "dropped after a request");
  setOptions([](Options& o) { o.dropConnectionAfter = 0; o.connectionTimeoutMs = 20; });
  const uint32_t idle = get32(wire->request(forwardOpen(11)).data, 0);
  EXPECT_EQ(unitData(*wire, idle, 1, readTagRequest("Counter")).status, 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  ended(idle, "idle timeout");
}

// A chassis: the module owns the address, answers for itself, has no tags, and routes
// Unconnected Sends and connection paths to its slots.
TEST_F(Connected, AChassisModuleRoutesToItsSlots) {
  start(parseController(R"({"chassis": {"module": {"slot": 1, "identity": {"productName": "Bridge"}},
      "controllers": [{"slot": 2, "identity": {"productName": "Slot Two"}, "tags": [{"name": "A", "type": "DINT", "value": 7}]}]}})"));
  auto wire = client();
  const Bytes identity = routerRequest(0x01, PathBuilder().classId(1).instance(1));
  const RouterReply module = wire->request(identity);
  EXPECT_EQ(std::tuple(module.status, get16(module.data, 2)), std::tuple(0, 12));  // a communications adapter
  EXPECT_EQ(wire->request(0x55, PathBuilder().classId(0x6B).instance(0), {1, 0, 1, 0}).status, 0x05);
  EXPECT_EQ(wire->request(0x03, PathBuilder().classId(0x6C).instance(0x0FCE), {1, 0, 1, 0}).status, 0x05);
  EXPECT_EQ(wire->request(readTagRequest("A")).status, 0x04);
  const auto routed = [&](const Bytes& request, const Bytes& route) { return parseRouterReply(wire->sendRR(unconnectedSend(request, route)).value_or(Bytes{})); };
  EXPECT_EQ(routed(readTagRequest("A"), {0x01, 0x02}).data, (Bytes{0xC4, 0, 7, 0, 0, 0}));
  EXPECT_EQ(routed(identity, {0x01, 0x01}).data, module.data);
  const RouterReply empty = routed(readTagRequest("A"), {0x01, 0x03});
  EXPECT_EQ(std::tuple(empty.service, empty.status, empty.additional, empty.data), std::tuple(0xD2, 0x01, std::vector<uint16_t>{0x0312}, Bytes{1}));
  const uint32_t otId = get32(wire->request(forwardOpen(7, {0x01, 0x02})).data, 0);
  const Bytes reply = unitData(*wire, otId, 1, readTagRequest("A")).data;
  ASSERT_GE(reply.size(), 29u);
  EXPECT_EQ(std::tuple(reply[24], reply[28]), std::tuple(0x00, 7));  // the slot's tag, without an Unconnected Send
  const RouterReply noSlot = wire->request(forwardOpen(8, {0x01, 0x03}));
  // Route words left: the hop and the message router's two.
  EXPECT_EQ(std::tuple(noSlot.status, noSlot.additional, noSlot.data.at(8)), std::tuple(0x01, std::vector<uint16_t>{0x0312}, 3));
}

}  // namespace
}  // namespace quillon::sim::test
