// Every misbehaviour of the simulator, at connect and on a later request,
// mapped to its result code and to what is left of the connection.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "label_name.hpp"
#include "simulator.hpp"
#include "zoltc_logix.h"

namespace {

using quillon::sim::Options;

constexpr uint32_t kShortTimeoutMs = 200;
// The library closed the connection: requests find no session.
constexpr zoltc_logix_result kClosed = ZOLTC_LOGIX_ERR_NOT_CONNECTED;

const uint8_t kIdentityPath[] = {0x20, 0x01, 0x24, 0x01};
const zoltc_logix_cip_request kIdentityRequest{0x01, kIdentityPath, 4, nullptr, 0};

struct FaultCase {
  const char* label;
  std::function<void(Options&)> knob;
  zoltc_logix_result atConnect;
  zoltc_logix_result onRequest;
  zoltc_logix_result afterwards;  // the next request, with the knob off again
};

// The identity request; the response must be empty after a failure.
zoltc_logix_result requestIdentity(zoltc_logix_client* client) {
  zoltc_logix_cip_response response{};
  const zoltc_logix_result result = zoltc_logix_send_request(client, &kIdentityRequest, &response);
  if (result != ZOLTC_LOGIX_OK) {
    EXPECT_EQ(response.data.data, nullptr);
    EXPECT_EQ(response.additional_status.data, nullptr);
  }
  zoltc_logix_cip_response_free(&response);
  return result;
}

class FaultTest : public quillon::testing::SimulatorTest,
                  public ::testing::WithParamInterface<FaultCase> {
 protected:
  void setKnob() {
    Options options;
    GetParam().knob(options);
    server().setOptions(options);
  }
  zoltc_logix_result request() { return requestIdentity(client()); }
};

// A failed connect leaves the handle closed, and no product name appears.
TEST_P(FaultTest, AtConnect) {
  setKnob();
  EXPECT_EQ(connect(kShortTimeoutMs), GetParam().atConnect);
  EXPECT_EQ(zoltc_logix_get_product_name(client()), nullptr);
  server().setOptions(Options{});
  EXPECT_EQ(request(), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  // The handle is usable again.
  EXPECT_EQ(connect(), ZOLTC_LOGIX_OK);
}

TEST_P(FaultTest, OnARequestAfterConnect) {
  // Connected replies are matched by connection id and sequence count, and a
  // non-zero encapsulation status says the connection is gone.
  const std::string name = GetParam().label;
  if (name == "wrong_sender_context" || name == "encapsulation_status" ||
      name == "register_status_with_another_context") {
    QUILLON_SKIP_WHEN_CONNECTED();
  }
  ASSERT_EQ(connect(kShortTimeoutMs), ZOLTC_LOGIX_OK);
  setKnob();
  EXPECT_EQ(request(), GetParam().onRequest);
  server().setOptions(Options{});
  EXPECT_EQ(request(), GetParam().afterwards);
}

INSTANTIATE_TEST_SUITE_P(
    Knobs, FaultTest,
    ::testing::Values(
        FaultCase{"wrong_sender_context", [](Options& o) { o.wrongSenderContext = true; },
                  ZOLTC_LOGIX_ERR_BAD_REPLY, ZOLTC_LOGIX_ERR_BAD_REPLY, kClosed},
        FaultCase{"wrong_command", [](Options& o) { o.wrongCommand = true; },
                  ZOLTC_LOGIX_ERR_BAD_REPLY, ZOLTC_LOGIX_ERR_BAD_REPLY, kClosed},
        // RegisterSession replies keep their handle: the identity request fails.
        FaultCase{"wrong_session_handle", [](Options& o) { o.wrongSessionHandle = true; },
                  ZOLTC_LOGIX_ERR_CIP_STATUS, ZOLTC_LOGIX_ERR_CIP_STATUS, ZOLTC_LOGIX_OK},
        FaultCase{"encapsulation_status", [](Options& o) { o.encapsulationStatus = 0x65; },
                  ZOLTC_LOGIX_ERR_CIP_STATUS, ZOLTC_LOGIX_ERR_CIP_STATUS, ZOLTC_LOGIX_OK},
        FaultCase{"truncated_in_the_header", [](Options& o) { o.truncateReplyTo = 10; },
                  ZOLTC_LOGIX_ERR_CONNECTION_LOST, ZOLTC_LOGIX_ERR_CONNECTION_LOST, kClosed},
        FaultCase{"truncated_in_the_data", [](Options& o) { o.truncateReplyTo = 30; },
                  ZOLTC_LOGIX_ERR_CONNECTION_LOST, ZOLTC_LOGIX_ERR_CONNECTION_LOST, kClosed},
        FaultCase{"garbage", [](Options& o) { o.garbageReply = true; },
                  ZOLTC_LOGIX_ERR_BAD_REPLY, ZOLTC_LOGIX_ERR_BAD_REPLY, kClosed},
        FaultCase{"stall", [](Options& o) { o.stall = true; }, ZOLTC_LOGIX_ERR_TIMEOUT,
                  ZOLTC_LOGIX_ERR_TIMEOUT, kClosed},
        FaultCase{"latency_beyond_the_timeout", [](Options& o) { o.latencyMs = 1000; },
                  ZOLTC_LOGIX_ERR_TIMEOUT, ZOLTC_LOGIX_ERR_TIMEOUT, kClosed},
        // Every byte comes within the timeout, the whole reply does not: the
        // timeout bounds the exchange, not each wait.
        FaultCase{"trickle_slower_than_the_timeout", [](Options& o) { o.trickleMs = 100; },
                  ZOLTC_LOGIX_ERR_TIMEOUT, ZOLTC_LOGIX_ERR_TIMEOUT, kClosed},
        // The next reply is the last: the request after it finds the socket closed.
        FaultCase{"close_after_one_request", [](Options& o) { o.closeAfterRequests = 1; },
                  ZOLTC_LOGIX_ERR_CONNECTION_LOST, ZOLTC_LOGIX_OK,
                  ZOLTC_LOGIX_ERR_CONNECTION_LOST},
        // Faults of RegisterSession alone leave requests of a live session alone.
        FaultCase{"register_status", [](Options& o) { o.registerStatus = 1; },
                  ZOLTC_LOGIX_ERR_SESSION_REFUSED, ZOLTC_LOGIX_OK, ZOLTC_LOGIX_OK},
        // A refusal is judged by its status first: some controllers do not echo the context then.
        FaultCase{"register_status_with_another_context",
                  [](Options& o) { o.registerStatus = 1; o.wrongSenderContext = true; },
                  ZOLTC_LOGIX_ERR_SESSION_REFUSED, ZOLTC_LOGIX_ERR_BAD_REPLY, kClosed},
        // A reply for another service is no answer; the session stays.
        FaultCase{"reply_for_another_service", [](Options& o) { o.wrongReplyService = true; },
                  ZOLTC_LOGIX_ERR_BAD_REPLY, ZOLTC_LOGIX_ERR_BAD_REPLY, ZOLTC_LOGIX_OK},
        FaultCase{"register_zero_handle", [](Options& o) { o.registerZeroHandle = true; },
                  ZOLTC_LOGIX_ERR_SESSION_REFUSED, ZOLTC_LOGIX_OK, ZOLTC_LOGIX_OK}),
    quillon::testing::LabelName{});

class TimingTest : public quillon::testing::SimulatorTest {};

// Latency below the timeout is only slowness.
TEST_F(TimingTest, LatencyWithinTheTimeoutIsNoFault) {
  Options options;
  options.latencyMs = 50;
  server().setOptions(options);
  ASSERT_EQ(connect(1000), ZOLTC_LOGIX_OK);
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), quillon::testing::kTestProductName);
}

// A stalled controller is given up on after about the timeout, not after the
// default ten seconds.
TEST_F(TimingTest, StallTimesOutAfterTheGivenTimeout) {
  Options options;
  options.stall = true;
  server().setOptions(options);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(connect(kShortTimeoutMs), ZOLTC_LOGIX_ERR_TIMEOUT);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(kShortTimeoutMs - 20));
  EXPECT_LT(elapsed, std::chrono::milliseconds(5000));
}

struct AbortCase {
  const char* label;
  bool connectedFirst;     // stall a request of a live session, else the connect
  uint16_t command;        // the stalled request's encapsulation command
  uint64_t senderContext;  // ... and sender context (1 RegisterSession, 2 identity)
};

class AbortTest : public quillon::testing::SimulatorTest,
                  public ::testing::WithParamInterface<AbortCase> {
 protected:
  zoltc_logix_result request() { return requestIdentity(client()); }
};

// Another thread's abort ends a call stalled on the controller at once; the
// abort stays in force until cleared, and then the handle connects again.
TEST_P(AbortTest, EndsAStalledCallAndLeavesTheHandleUsable) {
  const AbortCase& param = GetParam();
  if (param.connectedFirst) {
    ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  }
  Options options;
  options.stall = true;
  server().setOptions(options);
  std::atomic<int> result{-1};
  std::chrono::steady_clock::time_point returned;
  std::thread caller([&] {
    result = param.connectedFirst ? request() : connect(60000);
    returned = std::chrono::steady_clock::now();
  });
  const bool stalled = waitForRecord([&](const quillon::sim::RequestRecord& record) {
    return record.command == param.command && record.senderContext == param.senderContext;
  });
  const auto aborted = std::chrono::steady_clock::now();
  zoltc_logix_abort(client());
  caller.join();
  ASSERT_TRUE(stalled);
  EXPECT_EQ(result, ZOLTC_LOGIX_ERR_ABORTED);
  EXPECT_LT(returned - aborted, std::chrono::milliseconds(1000));
  EXPECT_TRUE(zoltc_logix_is_aborted(client()));

  server().setOptions(Options{});
  EXPECT_EQ(request(), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  // An abort that comes before a call is not lost.
  EXPECT_EQ(connect(), ZOLTC_LOGIX_ERR_ABORTED);
  zoltc_logix_abort_clear(client());
  EXPECT_EQ(connect(), ZOLTC_LOGIX_OK);
  EXPECT_EQ(request(), ZOLTC_LOGIX_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, AbortTest,
    ::testing::Values(AbortCase{"connect", false, 0x65, 1}, AbortCase{"request", true, 0x6F, 3}),
    quillon::testing::LabelName{});

}  // namespace
