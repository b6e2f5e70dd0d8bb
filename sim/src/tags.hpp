// Making tags: the listed type word and dimensions a real controller reports, the data
// area, and instance ids scattered the way a controller's symbol table has them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database.hpp"

namespace quillon::sim::detail {

struct TagSpec {
  std::string name;
  std::string typeName;            // empty: a symbol without data (then typeWord is required)
  std::vector<uint32_t> dims;      // 0 to 3 dimensions, each at least 1
  bool system = false;             // sets bit 12 of the listed type word
  std::optional<uint16_t> typeWord;  // listed type word as given, for internal symbols
  std::optional<uint32_t> instance;
};

// Largest data area of one tag.
inline constexpr uint64_t kMaxTagBytes = 64ull << 20;

// A tag with zeroed data. BOOL arrays are listed and kept as DWORD arrays of
// ceil(bits / 32) words. Throws std::runtime_error for an unknown type, bad dimensions or
// data beyond kMaxTagBytes.
Tag makeTag(const Database& db, const TagSpec& spec);

// Hands out rising instance ids with small irregular gaps.
class InstanceIds {
 public:
  explicit InstanceIds(uint32_t first = 0x20) : next_(first) {}
  uint32_t take(const std::string& name);
  void taken(uint32_t id) { next_ = std::max(next_, id + 1); }

 private:
  uint32_t next_;
};

}  // namespace quillon::sim::detail
