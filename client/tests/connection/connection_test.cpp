// The transport and the client handle over loopback against the simulator: transfers, timeouts,
// peers that leave, sessions, identity, requests, every misbehaviour mapped to its result, abort.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "bytes.hpp"
#include "simulator.hpp"
#include "transport.h"

namespace {

using namespace quillon::testing;
using quillon::sim::Options;
using quillon::sim::RequestRecord;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kShortMs = 200;
constexpr uint16_t kRegister = 0x65, kUnRegister = 0x66, kSendRRData = 0x6F, kSendUnitData = 0x70;
// RegisterSession: header with length 4, then protocol version 1 and no flags.
const Bytes kRegisterSession = join({hex("65 00 04 00"), Bytes(20, 0), hex("01 00 00 00")});
const uint8_t kIdentityPath[] = {0x20, 0x01, 0x24, 0x01};
const zoltc_logix_cip_request kIdentityRequest{0x01, kIdentityPath, 4, nullptr, 0};

struct HolderDeleter {
  void operator()(zoltc_logix_socket* holder) const { zoltc_logix_socket_close(holder); }
};
using Holder = std::unique_ptr<zoltc_logix_socket, HolderDeleter>;

class Connection : public SimulatorTest {
 protected:
  // The identity request; its response must be empty after a failure.
  zoltc_logix_result request(zoltc_logix_cip_response* kept = nullptr, const zoltc_logix_cip_request& what = kIdentityRequest) {
    zoltc_logix_cip_response response{};
    const zoltc_logix_result result = zoltc_logix_send_request(client(), &what, &response);
    if (result != ZOLTC_LOGIX_OK) {
      EXPECT_EQ(response.data.data, nullptr);
      EXPECT_EQ(response.additional_status.data, nullptr);
    }
    if (kept != nullptr) *kept = response; else zoltc_logix_cip_response_free(&response);
    return result;
  }
  bool unregistered(uint32_t session) {
    return waitForRecord([&](const RequestRecord& r) { return r.command == kUnRegister && r.sessionHandle == session; });
  }
  // The session handle of the latest SendRRData.
  uint32_t lastSession() {
    const auto all = records();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
      if (it->command == kSendRRData) return it->sessionHandle;
    return 0;
  }
};

// Exact transfers by name; a timeout leaves the socket to the caller. Refused and unresolvable
// addresses fail promptly, leaving the holder without a socket. Sending to a peer that has gone
// is an error, not SIGPIPE (which would end this program); the first sends may go locally.
TEST_F(Connection, TransportTransfersRefusalsAndPeersThatLeave) {
  QUILLON_SKIP_SECOND_PASS();
  Holder holder(zoltc_logix_socket_create());
  ASSERT_EQ(zoltc_logix_tcp_connect(holder.get(), "localhost", port(), kTimeoutMs), ZOLTC_LOGIX_IO_OK);  // ::1 first, maybe
  ASSERT_EQ(zoltc_logix_tcp_send_all(holder.get(), kRegisterSession.data(), 28, kTimeoutMs), ZOLTC_LOGIX_IO_OK);
  Bytes reply(28);  // the header, then its 4 data bytes
  ASSERT_EQ(zoltc_logix_tcp_recv_all(holder.get(), reply.data(), 24, kTimeoutMs), ZOLTC_LOGIX_IO_OK);
  ASSERT_EQ(zoltc_logix_tcp_recv_all(holder.get(), reply.data() + 24, 4, kTimeoutMs), ZOLTC_LOGIX_IO_OK);
  EXPECT_EQ(std::tuple(reply[0], reply[24]), std::tuple(0x65, 1));
  EXPECT_EQ(zoltc_logix_tcp_recv_all(holder.get(), reply.data(), 24, kShortMs), ZOLTC_LOGIX_IO_TIMEOUT);
  EXPECT_TRUE(zoltc_logix_socket_is_open(holder.get()));

  const auto start = Clock::now();
  EXPECT_EQ(zoltc_logix_tcp_connect(holder.get(), "127.0.0.1", quillon::sim::test::closedPort(), 10000), ZOLTC_LOGIX_IO_CONNECT_FAILED);
  EXPECT_FALSE(zoltc_logix_socket_is_open(holder.get()));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(zoltc_logix_tcp_connect(holder.get(), "no-such-controller.invalid", 44818, 1000), ZOLTC_LOGIX_IO_RESOLVE_FAILED);
  EXPECT_EQ(zoltc_logix_connect(client(), "no-such-controller.invalid", 44818, 1000), ZOLTC_LOGIX_ERR_CONNECT_FAILED);
  EXPECT_EQ(zoltc_logix_get_product_name(client()), nullptr);

  ASSERT_EQ(zoltc_logix_tcp_connect(holder.get(), "127.0.0.1", port(), kTimeoutMs), ZOLTC_LOGIX_IO_OK);
  server().stop();
  const Bytes block(64 * 1024, 0);
  zoltc_logix_io_result result = ZOLTC_LOGIX_IO_OK;
  for (int i = 0; i < 100 && result == ZOLTC_LOGIX_IO_OK; ++i)
    result = zoltc_logix_tcp_send_all(holder.get(), block.data(), static_cast<uint32_t>(block.size()), kTimeoutMs);
  EXPECT_EQ(result, ZOLTC_LOGIX_IO_CLOSED);
}

// Connect registers a session and reads the identity. The sender context starts at 1 and is
// never reset; UnRegisterSession carries 0. A reconnect unregisters the old session first,
// and the product name stays after a disconnect.
TEST_F(Connection, ConnectRequestsAndSessions) {
  QUILLON_SKIP_WHEN_CONNECTED();
  EXPECT_EQ(request(), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  EXPECT_EQ(zoltc_logix_get_product_name(client()), nullptr);
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), kTestProductName);
  const zoltc_logix_identity* id = zoltc_logix_get_identity(client());
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(std::tuple(id->vendor_id, id->device_type, id->product_code, id->revision_major, id->revision_minor,
                       id->status, id->serial_number), std::tuple(1, 14, 166, 33, 11, 0x3160, 0x00C0FFEEu));
  const auto wire = records();
  ASSERT_EQ(wire.size(), 2u);
  EXPECT_EQ(std::tuple(wire[0].command, wire[0].sessionHandle, wire[1].command, wire[1].service, wire[1].generalStatus),
            std::tuple(kRegister, 0u, kSendRRData, 1, 0));
  // Bad arguments are refused before anything is closed: the session stays.
  EXPECT_EQ(zoltc_logix_connect(client(), "", port(), kTimeoutMs), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_connect(client(), "127.0.0.1", 0, kTimeoutMs), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  // A refusal is a successful exchange that carries the controller's status.
  const uint8_t unknownObject[] = {0x20, 0x99, 0x24, 0x01};
  zoltc_logix_cip_response response{};
  ASSERT_EQ(request(&response, {0x01, unknownObject, 4, nullptr, 0}), ZOLTC_LOGIX_OK);
  EXPECT_EQ(std::tuple(response.service, response.general_status, response.data.length), std::tuple(0x81, 0x05, 0u));
  zoltc_logix_cip_response_free(&response);
  // The largest request whose SendRRData still fits the encapsulation length goes; one byte
  // more, or an odd path, is refused unsent.
  const Bytes big(65519 - 5, 0);
  EXPECT_EQ(request(nullptr, {0x01, kIdentityPath, 3, nullptr, 0}), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_NE(request(nullptr, {0x4C, kIdentityPath, 4, big.data(), 65519 - 6}), ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(request(nullptr, {0x4C, kIdentityPath, 4, big.data(), 65519 - 5}), ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(records().size(), 4u);
  EXPECT_EQ(server().connectionsAccepted(), 1u);

  const uint32_t first = lastSession();
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  ASSERT_TRUE(unregistered(first));
  std::vector<uint64_t> contexts;
  for (const RequestRecord& record : records()) {
    if (record.command != kUnRegister) contexts.push_back(record.senderContext);
    EXPECT_TRUE(record.command != kUnRegister || record.senderContext == 0);
  }
  EXPECT_EQ(contexts, (std::vector<uint64_t>{1, 2, 3, 4, 5, 6}));

  quillon::sim::Server other(identityController("Second PLC"));
  ASSERT_EQ(zoltc_logix_connect(client(), "127.0.0.1", other.start(0, "127.0.0.1"), kTimeoutMs), ZOLTC_LOGIX_OK);
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), "Second PLC");
  zoltc_logix_disconnect(client());
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), "Second PLC");
  EXPECT_EQ(request(), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  zoltc_logix_disconnect(client());  // nothing left to unregister
}

// A controller that registers the session but refuses the identity request (CIP status, kept as
// the refusal) or sends one that cannot be decoded (bad reply): the connect fails, unregisters
// the session, and keeps the product name of the connection before it.
TEST_F(Connection, IdentityFaultsFailTheConnectAndLeaveTheHandleClosed) {
  // Success without data; the name cut short (of the 40 bytes of the identity); refused.
  for (auto [status, dataBytes] : {std::pair<uint8_t, std::optional<uint32_t>>(0x00, 0u), {0x00, 30u}, {0x08, std::nullopt}}) {
    SCOPED_TRACE(::testing::Message() << "status " << int{status} << ", data bytes " << dataBytes.value_or(40));
    ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
    const uint32_t earlier = lastSession();
    setOptions([&](Options& o) { o.identityStatus = status; o.identityDataBytes = dataBytes; });
    EXPECT_EQ(connect(), status != 0 ? ZOLTC_LOGIX_ERR_CIP_STATUS : ZOLTC_LOGIX_ERR_BAD_REPLY);
    EXPECT_EQ(zoltc_logix_get_refusal(client())->general_status, status);
    EXPECT_TRUE(unregistered(lastSession()) && unregistered(earlier));
    EXPECT_STREQ(zoltc_logix_get_product_name(client()), kTestProductName);
    EXPECT_EQ(request(), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
    server().setOptions({});
  }
}

struct FaultCase {
  const char* label;
  std::function<void(Options&)> knob;
  zoltc_logix_result atConnect, onRequest, afterwards;  // the next request, with the knob off again
  bool unconnectedOnly = false;  // connected replies are matched by connection id and sequence count
};

class Faults : public Connection, public ::testing::WithParamInterface<FaultCase> {};

// A failed connect leaves the handle closed and without a product name, usable again.
TEST_P(Faults, AtConnectAndOnALaterRequest) {
  if (GetParam().unconnectedOnly) QUILLON_SKIP_WHEN_CONNECTED();
  setOptions(GetParam().knob);
  EXPECT_EQ(connect(kShortMs), GetParam().atConnect);
  EXPECT_EQ(zoltc_logix_get_product_name(client()), nullptr);
  server().setOptions({});
  EXPECT_EQ(request(), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  ASSERT_EQ(connect(kShortMs), ZOLTC_LOGIX_OK);
  setOptions(GetParam().knob);
  EXPECT_EQ(request(), GetParam().onRequest);
  server().setOptions({});
  EXPECT_EQ(request(), GetParam().afterwards);
}

constexpr zoltc_logix_result kClosed = ZOLTC_LOGIX_ERR_NOT_CONNECTED;
constexpr zoltc_logix_result kLost = ZOLTC_LOGIX_ERR_CONNECTION_LOST;
constexpr zoltc_logix_result kBad = ZOLTC_LOGIX_ERR_BAD_REPLY;
constexpr zoltc_logix_result kCip = ZOLTC_LOGIX_ERR_CIP_STATUS;
constexpr zoltc_logix_result kTimeout = ZOLTC_LOGIX_ERR_TIMEOUT;
constexpr zoltc_logix_result kRefused = ZOLTC_LOGIX_ERR_SESSION_REFUSED;

INSTANTIATE_TEST_SUITE_P(
    Knobs, Faults,
    ::testing::Values(
        FaultCase{"WrongSenderContext", [](Options& o) { o.wrongSenderContext = true; }, kBad, kBad, kClosed, true},
        FaultCase{"WrongCommand", [](Options& o) { o.wrongCommand = true; }, kBad, kBad, kClosed},
        // RegisterSession replies keep their handle: the identity request fails.
        FaultCase{"WrongSessionHandle", [](Options& o) { o.wrongSessionHandle = true; }, kCip, kCip, ZOLTC_LOGIX_OK},
        // Connected, a non-zero encapsulation status says the connection is gone.
        FaultCase{"EncapsulationStatus", [](Options& o) { o.encapsulationStatus = 0x65; }, kCip, kCip, ZOLTC_LOGIX_OK, true},
        FaultCase{"TruncatedInTheHeader", [](Options& o) { o.truncateReplyTo = 10; }, kLost, kLost, kClosed},
        FaultCase{"TruncatedInTheData", [](Options& o) { o.truncateReplyTo = 30; }, kLost, kLost, kClosed},
        FaultCase{"Garbage", [](Options& o) { o.garbageReply = true; }, kBad, kBad, kClosed},
        FaultCase{"Stall", [](Options& o) { o.stall = true; }, kTimeout, kTimeout, kClosed},
        // Every byte comes in time, the whole reply does not: the timeout bounds the exchange.
        FaultCase{"TrickleSlowerThanTheTimeout", [](Options& o) { o.trickleMs = 100; }, kTimeout, kTimeout, kClosed},
        // The next reply is the last: the request after it finds the socket closed.
        FaultCase{"CloseAfterOneRequest", [](Options& o) { o.closeAfterRequests = 1; }, kLost, ZOLTC_LOGIX_OK, kLost},
        // Faults of RegisterSession alone leave requests of a live session alone.
        FaultCase{"RegisterStatus", [](Options& o) { o.registerStatus = 1; }, kRefused, ZOLTC_LOGIX_OK, ZOLTC_LOGIX_OK},
        // A refusal is judged by its status first: some controllers do not echo the context then.
        FaultCase{"RegisterStatusWithAnotherContext", [](Options& o) { o.registerStatus = 1; o.wrongSenderContext = true; },
                  kRefused, kBad, kClosed, true},
        // A reply for another service is no answer; the session stays.
        FaultCase{"ReplyForAnotherService", [](Options& o) { o.wrongReplyService = true; }, kBad, kBad, ZOLTC_LOGIX_OK},
        FaultCase{"RegisterZeroHandle", [](Options& o) { o.registerZeroHandle = true; }, kRefused, ZOLTC_LOGIX_OK, ZOLTC_LOGIX_OK}),
    LabelName{});

// Latency below the timeout is only slowness; a stalled controller is given up on after about
// the timeout given, not after a default. Another thread's abort ends a call stalled on the
// controller at once, connect or request; it stays in force until cleared (an abort before a
// call is not lost), then the handle connects.
TEST_F(Connection, TimeoutsAndAbortEndAStalledCall) {
  setOptions([](Options& o) { o.latencyMs = 50; });
  ASSERT_EQ(connect(1000), ZOLTC_LOGIX_OK);
  setOptions([](Options& o) { o.latencyMs = 0; o.stall = true; });
  const auto start = Clock::now();
  EXPECT_EQ(connect(kShortMs), ZOLTC_LOGIX_ERR_TIMEOUT);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(kShortMs - 20));
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(5000));
  server().setOptions({});
  for (bool connectedFirst : {false, true}) {
    if (connectedFirst) {
      ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
    }
    clearRecords();
    setOptions([](Options& o) { o.stall = true; });
    std::atomic<int> result{-1};
    Clock::time_point returned;
    std::thread caller([&] {
      result = connectedFirst ? request() : connect(60000);
      returned = Clock::now();
    });
    const uint16_t sent = quillon::testing::testMessagingConnected() ? kSendUnitData : kSendRRData;
    const uint16_t command = connectedFirst ? sent : kRegister;
    const bool stalled = waitForRecord([&](const RequestRecord& r) { return r.command == command; });
    const auto aborted = Clock::now();
    zoltc_logix_abort(client());
    caller.join();
    ASSERT_TRUE(stalled);
    EXPECT_EQ(result, ZOLTC_LOGIX_ERR_ABORTED);
    EXPECT_LT(returned - aborted, std::chrono::milliseconds(1000));
    EXPECT_TRUE(zoltc_logix_is_aborted(client()));
    server().setOptions({});
    EXPECT_EQ(request(), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
    EXPECT_EQ(connect(), ZOLTC_LOGIX_ERR_ABORTED);
    zoltc_logix_abort_clear(client());
    EXPECT_EQ(connect(), ZOLTC_LOGIX_OK);
    EXPECT_EQ(request(), ZOLTC_LOGIX_OK);
    zoltc_logix_disconnect(client());
  }
}

}  // namespace
