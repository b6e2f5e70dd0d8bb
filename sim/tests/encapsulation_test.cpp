// The encapsulation layer: sessions, list commands, encapsulation errors, the records of what
// was served, every fault knob, many clients at once, and input that must never bring it down.
#include <chrono>
#include <functional>
#include <set>
#include <thread>

#include "sim_test.hpp"

namespace quillon::sim::test {
namespace {

using Clock = std::chrono::steady_clock;
using Encapsulation = SimTest;

const Bytes kIdentityRequest = routerRequest(0x01, PathBuilder().classId(1).instance(1));

// Refused registrations count nothing; then fresh non-zero handles, context and data echoed.
TEST_F(Encapsulation, SessionsRegisterAndEnd) {
  for (auto [status, zeroHandle] : {std::pair(1u, false), {0u, true}}) {
    setOptions([&](Options& o) { o.registerStatus = status; o.registerZeroHandle = zeroHandle; });
    WireClient wire(port());
    wire.send(0x65, 0, Bytes{1, 0, 0, 0}, 3);
    const Packet reply = wire.receive().value_or(Packet{});
    EXPECT_EQ(std::tuple(reply.command, reply.status, reply.session), std::tuple(0x65, status, 0u));
  }
  EXPECT_EQ(server().sessionsRegistered(), 0u);
  setOptions([](Options& o) { o.registerZeroHandle = false; });
  std::set<uint32_t> handles;
  for (int i = 0; i < 5; ++i) {
    WireClient wire(port());
    wire.send(0x65, 0, Bytes{1, 0, 0, 0}, 0x1122334455667788ull);
    const Packet reply = wire.receive().value_or(Packet{});
    EXPECT_EQ(std::tuple(reply.command, reply.status, reply.context, reply.data), std::tuple(0x65, 0u, 0x1122334455667788ull, Bytes{1, 0, 0, 0}));
    handles.insert(reply.session);
  }
  EXPECT_EQ(std::tuple(handles.size(), handles.count(0), server().sessionsRegistered()), std::tuple(5u, 0u, 5u));
  auto wire = client();
  wire->send(0x66, wire->session() + 1, {}, 9);  // another handle: refused, the session stays
  EXPECT_EQ(wire->receive()->status, 0x64u);
  wire->send(0x00, wire->session(), Bytes{1, 2, 3});  // NOP is not answered
  EXPECT_EQ(wire->request(readTagRequest("Program:MainProgram.Mode")).status, 0);
  const std::vector<RequestRecord> all = records();
  ASSERT_FALSE(all.empty());
  const RequestRecord& made = all.back();
  EXPECT_EQ(std::tuple(made.command, made.service, made.path, made.sessionHandle, made.senderContext, made.connectionId, made.data),
            std::tuple(0x6F, 0x4C, std::string("Program:MainProgram.Mode"), wire->session(), 2u, 8u, Bytes{1, 0}));
  wire->send(0x66, wire->session(), {});
  EXPECT_TRUE(wire->closedByServer());
  EXPECT_EQ(std::tuple(server().sessionsUnregistered(), server().connectionsAccepted()), std::tuple(1u, 8u));
}

// Errors answer with the controller's status, the context echoed, and the connection survives;
// malformed input never brings the server down.
TEST_F(Encapsulation, ErrorsAndMalformedInputLeaveTheServiceUp) {
  enum Session { kNone, kOwn, kAnother };
  const Bytes identityItems = commonPacket({{0, {}}, {0xB2, kIdentityRequest}});
  for (const auto& [label, command, session, data, status] : std::vector<std::tuple<const char*, uint16_t, Session, Bytes, uint32_t>>{
           {"UnknownCommand", 0x0099, kOwn, {}, 0x0001},
           {"SendUnitDataWithoutItems", 0x0070, kOwn, {}, 0x0065},
           {"SendRRDataBeforeRegister", 0x006F, kNone, identityItems, 0x0064},
           {"AnotherSession", 0x006F, kAnother, identityItems, 0x0064},
           {"RegisterWithShortData", 0x0065, kNone, {1, 0}, 0x0065},
           {"RegisterVersion2", 0x0065, kNone, {2, 0, 0, 0}, 0x0069},
           {"ConnectedItem", 0x006F, kOwn, commonPacket({{0, {}}, {0xB1, kIdentityRequest}}), 0x0003},
           {"OneItemOnly", 0x006F, kOwn, commonPacket({{0xB2, kIdentityRequest}}), 0x0003},
           {"InterfaceHandle", 0x006F, kOwn, commonPacket({{0, {}}, {0xB2, kIdentityRequest}}, 5), 0x0003},
           {"ItemLongerThanData", 0x006F, kOwn, Bytes{0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0xB2, 0, 50, 0, 1, 2}, 0x0065},
           {"EmptyRouterRequest", 0x006F, kOwn, commonPacket({{0, {}}, {0xB2, {}}}), 0x0003}}) {
    WireClient wire(port());
    const uint32_t handle = session == kNone ? 0 : wire.registerSession() + (session == kAnother ? 7 : 0);
    wire.send(command, handle, data, 42);
    const Packet reply = wire.receive().value_or(Packet{});
    EXPECT_EQ(std::tuple(reply.command, reply.status, reply.context), std::tuple(command, status, 42u)) << label;
    EXPECT_TRUE(session == kNone ? wire.registerSession() != 0 : wire.request(readTagRequest("DintValue")).status == 0) << label;
  }
  // Broken framing on the socket; the decoders themselves are fuzzed with noise (sim/fuzz).
  const auto header = [](uint16_t command, uint16_t length, size_t size, uint8_t fill = 0) {
    return join(le({{command, 2}, {length, 2}}), Bytes(size - 4, fill));
  };
  for (const Bytes& stream : {Bytes{0x65, 0x00, 0x04}, header(0x6F, 65535, 24), header(0x65, 4, 26), header(0x6F, 0xFFFF, 124, 0xEE),
                              header(0x6F, 6, 30, 0xFF), header(0xEEEE, 3000, 3000, 0xEE)}) {
    WireClient(port()).sendRaw(stream);
    EXPECT_EQ(client()->request(readTagRequest("DintValue")).status, 0);
  }
}

// ListIdentity and the Identity object both report the database's identity; its faults bend
// Get_Attributes_All only: the session registers as usual and single attributes still answer.
TEST_F(Encapsulation, IdentityOverListIdentityAndTheIdentityObject) {
  WireClient wire(port());
  wire.send(0x63, 0, {}, 77);
  const Packet listed = wire.receive().value_or(Packet{});
  EXPECT_EQ(std::tuple(listed.status, listed.context), std::tuple(0u, 77u));
  const Bytes& d = listed.data;
  const Identity& id = sampleController().identity();
  ASSERT_TRUE(d.size() > 39 && d.size() == 6u + get16(d, 4)) << d.size();
  EXPECT_EQ(std::tuple(get16(d, 0), get16(d, 2), get16(d, 6)), std::tuple(1, 0x0C, 1));  // one CIP Identity item, version 1
  // The socket address big-endian: AF_INET, the port reached, 127.0.0.1.
  EXPECT_EQ(Bytes(d.begin() + 8, d.begin() + 16), (Bytes{0, 2, static_cast<uint8_t>(port() >> 8), static_cast<uint8_t>(port()), 127, 0, 0, 1}));
  EXPECT_EQ(std::tuple(get16(d, 24), get16(d, 26), get16(d, 28), d[30], d[31], get32(d, 34)),
            std::tuple(id.vendorId, id.deviceType, id.productCode, id.revisionMajor, id.revisionMinor, id.serialNumber));
  EXPECT_EQ(std::tuple(d[38], std::string(d.begin() + 39, d.end() - 1)), std::tuple(id.productName.size(), id.productName));  // then the state byte
  wire.send(0x04, 0, {});
  const Bytes services = wire.receive().value_or(Packet{}).data;
  ASSERT_EQ(services.size(), 26u);
  EXPECT_EQ(std::tuple(get16(services, 2), std::string(services.begin() + 10, services.end() - 2)), std::tuple(0x100, "Communications"));
  ASSERT_NE(wire.registerSession(), 0u);
  const RouterReply whole = wire.request(kIdentityRequest);
  ASSERT_EQ(std::tuple(whole.status, whole.data.size()), std::tuple(0, 15u + whole.data.at(14) + 1));  // then the state byte
  const Bytes& g = whole.data;
  EXPECT_EQ(std::tuple(get16(g, 0), get16(g, 2), get16(g, 4), g[6], g[7], get16(g, 8), get32(g, 10)),
            std::tuple(id.vendorId, id.deviceType, id.productCode, 34, 11, 0x3160, 0x60C0FFEEu));
  EXPECT_EQ(std::string(g.begin() + 15, g.end() - 1), "Zolt QX-85 Line Controller");
  EXPECT_EQ(wire.request(0x0E, PathBuilder().classId(1).instance(1).attribute(99)).status, 0x14);
  setOptions([](Options& o) { o.identityStatus = 0x08; });
  const RouterReply refused = wire.request(kIdentityRequest);
  EXPECT_EQ(std::tuple(refused.service, refused.status, refused.data.size()), std::tuple(0x81, 0x08, 0u));
  const RouterReply name = wire.request(0x0E, PathBuilder().classId(1).instance(1).attribute(7));
  EXPECT_EQ(std::tuple(name.status, name.data), std::tuple(0, Bytes(g.begin() + 14, g.end() - 1)));
  for (uint32_t keep : {0u, 14u, 1000u}) {
    setOptions([&](Options& o) { o.identityStatus = 0; o.identityDataBytes = keep; });
    EXPECT_EQ(wire.request(kIdentityRequest).data, Bytes(g.begin(), g.begin() + std::min<long>(keep, static_cast<long>(g.size())))) << keep;
  }
  EXPECT_EQ(server().sessionsRegistered(), 1u);
}

// Each knob of the reply's timing, the connection and the session, seen on the wire; one more
// connection than the limit is closed at once, those within it are served; stop, then start.
TEST_F(Encapsulation, TimingAndConnectionKnobsStopAndStart) {
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
  EXPECT_TRUE(WireClient(port()).closedByServer(5000));
  setOptions([](Options& o) { o.idleTimeoutMs = 0; o.maxConnections = 2; });
  wire.reset();
  counted.reset();
  EXPECT_TRUE(waitFor([&] { return server().openConnections() == 0; }));
  auto first = client();
  auto second = client();
  EXPECT_TRUE(WireClient(port()).closedByServer());
  EXPECT_EQ(second->request(readTagRequest("DintValue")).status, 0);
  first.reset();
  EXPECT_TRUE(waitFor([&] { return server().openConnections() == 1; }));
  EXPECT_EQ(client()->request(readTagRequest("DintValue")).status, 0);
  setOptions([](Options& o) { o.maxConnections = 0; o.latencyMs = 60000; });
  second->sendRaw(sendRRData(second->session(), 5, kIdentityRequest));
  begin = Clock::now();
  server().stop();  // closes the connections and abandons the reply's wait
  EXPECT_LT(Clock::now() - begin, std::chrono::seconds(10));
  EXPECT_TRUE(second->closedByServer());
  EXPECT_FALSE(server().running());
  setOptions([](Options& o) { o.latencyMs = 0; });
  WireClient again(server().start());
  ASSERT_NE(again.registerSession(), 0u);
  EXPECT_EQ(again.request(readTagRequest("DintValue")).status, 0);
}

// Each fault knob bends the header of the next reply as asked.
TEST_F(Encapsulation, HeaderFaultsChangeTheReply) {
  struct Seen {
    Packet packet;  // as far as it came
    uint32_t session;
    size_t normalSize, received;
  };
  for (const auto& [label, set, check] : std::vector<std::tuple<const char*, std::function<void(Options&)>, std::function<void(const Seen&)>>>{
           {"WrongSenderContext", [](Options& o) { o.wrongSenderContext = true; }, [](const Seen& s) { EXPECT_EQ(std::tuple(s.packet.context, s.packet.command), std::tuple(0x1235u, 0x6F)); }},
           {"WrongCommand", [](Options& o) { o.wrongCommand = true; }, [](const Seen& s) { EXPECT_EQ(std::tuple(s.packet.context, s.packet.command), std::tuple(0x1234u, 0x70)); }},
           {"WrongSessionHandle", [](Options& o) { o.wrongSessionHandle = true; }, [](const Seen& s) { EXPECT_EQ(std::tuple(s.packet.session, s.packet.status), std::tuple(s.session + 1, 0u)); }},
           {"EncapsulationStatus", [](Options& o) { o.encapsulationStatus = 0x0002; }, [](const Seen& s) { EXPECT_EQ(std::tuple(s.packet.status, s.packet.data.size()), std::tuple(2u, 0u)); }},
           {"TruncateSendsThePrefixAndCloses", [](Options& o) { o.truncateReplyTo = 10; }, [](const Seen& s) { EXPECT_EQ(std::tuple(s.packet.command, s.received), std::tuple(0x6F, 10u)); }},
           {"GarbageOfTheReplysLength", [](Options& o) { o.garbageReply = true; },
            [](const Seen& s) { EXPECT_EQ(std::tuple(s.packet.command == 0x6F, s.packet.data.size()), std::tuple(false, s.normalSize)); }}}) {
    SCOPED_TRACE(label);
    setOptions([](Options& o) { o = Options{}; });
    auto wire = client();
    wire->sendRaw(sendRRData(wire->session(), 0x1234, kIdentityRequest));
    const size_t normalSize = wire->receive().value_or(Packet{}).data.size();
    setOptions(set);
    wire->sendRaw(sendRRData(wire->session(), 0x1234, kIdentityRequest));
    Bytes got = wire->receiveAll(300);
    const size_t received = got.size();
    got.resize(std::max<size_t>(received, 24));
    check({{get16(got, 0), get32(got, 4), get32(got, 8), get(got, 12, 8), Bytes(got.begin() + 24, got.end())}, wire->session(), normalSize, received});
  }
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

}  // namespace
}  // namespace quillon::sim::test
