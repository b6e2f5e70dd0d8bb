// Fault knobs, many clients at once, and malformed input that must never bring the
// server down.
#include <chrono>
#include <random>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "case_name.hpp"
#include "fixture.hpp"

namespace quillon::sim::test {
namespace {

using FaultTest = SimTest;

Bytes identitySendRR(uint32_t session, uint64_t context) {
  Bytes request = routerRequest(0x01, PathBuilder().classId(1).instance(1));
  Bytes data{0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0xB2, 0};
  put16(data, static_cast<uint16_t>(request.size()));
  data.insert(data.end(), request.begin(), request.end());
  Bytes packet;
  put16(packet, 0x6F);
  put16(packet, static_cast<uint16_t>(data.size()));
  put32(packet, session);
  put32(packet, 0);
  put64(packet, context);
  put32(packet, 0);
  packet.insert(packet.end(), data.begin(), data.end());
  return packet;
}

TEST_F(FaultTest, LatencyDelaysEveryReply) {
  auto wire = client();
  setOptions([](Options& o) { o.latencyMs = 150; });
  auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(wire->request(readTagRequest("DintValue")).status, 0);
  EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(150));
}

TEST_F(FaultTest, CloseAfterRequestsCountsPerConnection) {
  setOptions([](Options& o) { o.closeAfterRequests = 2; });
  auto wire = client();  // request 1
  EXPECT_EQ(wire->request(readTagRequest("DintValue")).status, 0);  // request 2, then closed
  EXPECT_TRUE(wire->closedByServer());
  auto other = client();
  EXPECT_EQ(other->request(readTagRequest("DintValue")).status, 0);
}

TEST_F(FaultTest, StallReadsButNeverAnswersAndStopStillReturns) {
  auto wire = client();
  setOptions([](Options& o) { o.stall = true; });
  wire->sendRaw(identitySendRR(wire->session(), 5));
  EXPECT_FALSE(wire->receive(300));
  server->stop();
  EXPECT_TRUE(wire->closedByServer());
}

TEST_F(FaultTest, LatencyIsAbandonedOnStop) {
  auto wire = client();
  setOptions([](Options& o) { o.latencyMs = 60000; });
  wire->sendRaw(identitySendRR(wire->session(), 5));
  auto begin = std::chrono::steady_clock::now();
  server->stop();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
}

// One more connection than the limit is closed at once; those within it are served.
TEST_F(FaultTest, ConnectionsBeyondTheLimitAreRefused) {
  setOptions([](Options& o) { o.maxConnections = 2; });
  auto first = client();
  auto second = client();
  WireClient third(port);
  EXPECT_TRUE(third.closedByServer());
  EXPECT_EQ(second->request(readTagRequest("DintValue")).status, 0);
  first.reset();
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (server->openConnections() > 1 && std::chrono::steady_clock::now() < limit)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(client()->request(readTagRequest("DintValue")).status, 0);
}

TEST_F(FaultTest, AnIdleConnectionIsClosed) {
  setOptions([](Options& o) { o.idleTimeoutMs = 100; });
  WireClient idle(port);
  EXPECT_TRUE(idle.closedByServer(5000));
}

struct HeaderFault {
  const char* name;
  std::function<void(Options&)> set;
  std::function<void(const Packet&, uint32_t session)> check;
};

class HeaderFaults : public SimTest, public ::testing::WithParamInterface<HeaderFault> {};

TEST_P(HeaderFaults, ChangeTheReplyHeader) {
  auto wire = client();
  setOptions(GetParam().set);
  wire->sendRaw(identitySendRR(wire->session(), 0x1234));
  std::optional<Packet> reply = wire->receive();
  ASSERT_TRUE(reply);
  GetParam().check(*reply, wire->session());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HeaderFaults,
    ::testing::Values(
        HeaderFault{"WrongSenderContext", [](Options& o) { o.wrongSenderContext = true; },
                    [](const Packet& p, uint32_t) {
                      EXPECT_EQ(p.context, 0x1235u);
                      EXPECT_EQ(p.command, 0x6F);
                    }},
        HeaderFault{"WrongCommand", [](Options& o) { o.wrongCommand = true; },
                    [](const Packet& p, uint32_t) {
                      EXPECT_EQ(p.command, 0x70);
                      EXPECT_EQ(p.context, 0x1234u);
                    }},
        HeaderFault{"WrongSessionHandle", [](Options& o) { o.wrongSessionHandle = true; },
                    [](const Packet& p, uint32_t session) {
                      EXPECT_NE(p.session, session);
                      EXPECT_EQ(p.status, 0u);
                    }},
        HeaderFault{"EncapsulationStatus", [](Options& o) { o.encapsulationStatus = 0x0002; },
                    [](const Packet& p, uint32_t) {
                      EXPECT_EQ(p.status, 2u);
                      EXPECT_TRUE(p.data.empty());
                    }}),
    CaseName());

TEST_F(FaultTest, TruncateSendsThePrefixAndCloses) {
  auto wire = client();
  setOptions([](Options& o) { o.truncateReplyTo = 10; });
  wire->sendRaw(identitySendRR(wire->session(), 1));
  Bytes got = wire->receiveAll();
  EXPECT_EQ(got.size(), 10u);
  EXPECT_EQ(get16(got, 0), 0x6F);
}

TEST_F(FaultTest, GarbageReplacesTheReply) {
  auto wire = client();
  wire->sendRaw(identitySendRR(wire->session(), 1));
  std::optional<Packet> normal = wire->receive();
  ASSERT_TRUE(normal);
  setOptions([](Options& o) { o.garbageReply = true; });
  wire->sendRaw(identitySendRR(wire->session(), 1));
  Bytes got = wire->receiveAll(300);
  ASSERT_EQ(got.size(), 24 + normal->data.size());
  Bytes expected;
  put16(expected, 0x6F);
  EXPECT_NE(Bytes(got.begin(), got.begin() + 2), expected);
}

TEST_F(FaultTest, RegisterRefusals) {
  setOptions([](Options& o) { o.registerStatus = 0x0001; });
  {
    WireClient wire(port);
    wire.send(0x65, 0, Bytes{1, 0, 0, 0}, 3);
    std::optional<Packet> reply = wire.receive();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 1u);
    EXPECT_EQ(reply->session, 0u);
  }
  setOptions([](Options& o) {
    o.registerStatus = 0;
    o.registerZeroHandle = true;
  });
  WireClient wire(port);
  wire.send(0x65, 0, Bytes{1, 0, 0, 0}, 3);
  std::optional<Packet> reply = wire.receive();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 0u);
  EXPECT_EQ(reply->session, 0u);
  EXPECT_EQ(server->sessionsRegistered(), 0u);
}

// The identity faults bend Get_Attributes_All only; the session registers as usual.
TEST_F(FaultTest, IdentityFaultsRefuseOrShortenGetAttributesAll) {
  const Bytes identityPath = PathBuilder().classId(1).instance(1);
  auto wire = client();
  RouterReply whole = wire->request(0x01, identityPath);
  ASSERT_EQ(whole.status, 0x00);
  ASSERT_GT(whole.data.size(), 15u);

  setOptions([](Options& o) { o.identityStatus = 0x08; });
  auto refused = client();
  ASSERT_NE(refused->session(), 0u);
  RouterReply reply = refused->request(0x01, identityPath);
  EXPECT_EQ(reply.service, 0x81);
  EXPECT_EQ(reply.status, 0x08);
  EXPECT_TRUE(reply.data.empty());
  // Single attributes still answer.
  RouterReply name = refused->request(0x0E, PathBuilder().classId(1).instance(1).attribute(7));
  EXPECT_EQ(name.status, 0x00);
  EXPECT_EQ(name.data, Bytes(whole.data.begin() + 14, whole.data.end() - 1));

  for (uint32_t keep : {0u, 14u, 1000u}) {
    setOptions([&](Options& o) {
      o.identityStatus = 0;
      o.identityDataBytes = keep;
    });
    reply = wire->request(0x01, identityPath);
    EXPECT_EQ(reply.status, 0x00) << keep;
    size_t size = std::min<size_t>(keep, whole.data.size());
    EXPECT_EQ(reply.data, Bytes(whole.data.begin(), whole.data.begin() + static_cast<ptrdiff_t>(size))) << keep;
  }
  EXPECT_EQ(server->sessionsRegistered(), 2u);
}

TEST_F(FaultTest, SeveralClientsAtOnce) {
  constexpr int kClients = 8;
  std::vector<std::thread> threads;
  std::vector<int> good(kClients, 0);
  for (int c = 0; c < kClients; ++c) {
    threads.emplace_back([&, c] {
      WireClient wire(port);
      if (wire.registerSession() == 0) return;
      for (int i = 0; i < 50; ++i) {
        int index = (c + i) % 10;
        std::optional<Bytes> raw = wire.sendRR(readTagRequest("Matrix[" + std::to_string(index / 4) + "," +
                                                              std::to_string(index % 4) + "]"));
        if (raw && raw->size() == 10 && get32(*raw, 6) == static_cast<uint32_t>(index + 1)) ++good[c];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int c = 0; c < kClients; ++c) EXPECT_EQ(good[c], 50) << "client " << c;
  EXPECT_EQ(server->sessionsRegistered(), static_cast<uint64_t>(kClients));
  EXPECT_EQ(server->connectionsAccepted(), static_cast<uint64_t>(kClients));
}

Bytes header(uint16_t command, uint16_t length, uint32_t session = 0) {
  Bytes out;
  put16(out, command);
  put16(out, length);
  put32(out, session);
  put32(out, 0);
  put64(out, 0);
  put32(out, 0);
  return out;
}

TEST_F(FaultTest, MalformedStreamsNeverBringTheServerDown) {
  std::mt19937 random(7);
  std::vector<Bytes> streams{
      Bytes{0x65, 0x00, 0x04},                          // a header cut short
      header(0x6F, 65535),                              // an absurd length, then nothing
      [] { Bytes b = header(0x65, 4); b.resize(26); return b; }(),
      [] { Bytes b = header(0x6F, 0xFFFF); b.resize(24 + 100, 0xEE); return b; }(),
      [] { Bytes b = header(0x6F, 6); Bytes d{0, 0, 0, 0, 0xFF, 0xFF}; b.insert(b.end(), d.begin(), d.end()); return b; }(),
  };
  for (int i = 0; i < 20; ++i) {
    Bytes noise(1 + random() % 3000);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    streams.push_back(noise);
  }
  for (const Bytes& stream : streams) {
    {
      WireClient wire(port);
      wire.sendRaw(stream);
    }
    auto wire = client();
    EXPECT_EQ(wire->request(readTagRequest("DintValue")).status, 0);
  }
}

TEST_F(FaultTest, MutatedRequestsOnARegisteredSessionAreAnswered) {
  std::mt19937 random(11);
  auto wire = client();
  Bytes base = identitySendRR(wire->session(), 1);
  for (int i = 0; i < 300; ++i) {
    Bytes packet = base;
    // Keep the header's length honest so every packet is framed; mutate the CIP part.
    for (int flips = 0; flips < 3; ++flips) packet[24 + random() % (packet.size() - 24)] = static_cast<uint8_t>(random());
    wire->sendRaw(packet);
    std::optional<Packet> reply = wire->receive();
    ASSERT_TRUE(reply) << "no answer to mutation " << i;
  }
}

#ifndef _WIN32
// The time the threads of `stats` (their schedstat files, read again at each call) ran or
// waited to run: a thread that retries at once counts the whole time whatever the
// machine's load, a waiting thread hardly any.
double runnableSeconds(std::vector<std::ifstream>& stats) {
  double total = 0.0;
  for (std::ifstream& stat : stats) {
    stat.clear();
    stat.seekg(0);
    double running = 0.0;
    double waiting = 0.0;
    if (stat >> running >> waiting) total += (running + waiting) / 1e9;
  }
  return total;
}

// In a process of its own: a served connection, then a second one that arrives when no
// descriptor is left for it. Returns 0, or the number of the step that failed.
int acceptWithoutDescriptors() {
  Server server{Controller{}};
  const uint16_t port = server.start(0);
  auto served = std::make_unique<WireClient>(port);
  if (served->registerSession() == 0) return 1;
  // Opened now: no descriptor is left for them later.
  std::vector<std::ifstream> stats;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) stats.emplace_back(task.path() / "schedstat");
  // Hold one descriptor for the second client and leave none above it for the server.
  const int held = open("/dev/null", O_RDONLY);
  const int lowestFree = dup(held);
  close(lowestFree);
  const rlimit limit{static_cast<rlim_t>(lowestFree), static_cast<rlim_t>(lowestFree)};
  if (held < 0 || lowestFree < 0 || setrlimit(RLIMIT_NOFILE, &limit) != 0) return 2;
  close(held);
  WireClient waiting(port);  // accepted by the kernel; the server's accept fails (EMFILE)
  if (!waiting.connected()) return 3;
  const double before = runnableSeconds(stats);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  // A loop that retried at once would be running or ready to run this whole second.
  if (runnableSeconds(stats) - before > 0.25) return 4;
  served.reset();  // its descriptor comes free once the server has seen it close
  return waiting.registerSession() != 0 ? 0 : 5;
}

// Descriptors run out: the server backs off instead of spinning, and serves the waiting
// connection once one is free again.
TEST(ServerLimits, RunningOutOfDescriptorsBacksOffAndRecovers) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(acceptWithoutDescriptors());
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the step that failed";
}
#endif

}  // namespace
}  // namespace quillon::sim::test
