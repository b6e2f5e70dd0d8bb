// The in-memory model of one controller, built once by the loader or the generator and
// then only read by the connection threads (no locks needed).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "bytes.hpp"
#include "names.hpp"
#include "quillon_sim/controller.hpp"

namespace quillon::sim::detail {

inline constexpr uint16_t kTypeStructure = 0x8000;
inline constexpr uint16_t kTypeSystem = 0x1000;
inline constexpr uint16_t kTypeProgram = 0x1068;
inline constexpr uint16_t kTypeDims1 = 0x2000;
inline constexpr uint8_t kBool = 0xC1;
inline constexpr uint8_t kSint = 0xC2;
inline constexpr uint8_t kDint = 0xC4;
inline constexpr uint8_t kDword = 0xD3;

// Array dimension bits of a type word for 0 to 3 dimensions.
inline uint16_t dimensionBits(size_t dims) { return static_cast<uint16_t>((dims & 3) << 13); }

struct StructType;

// The type of one element of a tag or member.
struct ElementType {
  uint8_t code = 0;                       // atomic code; 0 for a structure
  const StructType* structure = nullptr;  // set for a structure
  uint32_t size = 0;                      // bytes of one element
  uint32_t align = 1;
};

// Width in bytes of an atomic code; 0 for codes without a width.
uint32_t atomicWidth(uint8_t code);

struct Member {
  std::string name;
  uint16_t typeWord = 0;   // as the template lists it
  uint16_t info = 0;       // element count of an array member, bit number of a BOOL
  uint32_t offset = 0;     // byte offset in the structure's data
  ElementType element;
  uint32_t count = 0;      // 0 for a scalar member
  int bit = -1;            // a BOOL member: its bit in the host byte at offset
  bool boolArray = false;  // a BOOL array kept as 32-bit words (count in words)
};

struct StructType {
  std::string name;
  uint16_t id = 0;         // template instance id (low 12 bits of the type word)
  uint16_t handle = 0;     // structure handle of Read Tag replies and template attribute 1
  uint32_t size = 0;
  uint32_t align = 4;
  std::vector<Member> members;
  NameIndex memberIndex;
  Bytes templateData;      // member table, then "NAME;n...", then member names
  uint32_t definitionWords = 0;  // template attribute 4
};

// A value that follows the clock: patched into read replies where it overlaps.
struct LiveValue {
  enum class Kind : uint8_t { Counter, Sine, Toggle, Clock };
  Kind kind = Kind::Counter;
  uint32_t offset = 0;         // in the tag's data (Clock: of the LEN member)
  uint8_t code = 0;            // atomic code of the target (0 for a STRING-like structure)
  int bit = -1;                // BOOL member target
  uint32_t textOffset = 0;     // Clock: offset of the DATA member in the tag's data
  uint32_t textCapacity = 0;   // Clock: characters the DATA member holds
  int64_t periodMs = 1000;
  double step = 1;             // Counter
  double amplitude = 1;        // Sine
  double bias = 0;             // Sine
  Bytes initial;               // the target's stored bytes (Counter and Toggle start there)
  std::string prefix;          // Clock
};

struct Scope;

struct Tag {
  std::string name;
  uint32_t instanceId = 0;
  uint16_t typeWord = 0;                  // as the Symbol object lists it
  std::array<uint32_t, 3> dims{};         // as listed (BOOL arrays in words)
  uint32_t dimCount = 0;
  ElementType element;                    // code 0 and no structure: not readable
  uint32_t elementCount = 1;
  Bytes data;
  std::vector<LiveValue> live;
  const Scope* program = nullptr;         // a "Program:Name" symbol's scope
  bool readable() const { return element.size != 0; }
};

struct Scope {
  std::string name;                       // empty for the controller scope
  std::vector<Tag> tags;                  // by rising instance id
  NameIndex byName;
  // Symbol entries pre-encoded with attributes 1, 2 and 8, the set clients ask for.
  Bytes standardEntries;
  std::vector<uint32_t> standardOffsets;  // tags.size() + 1 offsets into standardEntries

  const Tag* find(std::string_view name) const;
  // Index of the first tag whose instance id is at least `instance`.
  size_t firstAtOrAfter(uint32_t instance) const;
  const Tag* findInstance(uint32_t instance) const;
};

struct Database {
  Identity identity;
  uint8_t slot = 0;
  // A communication module that owns the address of a chassis: it has no Symbol or
  // Template object and forwards Unconnected Sends over its backplane to `slots`.
  bool isModule = false;
  std::map<uint8_t, std::shared_ptr<const Database>> slots;  // the controllers, by slot
  std::deque<StructType> types;           // stable addresses
  std::unordered_map<uint16_t, const StructType*> typesById;
  NameIndex typesByName;                  // index into types
  Scope controller;
  std::deque<Scope> programs;             // a "Program:Name" tag points here
  std::chrono::system_clock::time_point epoch = std::chrono::system_clock::now();

  const StructType* findType(uint16_t id) const;
  // The program scope for "Program:Name" (the whole symbol name), or null.
  const Scope* findProgram(std::string_view symbolName) const;
};

// Finishes a scope once its tags are in place: sorts by instance id, indexes names, and
// pre-encodes the standard symbol entries. Throws std::runtime_error on duplicates.
void finishScope(Scope& scope);

}  // namespace quillon::sim::detail
