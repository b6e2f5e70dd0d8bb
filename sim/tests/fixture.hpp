// A simulator serving the sample controller on an ephemeral loopback port per test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "quillon_sim/server.hpp"
#include "wire.hpp"

namespace quillon::sim::test {

inline const Controller& sampleController() {
  static const Controller controller = loadController(QUILLON_SIM_SAMPLE);
  return controller;
}

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override { start(sampleController()); }

  void start(const Controller& controller, const Options& options = {}) {
    server = std::make_unique<Server>(controller, options);
    port = server->start();
  }
  // A connected client with a registered session.
  std::unique_ptr<WireClient> client() {
    auto wire = std::make_unique<WireClient>(port);
    EXPECT_NE(wire->registerSession(), 0u);
    return wire;
  }
  void setOptions(const std::function<void(Options&)>& change) {
    Options options = server->options();
    change(options);
    server->setOptions(options);
  }

  std::unique_ptr<Server> server;
  uint16_t port = 0;
};

}  // namespace quillon::sim::test
