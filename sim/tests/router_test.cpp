// Message router: identity, unknown services and objects, malformed paths, Unconnected Send.
#include "case_name.hpp"
#include "fixture.hpp"

namespace quillon::sim::test {
namespace {

using RouterTest = SimTest;

TEST_F(RouterTest, IdentityGetAttributesAllFromTheDatabase) {
  auto wire = client();
  RouterReply reply = wire->request(0x01, PathBuilder().classId(1).instance(1));
  ASSERT_EQ(reply.status, 0);
  EXPECT_EQ(reply.service, 0x81);
  const Identity& identity = sampleController().identity();
  const Bytes& d = reply.data;
  ASSERT_GE(d.size(), 15u);
  EXPECT_EQ(get16(d, 0), identity.vendorId);
  EXPECT_EQ(get16(d, 2), identity.deviceType);
  EXPECT_EQ(get16(d, 4), identity.productCode);
  EXPECT_EQ(d[6], 34);
  EXPECT_EQ(d[7], 11);
  EXPECT_EQ(get16(d, 8), 0x3160);
  EXPECT_EQ(get32(d, 10), 0x60C0FFEEu);
  ASSERT_GE(d.size(), 15u + d[14]);
  EXPECT_EQ(std::string(d.begin() + 15, d.begin() + 15 + d[14]), "Zolt QX-85 Line Controller");
}

TEST_F(RouterTest, IdentitySingleAttribute) {
  auto wire = client();
  RouterReply name = wire->request(0x0E, PathBuilder().classId(1).instance(1).attribute(7));
  ASSERT_EQ(name.status, 0);
  EXPECT_EQ(name.data.size(), 1u + name.data.at(0));
  EXPECT_EQ(wire->request(0x0E, PathBuilder().classId(1).instance(1).attribute(99)).status, 0x14);
}

struct StatusCase {
  const char* name;
  Bytes request;
  uint8_t status;
};

class RouterStatuses : public SimTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(RouterStatuses, AnswerAsAController) {
  auto wire = client();
  RouterReply reply = wire->request(GetParam().request);
  EXPECT_EQ(reply.status, GetParam().status);
  EXPECT_EQ(reply.service, GetParam().request[0] | 0x80);
}

INSTANTIATE_TEST_SUITE_P(
    Router, RouterStatuses,
    ::testing::Values(
        StatusCase{"UnknownServiceOnIdentity", routerRequest(0x4B, PathBuilder().classId(1).instance(1)), 0x08},
        StatusCase{"ResetIsNotOffered", routerRequest(0x05, PathBuilder().classId(1).instance(1)), 0x08},
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
        StatusCase{"ReplyBitSetInRequest", routerRequest(0x81, PathBuilder().classId(1).instance(1)), 0x08}),
    CaseName());

TEST_F(RouterTest, UnconnectedSendReachesTheControllerInItsSlot) {
  auto wire = client();
  Bytes identity = routerRequest(0x01, PathBuilder().classId(1).instance(1));
  std::optional<Bytes> bytes = wire->sendRR(unconnectedSend(identity, Bytes{0x01, 0x00}));
  ASSERT_TRUE(bytes);
  RouterReply reply = parseRouterReply(*bytes);
  EXPECT_EQ(reply.service, 0x81);  // the embedded request's reply, as the module returns it
  EXPECT_EQ(reply.status, 0);
  EXPECT_EQ(reply.data.at(15), 'Z');

  std::vector<RequestRecord> records = server->requests();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].service, 0x52);
  EXPECT_EQ(records[1].path, "class 0x06 instance 1");
  EXPECT_FALSE(records[1].embedded);
  EXPECT_EQ(records[2].service, 0x01);
  EXPECT_TRUE(records[2].embedded);
}

TEST_F(RouterTest, UnconnectedSendCarriesTagReadsAndPackets) {
  auto wire = client();
  // Read Tag Fragmented travels as service 0x52 too: the path decides what it is.
  std::optional<Bytes> bytes = wire->sendRR(unconnectedSend(fragmentedRequest("Message", 1, 0), Bytes{0x01, 0x00}));
  ASSERT_TRUE(bytes);
  RouterReply fragment = parseRouterReply(*bytes);
  EXPECT_EQ(fragment.service, 0xD2);
  EXPECT_EQ(fragment.status, 0x00);
  EXPECT_EQ(fragment.data.at(0), 0xA0);

  bytes = wire->sendRR(unconnectedSend(
      multipleServicePacket({readTagRequest("DintValue"), readTagRequest("Nope")}), Bytes{0x01, 0x00}));
  ASSERT_TRUE(bytes);
  RouterReply packet = parseRouterReply(*bytes);
  EXPECT_EQ(packet.service, 0x8A);
  EXPECT_EQ(packet.status, 0x1E);
  EXPECT_EQ(parsePacketReplies(packet.data).size(), 2u);
}

struct RouteCase {
  const char* name;
  Bytes route;
  uint8_t status;
  std::vector<uint16_t> additional;
};

class UnconnectedRoutes : public SimTest, public ::testing::WithParamInterface<RouteCase> {};

TEST_P(UnconnectedRoutes, RouteErrorsAsACommunicationModuleReportsThem) {
  auto wire = client();
  Bytes identity = routerRequest(0x01, PathBuilder().classId(1).instance(1));
  RouterReply reply = wire->request(unconnectedSend(identity, GetParam().route));
  EXPECT_EQ(reply.status, GetParam().status);
  EXPECT_EQ(reply.additional, GetParam().additional);
}

INSTANTIATE_TEST_SUITE_P(
    Router, UnconnectedRoutes,
    ::testing::Values(RouteCase{"OtherSlot", {0x01, 0x03}, 0x01, {0x0312}},
                      RouteCase{"EthernetPort", {0x02, 0x00}, 0x01, {0x0311}},
                      RouteCase{"IpAddressLink", {0x12, 0x08, '1', '0', '.', '0', '.', '0', '.', '9'}, 0x01, {0x0311}},
                      RouteCase{"SecondHop", {0x01, 0x00, 0x01, 0x02}, 0x01, {0x0312}},
                      RouteCase{"NotAPortSegment", {0x20, 0x01}, 0x01, {0x0315}}),
    CaseName());

// A chassis: the module owns the address; its slots hold the controllers.
class ChassisRouter : public SimTest {
 protected:
  void SetUp() override {
    start(parseController(R"({"chassis": {"module": {"slot": 1, "identity": {"productName": "Bridge"}},
        "controllers": [{"slot": 2, "identity": {"productName": "Slot Two"},
                         "tags": [{"name": "A", "type": "DINT", "value": 7}]}]}})"));
  }
};

TEST_F(ChassisRouter, TheModuleHasNoTagsAndRoutesToItsSlots) {
  auto wire = client();
  RouterReply module = wire->request(0x01, PathBuilder().classId(1).instance(1));
  ASSERT_EQ(module.status, 0);
  EXPECT_EQ(get16(module.data, 2), 12);  // communications adapter
  EXPECT_EQ(wire->request(0x55, PathBuilder().classId(0x6B).instance(0), {1, 0, 1, 0}).status, 0x05);
  EXPECT_EQ(wire->request(0x03, PathBuilder().classId(0x6C).instance(0x0FCE), {1, 0, 1, 0}).status, 0x05);
  EXPECT_EQ(wire->request(readTagRequest("A")).status, 0x04);

  // The reply to a routed request is the target's own (its service is the embedded one's).
  auto routed = [&](const Bytes& request, const Bytes& route) {
    std::optional<Bytes> bytes = wire->sendRR(unconnectedSend(request, route));
    return bytes ? parseRouterReply(*bytes) : RouterReply{};
  };
  RouterReply slot2 = routed(readTagRequest("A"), Bytes{0x01, 0x02});
  ASSERT_EQ(slot2.status, 0);
  EXPECT_EQ(slot2.data.at(2), 7);
  EXPECT_EQ(routed(routerRequest(0x01, PathBuilder().classId(1).instance(1)), Bytes{0x01, 0x01}).data, module.data);
  // An empty slot: connection failure, link address not valid, one route word left.
  RouterReply empty = wire->request(unconnectedSend(readTagRequest("A"), Bytes{0x01, 0x03}));
  EXPECT_EQ(empty.service, 0xD2);
  EXPECT_EQ(empty.status, 0x01);
  EXPECT_EQ(empty.additional, std::vector<uint16_t>{0x0312});
  EXPECT_EQ(empty.data, Bytes{1});
}

TEST_F(RouterTest, TruncatedUnconnectedSendIsRefused) {
  auto wire = client();
  Bytes data{0x0A, 0xF0, 0x40, 0x00, 0x01};
  EXPECT_EQ(wire->request(0x52, PathBuilder().classId(6).instance(1), data).status, 0x13);
}

TEST_F(RouterTest, NestedUnconnectedSendIsNotRouted) {
  auto wire = client();
  Bytes inner = unconnectedSend(routerRequest(0x01, PathBuilder().classId(1).instance(1)), Bytes{0x01, 0x00});
  std::optional<Bytes> bytes = wire->sendRR(unconnectedSend(inner, Bytes{0x01, 0x00}));
  ASSERT_TRUE(bytes);
  EXPECT_EQ(parseRouterReply(*bytes).status, 0x08);
}

}  // namespace
}  // namespace quillon::sim::test
