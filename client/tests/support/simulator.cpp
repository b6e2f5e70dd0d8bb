#include "simulator.hpp"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "quillon_sim/controller.hpp"

namespace quillon::testing {

quillon::sim::Controller identityController(const std::string& productName) {
  return quillon::sim::parseController(R"({"identity": {"vendorId": 1, "deviceType": 14, "productCode": 166,
      "revision": "33.11", "status": 12640, "serialNumber": 12648430, "productName": ")" + productName + "\"}}");
}

namespace {

zoltc_logix_messaging testMessaging() {
  const char* text = std::getenv("QUILLON_TEST_MESSAGING");
  const std::string_view mode = text != nullptr ? text : "";
  if (mode == "connected") return ZOLTC_LOGIX_MESSAGING_CONNECTED;
  if (mode == "auto") return ZOLTC_LOGIX_MESSAGING_AUTO;
  return ZOLTC_LOGIX_MESSAGING_UNCONNECTED;
}

}  // namespace

void applyTestMessaging(zoltc_logix_client* client) {
  ASSERT_EQ(zoltc_logix_set_messaging(client, testMessaging()), ZOLTC_LOGIX_OK);
}

bool testMessagingConnected() { return testMessaging() != ZOLTC_LOGIX_MESSAGING_UNCONNECTED; }

std::unique_ptr<quillon::sim::Server> startServer(quillon::sim::Controller controller,
                                                  const quillon::sim::Options& options) {
  auto server = std::make_unique<quillon::sim::Server>(std::move(controller), options);
  server->start(0, "127.0.0.1");
  return server;
}

quillon::sim::Controller SimulatorTest::makeController() const { return identityController(); }

void SimulatorTest::SetUp() {
  ServerTest::SetUp();
  client_ = zoltc_logix_client_create();
  ASSERT_NE(client_, nullptr);
  applyTestMessaging(client_);
}

void SimulatorTest::TearDown() {
  zoltc_logix_client_destroy(client_);
  client_ = nullptr;
  ServerTest::TearDown();
}

zoltc_logix_result SimulatorTest::connect(uint32_t timeoutMs) {
  return zoltc_logix_connect(client_, "127.0.0.1", port(), timeoutMs);
}

}  // namespace quillon::testing
