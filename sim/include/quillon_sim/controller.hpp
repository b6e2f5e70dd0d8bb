// quillon-sim: the controller a simulator serves.
//
// A Controller is the immutable description of one Logix controller: its identity,
// its structure types, its controller-scoped tags and its programs with their tags,
// with initial values and the live behaviours of some values. It is built once
// (from a JSON database file, a JSON text or the generator) and then only read, so
// one Controller may be shared by any number of servers and threads without locks.
// Copying a Controller is cheap: copies share the same data.
//
// The JSON database format is described in sim/README.md.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::sim {

namespace detail {
struct Database;
}

// The Identity object (class 1, instance 1) as Get_Attributes_All and ListIdentity report it.
struct Identity {
  uint16_t vendorId = 0;
  uint16_t deviceType = 0;
  uint16_t productCode = 0;
  uint8_t revisionMajor = 0;
  uint8_t revisionMinor = 0;
  uint16_t status = 0;
  uint32_t serialNumber = 0;
  std::string productName;
};

// One entry of a symbol space as the Symbol object (class 0x6B) lists it.
struct SymbolInfo {
  uint32_t instanceId = 0;
  std::string name;                 // programs are listed as "Program:Name"
  uint16_t type = 0;                // the listed type word (structure, dimension and system bits)
  std::array<uint32_t, 3> dims{};   // BOOL arrays are listed in 32-bit words
};

// What generateController makes. Names are fixed width: tags "Tag_000001", programs
// "Program01" (symbol "Program:Program01"), program tags "Local_0001", types "Udt_0001".
struct GenerateSpec {
  uint32_t tags = 1000;            // controller-scoped tags (programs not counted)
  uint32_t types = 20;             // user-defined structure types (at most 3000)
  uint32_t programs = 2;           // programs, each with programTags tags
  uint32_t programTags = 20;
  uint32_t structPercent = 20;     // share of tags whose type is a structure (0 to 100)
  uint32_t members = 6;            // members per structure type (1 to 1000)
  uint32_t seed = 1;               // the same spec always gives the same controller
};

// Parses "tags=100000,types=500,programs=20" (keys: tags, types, programs, programTags,
// structPercent, members, seed; any subset, the rest keep their defaults).
// Throws std::invalid_argument naming the bad item.
GenerateSpec parseGenerateSpec(std::string_view text);

class Controller {
 public:
  // An empty controller: default identity, no tags, no programs.
  Controller();

  const Identity& identity() const;
  // The backplane slot an Unconnected Send must route to in order to reach this controller
  // (or, for a chassis, the communication module's own slot).
  uint8_t slot() const;
  // True when the database describes a chassis: the address then belongs to a communication
  // module (identity() is the module's, without tags) and the controllers sit in slots.
  bool isChassis() const;
  // The controller in a chassis slot; nullopt for an empty slot or without a chassis.
  std::optional<Controller> inSlot(uint8_t slot) const;

  // The controller scope (programs included as "Program:Name" entries, system symbols
  // included) or, with a program name (without "Program:"), that program's scope, in
  // rising instance order. An unknown program gives an empty list.
  std::vector<SymbolInfo> symbols(std::string_view program = {}) const;
  // Program names without the "Program:" prefix, in listing order.
  std::vector<std::string> programs() const;
  // Number of structure types, the built-in STRING included.
  size_t typeCount() const;

  // For the server's own use.
  const detail::Database& database() const { return *db_; }

 private:
  friend Controller makeController(std::shared_ptr<const detail::Database> db);
  std::shared_ptr<const detail::Database> db_;
};

// Reads and parses a JSON database file. Throws std::runtime_error with the file name and
// the reason (unreadable file, JSON syntax, unknown type, bad value, duplicate name, ...).
Controller loadController(const std::filesystem::path& path);

// Parses a JSON database held in memory. Throws std::runtime_error as loadController does.
Controller parseController(std::string_view jsonText);

// Builds a large controller for benchmarks. Throws std::invalid_argument for a spec out of range.
Controller generateController(const GenerateSpec& spec);

}  // namespace quillon::sim
