// A small chassis for the tests that route: a communication module in slot 1 that owns the
// address, and controllers in slots 0 and 2 with tags of their own.
#pragma once

#include <string>

#include "quillon_sim/controller.hpp"

namespace quillon::testing {

inline constexpr const char* kModuleName = "Route Test Bridge";
inline constexpr const char* kSlot0Name = "Route Test Slot 0";
inline constexpr const char* kSlot2Name = "Route Test Slot 2";

// Slot 2 holds 30 DINTs Value_0001 ... Value_0030 (10-character names) valued 1 ... 30.
inline quillon::sim::Controller chassisController() {
  std::string values;
  for (int i = 1; i <= 30; ++i) {
    const std::string name = (i < 10 ? "Value_000" : "Value_00") + std::to_string(i);
    values += std::string(i > 1 ? "," : "") + R"({"name": ")" + name + R"(", "type": "DINT", "value": )" + std::to_string(i) + "}";
  }
  return quillon::sim::parseController(std::string(R"({"chassis": {"module": {"slot": 1, "identity": {"productName": ")") +
                                       kModuleName + R"("}}, "controllers": [{"slot": 0, "identity": {"productName": ")" +
                                       kSlot0Name + R"("}, "tags": [{"name": "Pressure", "type": "REAL", "value": 2.5}]},
        {"slot": 2, "identity": {"productName": ")" + kSlot2Name + R"("}, "tags": [)" + values + "]}]}}");
}

}  // namespace quillon::testing
