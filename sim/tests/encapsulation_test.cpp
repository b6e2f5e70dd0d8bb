// The encapsulation layer: sessions, list commands, encapsulation errors, the records of what
// was served, every fault knob, many clients at once, and input that must never bring it down.
#include <chrono>
#include <functional>
#include <random>
#include <set>
#include <thread>

#include "sim_test.hpp"

namespace quillon::sim::test {
namespace {

using Clock = std::chrono::steady_clock;
using Encapsulation = SimTest;

const Bytes kIdentityRequest = routerRequest(0x01, PathBuilder().classId(1).instance(1));

TEST_F(Encapsulation, SessionsRegisterAndEnd) {
  std::set<uint32_t> handles;
  for (int i = 0; i < 5; ++i) {  // fresh non-zero handles; context and data echoed
    WireClient wire(port());
    wire.send(0x65, 0, Bytes{1, 0, 0, 0}, 0x1122334455667788ull);
    std::optional<Packet> reply = wire.receive();
    ASSERT_TRUE(reply);
    EXPECT_EQ(std::tuple(reply->command, reply->status, reply->context, reply->data),
              std::tuple(0x65, 0u, 0x1122334455667788ull, Bytes{1, 0, 0, 0}));
    EXPECT_NE(reply->session, 0u);
    handles.insert(reply->session);
  }
  EXPECT_EQ(handles.size(), 5u);
  EXPECT_EQ(server().sessionsRegistered(), 5u);
  auto wire = client();
  wire->send(0x66, wire->session() + 1, {}, 9);  // another handle: refused, the session stays
  EXPECT_EQ(wire->receive()->status, 0x64u);
  wire->send(0x00, wire->session(), Bytes{1, 2, 3});  // NOP is not answered
  EXPECT_EQ(wire->request(readTagRequest("Program:MainProgram.Mode")).status, 0);
  const auto made = records();
  EXPECT_EQ(std::tuple(made.back().command, made.back().service, made.back().path, made.back().sessionHandle,
                       made.back().senderContext, made.back().connectionId, made.back().data),
            std::tuple(0x6F, 0x4C, std::string("Program:MainProgram.Mode"), wire->session(), 2u, 6u, Bytes{1, 0}));
  wire->send(0x66, wire->session(), {});
  EXPECT_TRUE(wire->closedByServer());
  EXPECT_EQ(server().sessionsUnregistered(), 1u);
  EXPECT_EQ(server().connectionsAccepted(), 6u);
  server().clearRequests();
  EXPECT_TRUE(server().requests().empty());
}

struct EncapsulationCase {
  const char* label;
  uint16_t command;
  bool registered, wrongSession;
  Bytes data;
  uint32_t status;
};

class EncapsulationErrors : public SimTest, public ::testing::WithParamInterface<EncapsulationCase> {};

// The controller's status, the context echoed, and the connection survives.
TEST_P(EncapsulationErrors, AnswerWithTheControllersStatus) {
  const EncapsulationCase& c = GetParam();
  WireClient wire(port());
  const uint32_t session = c.registered ? wire.registerSession() : 0;
  wire.send(c.command, c.wrongSession ? session + 7 : session, c.data, 42);
  std::optional<Packet> reply = wire.receive();
  ASSERT_TRUE(reply);
  EXPECT_EQ(std::tuple(reply->command, reply->status, reply->context), std::tuple(c.command, c.status, 42u));
  if (c.registered) {
    EXPECT_EQ(wire.request(readTagRequest("DintValue")).status, 0);
  } else {
    EXPECT_NE(wire.registerSession(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Session, EncapsulationErrors,
    ::testing::Values(
        EncapsulationCase{"UnknownCommand", 0x0099, true, false, {}, 0x0001},
        EncapsulationCase{"SendUnitDataWithoutItems", 0x0070, true, false, {}, 0x0065},
        EncapsulationCase{"SendRRDataBeforeRegister", 0x006F, false, false, commonPacket({{0, {}}, {0xB2, kIdentityRequest}}), 0x0064},
        EncapsulationCase{"AnotherSession", 0x006F, true, true, commonPacket({{0, {}}, {0xB2, kIdentityRequest}}), 0x0064},
        EncapsulationCase{"RegisterWithShortData", 0x0065, false, false, {1, 0}, 0x0065},
        EncapsulationCase{"RegisterVersion2", 0x0065, false, false, {2, 0, 0, 0}, 0x0069},
        EncapsulationCase{"ConnectedItem", 0x006F, true, false, commonPacket({{0, {}}, {0xB1, kIdentityRequest}}), 0x0003},
        EncapsulationCase{"OneItemOnly", 0x006F, true, false, commonPacket({{0xB2, kIdentityRequest}}), 0x0003},
        EncapsulationCase{"InterfaceHandle", 0x006F, true, false, commonPacket({{0, {}}, {0xB2, kIdentityRequest}}, 5), 0x0003},
        EncapsulationCase{"ItemLongerThanData", 0x006F, true, false, Bytes{0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0xB2, 0, 50, 0, 1, 2}, 0x0065},
        EncapsulationCase{"EmptyRouterRequest", 0x006F, true, false, commonPacket({{0, {}}, {0xB2, {}}}), 0x0003}),
    LabelName{});

TEST_F(Encapsulation, ListIdentityAndListServices) {
  WireClient wire(port());
  wire.send(0x63, 0, {}, 77);
  std::optional<Packet> reply = wire.receive();
  ASSERT_TRUE(reply);
  EXPECT_EQ(std::tuple(reply->status, reply->context), std::tuple(0u, 77u));
  const Bytes& d = reply->data;
  const Identity& id = sampleController().identity();
  ASSERT_EQ(d.size(), 6u + get16(d, 4));
  EXPECT_EQ(std::tuple(get16(d, 0), get16(d, 2), get16(d, 6)), std::tuple(1, 0x0C, 1));  // one CIP Identity item, version 1
  // The socket address big-endian: AF_INET, the port reached, 127.0.0.1.
  EXPECT_EQ(Bytes(d.begin() + 8, d.begin() + 16), (Bytes{0, 2, static_cast<uint8_t>(port() >> 8), static_cast<uint8_t>(port()), 127, 0, 0, 1}));
  EXPECT_EQ(std::tuple(get16(d, 24), get16(d, 26), get16(d, 28), d[30], d[31], get32(d, 34)),
            std::tuple(id.vendorId, id.deviceType, id.productCode, id.revisionMajor, id.revisionMinor, id.serialNumber));
  EXPECT_EQ(std::string(d.begin() + 39, d.end() - 1), id.productName);  // then the state byte
  EXPECT_EQ(d[38], id.productName.size());
  wire.send(0x04, 0, {});
  reply = wire.receive();
  ASSERT_TRUE(reply);
  ASSERT_EQ(reply->data.size(), 26u);
  EXPECT_EQ(get16(reply->data, 2), 0x100);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply->data.data()) + 10), "Communications");
}

TEST_F(Encapsulation, StopClosesConnectionsAndAbandonsWaitsThenStartServesAgain) {
  auto wire = client();
  EXPECT_EQ(server().openConnections(), 1u);
  setOptions([](Options& o) { o.latencyMs = 60000; });
  wire->sendRaw(sendRRData(wire->session(), 5, kIdentityRequest));
  const auto begin = Clock::now();
  server().stop();
  EXPECT_LT(Clock::now() - begin, std::chrono::seconds(10));
  EXPECT_TRUE(wire->closedByServer());
  EXPECT_FALSE(server().running());
  setOptions([](Options& o) { o.latencyMs = 0; });
  WireClient again(server().start());
  ASSERT_NE(again.registerSession(), 0u);
  EXPECT_EQ(again.request(readTagRequest("DintValue")).status, 0);
}

// Each knob of the reply's timing, the connection and the session, seen on the wire.
TEST_F(Encapsulation, TimingAndConnectionKnobs) {
  auto wire = client();
  setOptions([](Options& o) { o.latencyMs = 150; });
  auto begin = Clock::now();
  EXPECT_EQ(wire->request(readTagRequest("DintValue")).status, 0);
  EXPECT_GE(Clock::now() - begin, std::chrono::milliseconds(150));
  setOptions([](Options& o) { o.latencyMs = 0; o.trickleMs = 5; });
  EXPECT_EQ(wire->request(readTagRequest("DintValue")).status, 0);
  EXPECT_GE(Clock::now() - begin, std::chrono::milliseconds(150 + 5 * 33));
  setOptions([](Options& o) { o.trickleMs = 0; o.stall = true; });
  wire->sendRaw(sendRRData(wire->session(), 5, kIdentityRequest));
  EXPECT_FALSE(wire->receive(300));
  setOptions([](Options& o) { o.stall = false; o.closeAfterRequests = 2; });  // counted per connection
  auto counted = client();
  EXPECT_EQ(counted->request(readTagRequest("DintValue")).status, 0);
  EXPECT_TRUE(counted->closedByServer());
  setOptions([](Options& o) { o.closeAfterRequests = 0; o.idleTimeoutMs = 100; });
  WireClient idle(port());
  EXPECT_TRUE(idle.closedByServer(5000));
}

// One more connection than the limit is closed at once; those within it are served.
TEST_F(Encapsulation, ConnectionsBeyondTheLimitAreRefused) {
  setOptions([](Options& o) { o.maxConnections = 2; });
  auto first = client();
  auto second = client();
  WireClient third(port());
  EXPECT_TRUE(third.closedByServer());
  EXPECT_EQ(second->request(readTagRequest("DintValue")).status, 0);
  first.reset();
  for (auto limit = Clock::now() + std::chrono::seconds(5); server().openConnections() > 1 && Clock::now() < limit;)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(client()->request(readTagRequest("DintValue")).status, 0);
}

struct HeaderFault {
  const char* label;
  std::function<void(Options&)> set;
  std::function<void(const Packet&, uint32_t session, size_t normalSize, size_t received)> check;
};

class HeaderFaults : public SimTest, public ::testing::WithParamInterface<HeaderFault> {};

TEST_P(HeaderFaults, ChangeTheReply) {
  auto wire = client();
  wire->sendRaw(sendRRData(wire->session(), 0x1234, kIdentityRequest));
  const size_t normalSize = wire->receive()->data.size();
  setOptions(GetParam().set);
  wire->sendRaw(sendRRData(wire->session(), 0x1234, kIdentityRequest));
  Bytes got = wire->receiveAll(300);
  ASSERT_GE(got.size(), 8u);
  const size_t received = got.size();
  got.resize(std::max<size_t>(received, 24));
  GetParam().check({get16(got, 0), get32(got, 4), get32(got, 8), get(got, 12, 8), Bytes(got.begin() + 24, got.end())},
                   wire->session(), normalSize, received);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HeaderFaults,
    ::testing::Values(
        HeaderFault{"WrongSenderContext", [](Options& o) { o.wrongSenderContext = true; },
                    [](const Packet& p, uint32_t, size_t, size_t) { EXPECT_EQ(std::tuple(p.context, p.command), std::tuple(0x1235u, 0x6F)); }},
        HeaderFault{"WrongCommand", [](Options& o) { o.wrongCommand = true; },
                    [](const Packet& p, uint32_t, size_t, size_t) { EXPECT_EQ(std::tuple(p.context, p.command), std::tuple(0x1234u, 0x70)); }},
        HeaderFault{"WrongSessionHandle", [](Options& o) { o.wrongSessionHandle = true; },
                    [](const Packet& p, uint32_t session, size_t, size_t) { EXPECT_EQ(std::tuple(p.session, p.status), std::tuple(session + 1, 0u)); }},
        HeaderFault{"EncapsulationStatus", [](Options& o) { o.encapsulationStatus = 0x0002; },
                    [](const Packet& p, uint32_t, size_t, size_t) { EXPECT_EQ(std::tuple(p.status, p.data.size()), std::tuple(2u, 0u)); }},
        HeaderFault{"TruncateSendsThePrefixAndCloses", [](Options& o) { o.truncateReplyTo = 10; },
                    [](const Packet& p, uint32_t, size_t, size_t received) { EXPECT_EQ(std::tuple(p.command, received), std::tuple(0x6F, 10u)); }},
        HeaderFault{"GarbageOfTheReplysLength", [](Options& o) { o.garbageReply = true; },
                    [](const Packet& p, uint32_t, size_t normal, size_t) { EXPECT_EQ(std::tuple(p.command == 0x6F, p.data.size()), std::tuple(false, normal)); }}),
    LabelName{});

TEST_F(Encapsulation, RegisterRefusals) {
  for (auto [status, zeroHandle] : {std::pair(1u, false), {0u, true}}) {
    setOptions([&](Options& o) { o.registerStatus = status; o.registerZeroHandle = zeroHandle; });
    WireClient wire(port());
    wire.send(0x65, 0, Bytes{1, 0, 0, 0}, 3);
    std::optional<Packet> reply = wire.receive();
    ASSERT_TRUE(reply);
    EXPECT_EQ(std::tuple(reply->status, reply->session), std::tuple(status, 0u));
  }
  EXPECT_EQ(server().sessionsRegistered(), 0u);
}

// The identity from the database; its faults bend Get_Attributes_All only: the session
// registers as usual and single attributes still answer.
TEST_F(Encapsulation, IdentityFaultsRefuseOrShortenGetAttributesAll) {
  auto wire = client();
  const RouterReply whole = wire->request(kIdentityRequest);
  ASSERT_EQ(std::tuple(whole.status, whole.data.size()), std::tuple(0, 15u + whole.data.at(14) + 1));  // then the state byte
  const Identity& id = sampleController().identity();
  const Bytes& d = whole.data;
  EXPECT_EQ(std::tuple(get16(d, 0), get16(d, 2), get16(d, 4), d[6], d[7], get16(d, 8), get32(d, 10)),
            std::tuple(id.vendorId, id.deviceType, id.productCode, 34, 11, 0x3160, 0x60C0FFEEu));
  EXPECT_EQ(std::string(d.begin() + 15, d.end() - 1), "Zolt QX-85 Line Controller");
  EXPECT_EQ(wire->request(0x0E, PathBuilder().classId(1).instance(1).attribute(99)).status, 0x14);
  setOptions([](Options& o) { o.identityStatus = 0x08; });
  const RouterReply refused = wire->request(kIdentityRequest);
  EXPECT_EQ(std::tuple(refused.service, refused.status, refused.data.size()), std::tuple(0x81, 0x08, 0u));
  const RouterReply name = wire->request(0x0E, PathBuilder().classId(1).instance(1).attribute(7));
  EXPECT_EQ(std::tuple(name.status, name.data), std::tuple(0, Bytes(whole.data.begin() + 14, whole.data.end() - 1)));
  for (uint32_t keep : {0u, 14u, 1000u}) {
    setOptions([&](Options& o) { o.identityStatus = 0; o.identityDataBytes = keep; });
    const RouterReply cut = wire->request(kIdentityRequest);
    EXPECT_EQ(cut.data, Bytes(whole.data.begin(), whole.data.begin() + std::min<long>(keep, static_cast<long>(whole.data.size())))) << keep;
  }
  EXPECT_EQ(server().sessionsRegistered(), 1u);
}

TEST_F(Encapsulation, SeveralClientsAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> good(8, 0);
  for (int c = 0; c < 8; ++c) {
    threads.emplace_back([&, c] {
      WireClient wire(port());
      if (wire.registerSession() == 0) return;
      for (int i = 0; i < 50; ++i) {
        const int index = (c + i) % 10;
        std::optional<Bytes> raw = wire.sendRR(readTagRequest("Matrix[" + std::to_string(index / 4) + "," + std::to_string(index % 4) + "]"));
        good[c] += raw && raw->size() == 10 && get32(*raw, 6) == static_cast<uint32_t>(index + 1);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int c = 0; c < 8; ++c) EXPECT_EQ(good[c], 50) << "client " << c;
  EXPECT_EQ(server().connectionsAccepted(), 8u);
}

// Broken framing and noise on the socket; the decoders themselves are fuzzed (sim/fuzz).
TEST_F(Encapsulation, MalformedInputNeverBringsTheServerDown) {
  std::mt19937 random(7);
  auto header = [](uint16_t command, uint16_t length, size_t size, uint8_t fill = 0) {
    Bytes out;
    put(out, command, 2);
    put(out, length, 2);
    out.resize(size, fill);
    return out;
  };
  std::vector<Bytes> streams{Bytes{0x65, 0x00, 0x04}, header(0x6F, 65535, 24), header(0x65, 4, 26), header(0x6F, 0xFFFF, 124, 0xEE),
                             header(0x6F, 6, 30, 0xFF)};
  for (int i = 0; i < 20; ++i) {
    Bytes noise(1 + random() % 3000);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    streams.push_back(noise);
  }
  for (const Bytes& stream : streams) {
    WireClient(port()).sendRaw(stream);
    EXPECT_EQ(client()->request(readTagRequest("DintValue")).status, 0);
  }
}

}  // namespace
}  // namespace quillon::sim::test
