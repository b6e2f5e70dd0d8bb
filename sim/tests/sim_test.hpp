// The simulator's tests: the shared server fixture (fixture.hpp) serving the sample controller,
// and raw clients with a registered session.
#pragma once

#include <memory>

#include "fixture.hpp"
#include "wire.hpp"

namespace quillon::sim::test {

inline const Controller& sampleController() {
  static const Controller controller = loadController(QUILLON_SIM_SAMPLE);
  return controller;
}

class SimTest : public ServerTest {
 protected:
  Controller makeController() const override { return sampleController(); }
  // A connected raw client with a registered session.
  std::unique_ptr<WireClient> client() {
    auto wire = std::make_unique<WireClient>(port());
    EXPECT_NE(wire->registerSession(), 0u);
    return wire;
  }
};

}  // namespace quillon::sim::test
