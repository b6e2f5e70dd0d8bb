// The simulator fixture of the client library's tests: the shared server fixture
// (sim/tests/fixture.hpp) plus one client handle per test.
//
// SimulatorTest::SetUp starts a quillon::sim::Server on 127.0.0.1 with an ephemeral port and
// creates one handle; TearDown destroys it and stops the server. Override makeController() to
// serve your own controller and makeOptions() for knobs from the start; setOptions() changes
// them between requests; waitForRecord() waits for a request instead of sleeping.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "fixture.hpp"
#include "quillon_sim/controller.hpp"
#include "zoltc_logix.h"

namespace quillon::testing {

// The identity of the controller SimulatorTest serves by default.
inline constexpr const char* kTestProductName = "1756-L83E/B Quillon Test";

// A controller with only an identity: vendor 1, device type 14, product code 166, revision
// 33.11, status 0x3160, serial 0x00C0FFEE and `productName`.
quillon::sim::Controller identityController(const std::string& productName = kTestProductName);

// Sets the messaging mode the suite runs in on `client`: QUILLON_TEST_MESSAGING
// "connected" (connected only), "auto", or unset (the library's default,
// unconnected). SimulatorTest applies it to its own handle; tests that create
// handles of their own call it too so the suite runs once per mode.
void applyTestMessaging(zoltc_logix_client* client);
// True when the suite runs in a connected mode (tests of unconnected bytes skip).
bool testMessagingConnected();

// A test of what the unconnected mode puts on the wire (its packets of 500
// bytes and 30 reads, SendRRData and its sender context, Unconnected Send)
// skips when the suite runs connected; the connected wire is tested in
// client/tests/connected.
#define QUILLON_SKIP_WHEN_CONNECTED()                                              \
  if (quillon::testing::testMessagingConnected()) GTEST_SKIP() << "unconnected wire"

// A test whose calls do not depend on the messaging mode runs in the unconnected pass only.
#define QUILLON_SKIP_SECOND_PASS()                                                  \
  if (quillon::testing::testMessagingConnected()) GTEST_SKIP() << "independent of the messaging mode"

// Starts a server for `controller`; the returned server listens on 127.0.0.1.
std::unique_ptr<quillon::sim::Server> startServer(quillon::sim::Controller controller,
                                                  const quillon::sim::Options& options = {});

using quillon::sim::test::closedPort;

class SimulatorTest : public quillon::sim::test::ServerTest {
 protected:
  // The time limit tests use unless they test timing.
  static constexpr uint32_t kTimeoutMs = 3000;

  void SetUp() override;
  void TearDown() override;
  quillon::sim::Controller makeController() const override;

  zoltc_logix_client* client() const { return client_; }
  // Connects the fixture's handle to the fixture's server.
  zoltc_logix_result connect(uint32_t timeoutMs = kTimeoutMs);

 private:
  zoltc_logix_client* client_ = nullptr;
};

}  // namespace quillon::testing
