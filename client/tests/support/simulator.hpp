// The client's simulator fixture: the shared server fixture (sim/tests/fixture.hpp) serving a
// controller with only an identity unless overridden, and a client handle in the suite's mode.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fixture.hpp"
#include "quillon_sim/controller.hpp"
#include "zoltc_logix.h"

namespace quillon::testing {

inline constexpr const char* kTestProductName = "1756-L83E/B Quillon Test";

inline quillon::sim::Controller identityController(const std::string& productName = kTestProductName) {
  return quillon::sim::parseController(R"({"identity": {"vendorId": 1, "deviceType": 14, "productCode": 166,
      "revision": "33.11", "status": 12640, "serialNumber": 12648430, "productName": ")" + productName + "\"}}");
}

// The suite's messaging mode: QUILLON_TEST_MESSAGING "connected", or unset (unconnected).
inline bool testMessagingConnected() {
  const char* mode = std::getenv("QUILLON_TEST_MESSAGING");
  return mode != nullptr && std::string_view(mode) == "connected";
}
inline void applyTestMessaging(zoltc_logix_client* client) {
  ASSERT_EQ(zoltc_logix_set_messaging(client, testMessagingConnected() ? ZOLTC_LOGIX_MESSAGING_CONNECTED
                                                                        : ZOLTC_LOGIX_MESSAGING_UNCONNECTED), ZOLTC_LOGIX_OK);
}

// A test of the unconnected wire (SendRRData, packets of 500 bytes) skips in the connected pass.
#define QUILLON_SKIP_WHEN_CONNECTED() \
  if (quillon::testing::testMessagingConnected()) GTEST_SKIP() << "unconnected wire"
// A test whose calls do not depend on the messaging mode runs in the unconnected pass only.
#define QUILLON_SKIP_SECOND_PASS() \
  if (quillon::testing::testMessagingConnected()) GTEST_SKIP() << "independent of the messaging mode"

class SimulatorTest : public quillon::sim::test::ServerTest {
 protected:
  static constexpr uint32_t kTimeoutMs = 3000;  // unless the test is about timing

  void SetUp() override {
    ServerTest::SetUp();
    client_ = zoltc_logix_client_create();
    ASSERT_NE(client_, nullptr);
    applyTestMessaging(client_);
  }
  void TearDown() override {
    zoltc_logix_client_destroy(client_);
    ServerTest::TearDown();
  }
  quillon::sim::Controller makeController() const override { return identityController(); }

  zoltc_logix_client* client() const { return client_; }
  zoltc_logix_result connect(uint32_t timeoutMs = kTimeoutMs) {
    return zoltc_logix_connect(client_, "127.0.0.1", port(), timeoutMs);
  }

 private:
  zoltc_logix_client* client_ = nullptr;
};

}  // namespace quillon::testing
