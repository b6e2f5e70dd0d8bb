// A controller simulator for client library tests, started in-process.
//
// SimulatorTest is a GoogleTest fixture: SetUp starts a quillon::sim::Server on
// 127.0.0.1 with an ephemeral port and creates one client handle; TearDown
// destroys the handle and stops the server. Override makeController() to serve
// your own controller (for example parseController(json) with tags) and
// makeOptions() for knobs from the start; server().setOptions() changes them
// between requests. Every request the server records is also copied to the
// fixture, so a test can wait for one (waitForRecord) instead of sleeping.
//
//   class BrowseTest : public quillon::testing::SimulatorTest {
//     quillon::sim::Controller makeController() const override {
//       return quillon::sim::parseController(kJson);
//     }
//   };
//   TEST_F(BrowseTest, ListsTags) {
//     ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
//     ... zoltc_logix_list_tags(client(), &list) ...
//   }
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quillon_sim/server.hpp"
#include "zoltc_logix.h"

namespace quillon::testing {

// The identity of the controller SimulatorTest serves by default.
inline constexpr const char* kTestProductName = "1756-L83E/B Quillon Test";

// A controller with only an identity: vendor 1, device type 14, product code
// 166, revision 33.11, status 0x3160, serial 0x00C0FFEE and `productName`.
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

// Starts a server for `controller`; the returned server listens on 127.0.0.1.
std::unique_ptr<quillon::sim::Server> startServer(quillon::sim::Controller controller,
                                                  const quillon::sim::Options& options = {});

class SimulatorTest : public ::testing::Test {
 protected:
  // The time limit tests use unless they test timing.
  static constexpr uint32_t kTimeoutMs = 3000;

  void SetUp() override;
  void TearDown() override;

  virtual quillon::sim::Controller makeController() const;
  virtual quillon::sim::Options makeOptions() const;

  quillon::sim::Server& server() { return *server_; }
  uint16_t port() const { return port_; }
  zoltc_logix_client* client() const { return client_; }

  // Connects the fixture's handle to the fixture's server.
  zoltc_logix_result connect(uint32_t timeoutMs = kTimeoutMs);

  // Copies of the records made so far, oldest first; embedded requests (those
  // carried inside another) are left out unless asked for.
  std::vector<quillon::sim::RequestRecord> records(bool withEmbedded = false) const;
  // Waits until a record matching `match` has been made, at most `limit`.
  bool waitForRecord(const std::function<bool(const quillon::sim::RequestRecord&)>& match,
                     std::chrono::milliseconds limit = std::chrono::seconds(10));

 private:
  std::unique_ptr<quillon::sim::Server> server_;
  uint16_t port_ = 0;
  zoltc_logix_client* client_ = nullptr;
  mutable std::mutex mutex_;
  std::condition_variable recorded_;
  std::vector<quillon::sim::RequestRecord> records_;
};

}  // namespace quillon::testing
