// The command line of quillon-sim.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "quillon_sim/controller.hpp"
#include "quillon_sim/options.hpp"

namespace quillon::sim::detail {

struct CommandLine {
  std::string database;                 // --db FILE
  std::optional<GenerateSpec> generate; // --generate SPEC
  uint16_t port = 44818;
  std::string host = "127.0.0.1";
  std::string logRequests;              // --log-requests FILE or "-"
  Options options;
  bool help = false;
  bool version = false;                 // --version
};

// Throws std::invalid_argument with a message naming the bad argument.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

std::string usageText();

}  // namespace quillon::sim::detail
