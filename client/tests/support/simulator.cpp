#include "simulator.hpp"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "quillon_sim/controller.hpp"

namespace quillon::testing {

quillon::sim::Controller identityController(const std::string& productName) {
  std::string json = R"({"identity": {"vendorId": 1, "deviceType": 14, "productCode": 166,
      "revision": "33.11", "status": 12640, "serialNumber": 12648430, "productName": ")";
  json += productName;
  json += "\"}}";
  return quillon::sim::parseController(json);
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

quillon::sim::Controller SimulatorTest::makeController() const {
  return identityController();
}

quillon::sim::Options SimulatorTest::makeOptions() const {
  return {};
}

void SimulatorTest::SetUp() {
  server_ = std::make_unique<quillon::sim::Server>(makeController(), makeOptions());
  server_->setRequestObserver([this](const quillon::sim::RequestRecord& record) {
    {
      std::lock_guard lock(mutex_);
      records_.push_back(record);
    }
    recorded_.notify_all();
  });
  port_ = server_->start(0, "127.0.0.1");
  client_ = zoltc_logix_client_create();
  ASSERT_NE(client_, nullptr);
  applyTestMessaging(client_);
}

void SimulatorTest::TearDown() {
  zoltc_logix_client_destroy(client_);
  client_ = nullptr;
  if (server_) {
    server_->stop();
  }
}

zoltc_logix_result SimulatorTest::connect(uint32_t timeoutMs) {
  return zoltc_logix_connect(client_, "127.0.0.1", port_, timeoutMs);
}

std::vector<quillon::sim::RequestRecord> SimulatorTest::records(bool withEmbedded) const {
  std::lock_guard lock(mutex_);
  std::vector<quillon::sim::RequestRecord> out;
  std::copy_if(records_.begin(), records_.end(), std::back_inserter(out),
               [&](const auto& record) { return withEmbedded || !record.embedded; });
  return out;
}

bool SimulatorTest::waitForRecord(
    const std::function<bool(const quillon::sim::RequestRecord&)>& match,
    std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return recorded_.wait_for(lock, limit, [&] {
    return std::any_of(records_.begin(), records_.end(), match);
  });
}

}  // namespace quillon::testing
