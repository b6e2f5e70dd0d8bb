// The message router: refusals of services, objects and malformed paths, Unconnected Send, and
// Multiple Service Packets with their 0x1A and 0x1B knobs.
#include "sim_test.hpp"

namespace quillon::sim::test {
namespace {

using Router = SimTest;

const Bytes kIdentity = PathBuilder().classId(1).instance(1);
const Bytes kMessageRouter = PathBuilder().classId(2).instance(1);

// The reply to a routed request is the target's own; the records hold the Unconnected Send and,
// embedded, what it carried. Read Tag Fragmented travels as service 0x52 too: the path decides.
// Route errors are reported as a communication module does: connection failure, and the reason
// (0x0312 no such link, 0x0311 no such port, 0x0315 bad segment).
TEST_F(Router, UnconnectedSendReachesTheControllerInItsSlot) {
  auto wire = client();
  const auto routed = [&](const Bytes& request, const Bytes& route = {0x01, 0x00}) {
    return parseRouterReply(wire->sendRR(unconnectedSend(request, route)).value_or(Bytes{}));
  };
  const RouterReply identity = routed(routerRequest(0x01, kIdentity));
  EXPECT_EQ(std::tuple(identity.service, identity.status, identity.data.at(15)), std::tuple(0x81, 0, 'Z'));
  const auto made = records(true);  // the send, then what it carried
  EXPECT_EQ(std::tuple(made.size(), made.at(1).path, made.at(1).embedded, made.at(2).embedded), std::tuple(3u, "class 0x06 instance 1", false, true));
  const RouterReply fragment = routed(fragmentedRequest("Message", 1, 0));
  EXPECT_EQ(std::tuple(fragment.service, fragment.status, fragment.data.at(0)), std::tuple(0xD2, 0, 0xA0));
  const RouterReply packet = routed(multipleServicePacket({readTagRequest("DintValue"), readTagRequest("Nope")}));
  EXPECT_EQ(std::tuple(packet.service, packet.status, parsePacketReplies(packet.data).size()), std::tuple(0x8A, 0x1E, 2u));
  EXPECT_EQ(routed(unconnectedSend(routerRequest(0x01, kIdentity), {0x01, 0x00})).status, 0x08);  // not routed twice
  for (auto [route, reason] : {std::pair(Bytes{0x01, 0x03}, 0x0312), {Bytes{0x02, 0x00}, 0x0311}, {Bytes{0x01, 0x00, 0x01, 0x02}, 0x0312},
                               {Bytes{0x12, 0x08, '1', '0', '.', '0', '.', '0', '.', '9'}, 0x0311}, {Bytes{0x20, 0x01}, 0x0315}}) {
    const RouterReply reply = wire->request(unconnectedSend(routerRequest(0x01, kIdentity), route));
    EXPECT_EQ(std::tuple(reply.status, reply.additional), std::tuple(0x01, std::vector<uint16_t>{uint16_t(reason)}));
  }
}

// Embedded replies in order with their own statuses; the packet says 0x1E unless all succeed
// (a partial transfer is no success); packets do not nest; path errors stay embedded. 0x1A when
// the whole packet request is above the limit, 0x1B when its reply would be: 4 header bytes,
// count, 2 offsets and replies of 10 and 8 bytes.
TEST_F(Router, RefusalsAndPacketsWithinTheirLimits) {
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
  EXPECT_EQ(std::tuple(made.at(1).service, made.at(1).generalStatus, made.at(1).embedded), std::tuple(0x0A, 0x1E, false));
  EXPECT_EQ(std::tuple(made.at(3).path, made.at(3).embedded, made.at(3).generalStatus), std::tuple(std::string("Nope"), true, 0x04));
  // Refusals answer as a controller does.
  for (const auto& [label, request, status] : std::vector<std::tuple<const char*, Bytes, uint8_t>>{
           {"UnknownServiceOnIdentity", routerRequest(0x4B, kIdentity), 0x08},
           {"UnknownClass", routerRequest(0x01, PathBuilder().classId(0x99).instance(1)), 0x05},
           {"UnknownIdentityInstance", routerRequest(0x01, PathBuilder().classId(1).instance(2)), 0x05},
           {"UnknownTemplate", routerRequest(0x03, PathBuilder().classId(0x6C).instance(0x0FFF), {1, 0, 1, 0}), 0x05},
           {"ServiceOnMessageRouter", routerRequest(0x01, kMessageRouter), 0x08},
           {"ForwardOpenWithoutData", routerRequest(0x54, PathBuilder().classId(6).instance(1)), 0x13},
           {"WriteTagNotOffered", routerRequest(0x4D, PathBuilder().symbol("DintValue"), {0xC4, 0, 1, 0, 1, 0, 0, 0}), 0x08},
           {"EmptyPath", routerRequest(0x01, {}), 0x04},
           {"SymbolLengthZero", routerRequest(0x4C, {0x91, 0x00}, {1, 0}), 0x04},
           {"SymbolRunsPastPath", routerRequest(0x4C, {0x91, 0x09, 'A', 'B'}, {1, 0}), 0x04},
           {"UnknownSegmentType", routerRequest(0x01, {0x40, 0x01}), 0x04},
           {"PathLongerThanRequest", Bytes{0x01, 0x05, 0x20, 0x01}, 0x04},
           {"ReplyBitSetInRequest", routerRequest(0x81, kIdentity), 0x08},
           {"TruncatedUnconnectedSend", routerRequest(0x52, PathBuilder().classId(6).instance(1), {0x0A, 0xF0, 0x40, 0x00, 0x01}), 0x13},
           // Multiple Service Packets refused whole.
           {"PacketEmpty", routerRequest(0x0A, kMessageRouter), 0x13},
           {"PacketCountZero", routerRequest(0x0A, kMessageRouter, {0, 0}), 0x13},
           {"PacketOffsetTableCut", routerRequest(0x0A, kMessageRouter, {3, 0, 8, 0}), 0x13},
           {"PacketOffsetIntoTheTable", routerRequest(0x0A, kMessageRouter, {1, 0, 2, 0, 0x01, 0x00}), 0x03},
           {"PacketOffsetPastTheEnd", routerRequest(0x0A, kMessageRouter, {1, 0, 40, 0, 0x01, 0x00}), 0x03},
           {"PacketOffsetsGoBack", routerRequest(0x0A, kMessageRouter, {2, 0, 8, 0, 6, 0, 0x01, 0x00, 0x01, 0x00}), 0x03}}) {
    const RouterReply refused = wire->request(request);
    EXPECT_EQ(std::tuple(refused.status, refused.data.size()), std::tuple(status, 0u)) << label;
  }
  const Bytes packet = multipleServicePacket({readTagRequest("DintValue"), readTagRequest("IntValue")});
  for (auto [requestLimit, replyLimit, status] : {std::tuple(packet.size(), 0u, 0), {packet.size() - 1, 0u, 0x1A},
                                                  {0u, 4 + 2 + 4 + 10 + 8u, 0}, {0u, 4 + 2 + 4 + 10 + 8 - 1u, 0x1B}}) {
    setOptions([&](Options& o) { o.mspRequestLimit = static_cast<uint32_t>(requestLimit); o.mspReplyLimit = replyLimit; });
    const RouterReply limited = wire->request(packet);
    EXPECT_EQ(std::tuple(limited.status, limited.data.empty()), std::tuple(status, status != 0)) << requestLimit << " " << replyLimit;
  }
  setOptions([](Options& o) { o.mspReplyLimit = 0; o.fragmentBytes = 8; });
  const RouterReply partial = wire->request(multipleServicePacket({fragmentedRequest("Message", 1, 0), fragmentedRequest("Message", 1, 80)}));
  const auto parts = parsePacketReplies(partial.data);
  EXPECT_EQ(std::tuple(partial.status, parts.at(0).status, parts.at(1).status), std::tuple(0x1E, 0x06, 0));
}

}  // namespace
}  // namespace quillon::sim::test
