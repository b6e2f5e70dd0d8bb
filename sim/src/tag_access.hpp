// Finding the data a tag path addresses: a tag in the controller or a program scope, then
// structure members and array elements at any depth.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

#include "cip.hpp"
#include "database.hpp"

namespace quillon::sim::detail {

struct Target {
  const Tag* tag = nullptr;
  ElementType type;          // of one addressed element
  uint32_t offset = 0;       // byte offset in the tag's data
  uint32_t available = 1;    // elements from offset to the end of the addressed array
  int bit = -1;              // a BOOL member inside its host byte
  bool wholeArray = false;   // the path names an array without indexing it
};

using Resolution = std::variant<Target, Reply>;

// Resolves the members and elements that follow a tag's own symbol.
Resolution resolveWithin(const Tag& tag, std::span<const Segment> rest);

// Resolves a symbolic path: [Program:Name] tag {member | elements}. Unknown names give
// 0x04, indices out of range 0x05 with extended status 0x2105, a path that does not fit
// the data's shape 0x04.
Resolution resolveSymbolic(const Database& db, const Path& path);

// Parses tag path text such as "Line.Motors[2,1].Speed" into symbol and element segments
// whose names point into the text. nullopt for malformed text.
std::optional<Path> parseTagText(std::string_view text);

}  // namespace quillon::sim::detail
