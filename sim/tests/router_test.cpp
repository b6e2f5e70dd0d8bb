// The message router: refusals of services, objects and malformed paths,
// Unconnected Send through a chassis, and Multiple Service Packets with their 0x1A and 0x1B knobs.
#include "sim_test.hpp"

namespace quillon::sim::test {
namespace {

using Router = SimTest;

const Bytes kIdentity = PathBuilder().classId(1).instance(1);

struct StatusCase {
  const char* label;
  Bytes request;
  uint8_t status;
};

class Refusals : public SimTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(Refusals, AnswerAsAController) {
  const RouterReply reply = client()->request(GetParam().request);
  EXPECT_EQ(std::tuple(reply.status, reply.data.size()), std::tuple(GetParam().status, 0u));
}

INSTANTIATE_TEST_SUITE_P(
    Router, Refusals,
    ::testing::Values(
        StatusCase{"UnknownServiceOnIdentity", routerRequest(0x4B, kIdentity), 0x08},
        StatusCase{"ResetIsNotOffered", routerRequest(0x05, kIdentity), 0x08},
        StatusCase{"UnknownClass", routerRequest(0x01, PathBuilder().classId(0x99).instance(1)), 0x05},
        StatusCase{"UnknownIdentityInstance", routerRequest(0x01, PathBuilder().classId(1).instance(2)), 0x05},
        StatusCase{"UnknownTemplate", routerRequest(0x03, PathBuilder().classId(0x6C).instance(0x0FFF), {1, 0, 1, 0}), 0x05},
        StatusCase{"ServiceOnMessageRouter", routerRequest(0x01, PathBuilder().classId(2).instance(1)), 0x08},
        StatusCase{"ForwardOpenWithoutData", routerRequest(0x54, PathBuilder().classId(6).instance(1)), 0x13},
        StatusCase{"WriteTagNotOffered", routerRequest(0x4D, PathBuilder().symbol("DintValue"), {0xC4, 0, 1, 0, 1, 0, 0, 0}), 0x08},
        StatusCase{"EmptyPath", routerRequest(0x01, {}), 0x04},
        StatusCase{"SymbolLengthZero", routerRequest(0x4C, {0x91, 0x00}, {1, 0}), 0x04},
        StatusCase{"SymbolRunsPastPath", routerRequest(0x4C, {0x91, 0x09, 'A', 'B'}, {1, 0}), 0x04},
        StatusCase{"UnknownSegmentType", routerRequest(0x01, {0x40, 0x01}), 0x04},
        StatusCase{"PathLongerThanRequest", Bytes{0x01, 0x05, 0x20, 0x01}, 0x04},
        StatusCase{"ReplyBitSetInRequest", routerRequest(0x81, kIdentity), 0x08},
        StatusCase{"TruncatedUnconnectedSend", routerRequest(0x52, PathBuilder().classId(6).instance(1), {0x0A, 0xF0, 0x40, 0x00, 0x01}), 0x13}),
    LabelName{});

// Route errors as a communication module reports them: connection failure, and the reason
// (0x0312 no such link, 0x0311 no such port, 0x0315 bad segment).
TEST_F(Router, RouteErrorsNameTheirReason) {
  auto wire = client();
  for (auto [route, reason] : {std::pair(Bytes{0x01, 0x03}, 0x0312), {Bytes{0x02, 0x00}, 0x0311}, {Bytes{0x01, 0x00, 0x01, 0x02}, 0x0312},
                               {Bytes{0x12, 0x08, '1', '0', '.', '0', '.', '0', '.', '9'}, 0x0311}, {Bytes{0x20, 0x01}, 0x0315}}) {
    const RouterReply reply = wire->request(unconnectedSend(routerRequest(0x01, kIdentity), route));
    EXPECT_EQ(std::tuple(reply.status, reply.additional), std::tuple(0x01, std::vector<uint16_t>{uint16_t(reason)}));
  }
}

// The reply to a routed request is the target's own; the records hold the Unconnected Send and,
// embedded, what it carried. Read Tag Fragmented travels as service 0x52 too: the path decides.
TEST_F(Router, UnconnectedSendReachesTheControllerInItsSlot) {
  auto wire = client();
  const auto routed = [&](const Bytes& request) { return parseRouterReply(wire->sendRR(unconnectedSend(request, {0x01, 0x00})).value_or(Bytes{})); };
  const RouterReply identity = routed(routerRequest(0x01, kIdentity));
  EXPECT_EQ(std::tuple(identity.service, identity.status, identity.data.at(15)), std::tuple(0x81, 0, 'Z'));
  const auto made = records(true);
  ASSERT_EQ(made.size(), 3u);
  EXPECT_EQ(std::tuple(made[1].service, made[1].path, made[1].embedded), std::tuple(0x52, std::string("class 0x06 instance 1"), false));
  EXPECT_EQ(std::tuple(made[2].service, made[2].embedded), std::tuple(0x01, true));
  const RouterReply fragment = routed(fragmentedRequest("Message", 1, 0));
  EXPECT_EQ(std::tuple(fragment.service, fragment.status, fragment.data.at(0)), std::tuple(0xD2, 0, 0xA0));
  const RouterReply packet = routed(multipleServicePacket({readTagRequest("DintValue"), readTagRequest("Nope")}));
  EXPECT_EQ(std::tuple(packet.service, packet.status, parsePacketReplies(packet.data).size()), std::tuple(0x8A, 0x1E, 2u));
  EXPECT_EQ(routed(unconnectedSend(routerRequest(0x01, kIdentity), {0x01, 0x00})).status, 0x08);  // not routed twice
}

// A chassis: the module owns the address, answers for itself, has no tags, routes to its slots.
TEST_F(Router, TheModuleHasNoTagsAndRoutesToItsSlots) {
  start(parseController(R"({"chassis": {"module": {"slot": 1, "identity": {"productName": "Bridge"}},
      "controllers": [{"slot": 2, "identity": {"productName": "Slot Two"}, "tags": [{"name": "A", "type": "DINT", "value": 7}]}]}})"));
  auto wire = client();
  const RouterReply module = wire->request(0x01, kIdentity);
  EXPECT_EQ(std::tuple(module.status, get16(module.data, 2)), std::tuple(0, 12));  // a communications adapter
  EXPECT_EQ(wire->request(0x55, PathBuilder().classId(0x6B).instance(0), {1, 0, 1, 0}).status, 0x05);
  EXPECT_EQ(wire->request(0x03, PathBuilder().classId(0x6C).instance(0x0FCE), {1, 0, 1, 0}).status, 0x05);
  EXPECT_EQ(wire->request(readTagRequest("A")).status, 0x04);
  const auto routed = [&](const Bytes& request, const Bytes& route) { return parseRouterReply(wire->sendRR(unconnectedSend(request, route)).value_or(Bytes{})); };
  EXPECT_EQ(routed(readTagRequest("A"), {0x01, 0x02}).data, (Bytes{0xC4, 0, 7, 0, 0, 0}));
  EXPECT_EQ(routed(routerRequest(0x01, kIdentity), {0x01, 0x01}).data, module.data);
  const RouterReply empty = routed(readTagRequest("A"), {0x01, 0x03});
  EXPECT_EQ(std::tuple(empty.service, empty.status, empty.additional, empty.data), std::tuple(0xD2, 0x01, std::vector<uint16_t>{0x0312}, Bytes{1}));
}

// Embedded replies in order with their own statuses; the packet says 0x1E unless all succeed
// (a partial transfer is no success); packets do not nest; path errors stay embedded.
TEST_F(Router, PacketsCarryEmbeddedReplies) {
  auto wire = client();
  const RouterReply reply = wire->request(multipleServicePacket({readTagRequest("DintValue"), readTagRequest("Nope"), readTagRequest("Matrix[5,0]"),
      routerRequest(0x01, kIdentity), multipleServicePacket({readTagRequest("DintValue")}), Bytes{0x4C, 0x09, 0x91, 0x01}}));
  EXPECT_EQ(std::tuple(reply.service, reply.status), std::tuple(0x8A, 0x1E));
  const auto replies = parsePacketReplies(reply.data);
  ASSERT_EQ(replies.size(), 6u);
  EXPECT_EQ(std::tuple(replies[0].service, replies[0].status, replies[0].data), std::tuple(0xCC, 0, Bytes{0xC4, 0, 0x40, 0xE2, 0x01, 0}));
  EXPECT_EQ(std::tuple(replies[1].status, replies[2].status, replies[2].additional), std::tuple(0x04, 0x05, std::vector<uint16_t>{0x2105}));
  EXPECT_EQ(std::tuple(replies[3].service, replies[3].status, replies[4].status), std::tuple(0x81, 0, 0x08));
  EXPECT_EQ(std::tuple(replies[5].service, replies[5].status), std::tuple(0xCC, 0x04));
  const auto made = records(true);
  EXPECT_EQ(std::tuple(made[1].service, made[1].generalStatus, made[1].embedded), std::tuple(0x0A, 0x1E, false));
  EXPECT_EQ(std::tuple(made[3].path, made[3].embedded, made[3].generalStatus), std::tuple(std::string("Nope"), true, 0x04));
  std::vector<Bytes> reads;
  for (int i = 0; i < 30; ++i) reads.push_back(readTagRequest("Temperatures[" + std::to_string(i % 10) + "]"));
  const RouterReply all = wire->request(multipleServicePacket(reads));
  EXPECT_EQ(std::tuple(all.status, parsePacketReplies(all.data).size()), std::tuple(0, 30u));
  setOptions([](Options& o) { o.fragmentBytes = 8; });
  const RouterReply partial = wire->request(multipleServicePacket({fragmentedRequest("Message", 1, 0), fragmentedRequest("Message", 1, 80)}));
  const auto parts = parsePacketReplies(partial.data);
  EXPECT_EQ(std::tuple(partial.status, parts.at(0).status, parts.at(1).status), std::tuple(0x1E, 0x06, 0));
}

// 0x1A when the whole packet request is above the limit, 0x1B when its reply would be: 4 header
// bytes, count, 2 offsets and replies of 10 and 8 bytes.
TEST_F(Router, PacketSizeLimits) {
  auto wire = client();
  const Bytes packet = multipleServicePacket({readTagRequest("DintValue"), readTagRequest("IntValue")});
  for (auto [requestLimit, replyLimit, status] : {std::tuple(packet.size(), 0u, 0), {packet.size() - 1, 0u, 0x1A},
                                                  {0u, 4 + 2 + 4 + 10 + 8u, 0}, {0u, 4 + 2 + 4 + 10 + 8 - 1u, 0x1B}}) {
    setOptions([&](Options& o) { o.mspRequestLimit = static_cast<uint32_t>(requestLimit); o.mspReplyLimit = replyLimit; });
    const RouterReply reply = wire->request(packet);
    EXPECT_EQ(std::tuple(reply.status, reply.data.empty()), std::tuple(status, status != 0));
  }
}

struct MalformedCase {
  const char* label;
  Bytes data;
  uint8_t status;
};

class MalformedPackets : public SimTest, public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedPackets, AreRefusedWhole) {
  const RouterReply reply = client()->request(0x0A, PathBuilder().classId(2).instance(1), GetParam().data);
  EXPECT_EQ(std::tuple(reply.status, reply.data.size()), std::tuple(GetParam().status, 0u));
}

INSTANTIATE_TEST_SUITE_P(
    Packets, MalformedPackets,
    ::testing::Values(MalformedCase{"Empty", {}, 0x13}, MalformedCase{"CountZero", {0, 0}, 0x13},
                      MalformedCase{"OffsetTableCut", {3, 0, 8, 0}, 0x13}, MalformedCase{"OffsetIntoTheTable", {1, 0, 2, 0, 0x01, 0x00}, 0x03},
                      MalformedCase{"OffsetPastTheEnd", {1, 0, 40, 0, 0x01, 0x00}, 0x03},
                      MalformedCase{"OffsetsGoBack", {2, 0, 8, 0, 6, 0, 0x01, 0x00, 0x01, 0x00}, 0x03},
                      MalformedCase{"OneByteRequest", {1, 0, 4, 0, 0x01}, 0x03}),
    LabelName{});

}  // namespace
}  // namespace quillon::sim::test
