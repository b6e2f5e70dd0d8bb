// Encapsulation layer: sessions, list commands and encapsulation errors.
#include <set>

#include "case_name.hpp"
#include "fixture.hpp"

namespace quillon::sim::test {
namespace {

using SessionTest = SimTest;

TEST_F(SessionTest, RegisterGivesFreshNonZeroHandlesAndEchoesContextAndOptions) {
  std::set<uint32_t> handles;
  for (int i = 0; i < 5; ++i) {
    WireClient wire(port);
    wire.send(0x65, 0, Bytes{1, 0, 0, 0}, 0x1122334455667788ull, 0);
    std::optional<Packet> reply = wire.receive();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->command, 0x65);
    EXPECT_EQ(reply->status, 0u);
    EXPECT_EQ(reply->context, 0x1122334455667788ull);
    EXPECT_EQ(reply->data, (Bytes{1, 0, 0, 0}));
    EXPECT_NE(reply->session, 0u);
    handles.insert(reply->session);
  }
  EXPECT_EQ(handles.size(), 5u);
  EXPECT_EQ(server->sessionsRegistered(), 5u);
}

TEST_F(SessionTest, UnRegisterClosesTheConnectionAndIsCounted) {
  auto wire = client();
  wire->send(0x66, wire->session(), {});
  EXPECT_TRUE(wire->closedByServer());
  EXPECT_EQ(server->sessionsUnregistered(), 1u);
  EXPECT_EQ(server->connectionsAccepted(), 1u);
}

TEST_F(SessionTest, UnRegisterWithAnotherHandleIsRefusedAndKeepsTheSession) {
  auto wire = client();
  wire->send(0x66, wire->session() + 1, {}, 9);
  std::optional<Packet> reply = wire->receive();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 0x64u);
  EXPECT_EQ(wire->request(readTagRequest("DintValue")).status, 0);
}

struct EncapsulationCase {
  const char* name;
  uint16_t command;
  bool registered;
  bool wrongSession;
  Bytes data;
  uint32_t status;
};

class EncapsulationErrors : public SimTest, public ::testing::WithParamInterface<EncapsulationCase> {};

TEST_P(EncapsulationErrors, AnswerWithTheControllersStatus) {
  const EncapsulationCase& c = GetParam();
  WireClient wire(port);
  uint32_t session = c.registered ? wire.registerSession() : 0;
  wire.send(c.command, c.wrongSession ? session + 7 : session, c.data, 42, 0x0u);
  std::optional<Packet> reply = wire.receive();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->command, c.command);
  EXPECT_EQ(reply->status, c.status);
  EXPECT_EQ(reply->context, 42u);
  // The connection survives every one of these.
  if (c.registered) {
    EXPECT_EQ(wire.request(readTagRequest("DintValue")).status, 0);
  } else {
    EXPECT_NE(wire.registerSession(), 0u);
  }
}

Bytes cpf(std::vector<std::pair<uint16_t, Bytes>> items, uint32_t interfaceHandle = 0) {
  Bytes out;
  put32(out, interfaceHandle);
  put16(out, 0);
  put16(out, static_cast<uint16_t>(items.size()));
  for (auto& [type, data] : items) {
    put16(out, type);
    put16(out, static_cast<uint16_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
  }
  return out;
}

const Bytes kIdentityRequest{0x01, 0x02, 0x20, 0x01, 0x24, 0x01};

INSTANTIATE_TEST_SUITE_P(
    Session, EncapsulationErrors,
    ::testing::Values(
        EncapsulationCase{"UnknownCommand", 0x0099, true, false, {}, 0x0001},
        EncapsulationCase{"SendUnitDataWithoutItems", 0x0070, true, false, {}, 0x0065},
        EncapsulationCase{"SendRRDataBeforeRegister", 0x006F, false, false,
                          cpf({{0, {}}, {0xB2, kIdentityRequest}}), 0x0064},
        EncapsulationCase{"SendRRDataWithAnotherSession", 0x006F, true, true,
                          cpf({{0, {}}, {0xB2, kIdentityRequest}}), 0x0064},
        EncapsulationCase{"RegisterWithShortData", 0x0065, false, false, {1, 0}, 0x0065},
        EncapsulationCase{"RegisterWithProtocolVersion2", 0x0065, false, false, {2, 0, 0, 0}, 0x0069},
        EncapsulationCase{"ConnectedItemInsteadOfUnconnected", 0x006F, true, false,
                          cpf({{0, {}}, {0xB1, kIdentityRequest}}), 0x0003},
        EncapsulationCase{"OneItemOnly", 0x006F, true, false, cpf({{0xB2, kIdentityRequest}}), 0x0003},
        EncapsulationCase{"NonZeroInterfaceHandle", 0x006F, true, false,
                          cpf({{0, {}}, {0xB2, kIdentityRequest}}, 5), 0x0003},
        EncapsulationCase{"ItemLongerThanData", 0x006F, true, false,
                          Bytes{0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0xB2, 0, 50, 0, 1, 2}, 0x0065},
        EncapsulationCase{"EmptyRouterRequest", 0x006F, true, false, cpf({{0, {}}, {0xB2, {}}}), 0x0003}),
    CaseName());

TEST_F(SessionTest, ListIdentityDescribesTheController) {
  WireClient wire(port);
  wire.send(0x63, 0, {}, 77);
  std::optional<Packet> reply = wire.receive();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 0u);
  EXPECT_EQ(reply->context, 77u);
  const Bytes& d = reply->data;
  ASSERT_GE(d.size(), 6u);
  EXPECT_EQ(get16(d, 0), 1);     // one item
  EXPECT_EQ(get16(d, 2), 0x0C);  // CIP Identity
  ASSERT_EQ(d.size(), 6u + get16(d, 4));
  const Identity& identity = sampleController().identity();
  EXPECT_EQ(get16(d, 6), 1);                    // protocol version
  EXPECT_EQ(d[8] << 8 | d[9], 2);               // AF_INET, big-endian
  EXPECT_EQ(d[10] << 8 | d[11], port);          // the port we reached, big-endian
  EXPECT_EQ(Bytes(d.begin() + 12, d.begin() + 16), (Bytes{127, 0, 0, 1}));
  EXPECT_EQ(get16(d, 24), identity.vendorId);
  EXPECT_EQ(get16(d, 26), identity.deviceType);
  EXPECT_EQ(get16(d, 28), identity.productCode);
  EXPECT_EQ(d[30], identity.revisionMajor);
  EXPECT_EQ(d[31], identity.revisionMinor);
  EXPECT_EQ(get32(d, 34), identity.serialNumber);
  ASSERT_EQ(d[38], identity.productName.size());
  EXPECT_EQ(std::string(d.begin() + 39, d.begin() + 39 + d[38]), identity.productName);
  EXPECT_EQ(d.size(), 39u + d[38] + 1);  // then the state byte
}

TEST_F(SessionTest, ListServicesOffersCommunications) {
  WireClient wire(port);
  wire.send(0x04, 0, {});
  std::optional<Packet> reply = wire.receive();
  ASSERT_TRUE(reply);
  ASSERT_EQ(reply->data.size(), 26u);
  EXPECT_EQ(get16(reply->data, 2), 0x100);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply->data.data()) + 10), "Communications");
}

TEST_F(SessionTest, NopIsNotAnswered) {
  auto wire = client();
  wire->send(0x00, wire->session(), Bytes{1, 2, 3});
  // The next request's reply is the first thing that arrives.
  RouterReply reply = wire->request(readTagRequest("DintValue"));
  EXPECT_EQ(reply.status, 0);
}

TEST_F(SessionTest, OneRequestPerRecordWithEncapsulationFields) {
  auto wire = client();
  wire->request(readTagRequest("Program:MainProgram.Mode"));
  std::vector<RequestRecord> records = server->requests();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].command, 0x65);
  EXPECT_EQ(records[0].service, 0);
  EXPECT_EQ(records[1].command, 0x6F);
  EXPECT_EQ(records[1].service, 0x4C);
  EXPECT_EQ(records[1].path, "Program:MainProgram.Mode");
  EXPECT_EQ(records[1].sessionHandle, wire->session());
  EXPECT_EQ(records[1].senderContext, 2u);
  EXPECT_EQ(records[1].connectionId, 1u);
  EXPECT_EQ(records[1].data, (Bytes{1, 0}));
  server->clearRequests();
  EXPECT_TRUE(server->requests().empty());
}

TEST_F(SessionTest, StopClosesConnectionsAndStartServesAgain) {
  auto wire = client();
  EXPECT_EQ(server->openConnections(), 1u);
  server->stop();
  EXPECT_TRUE(wire->closedByServer());
  EXPECT_FALSE(server->running());
  port = server->start();
  EXPECT_EQ(client()->request(readTagRequest("DintValue")).status, 0);
}

}  // namespace
}  // namespace quillon::sim::test
