// Data types: the atomic types by name, and structure types laid out the way a Logix
// controller lays them out (alignment, BOOLs packed into hidden SINT hosts) with the
// template bytes the Template object serves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database.hpp"

namespace quillon::sim::detail {

struct MemberSpec {
  std::string name;
  std::string typeName;
  uint32_t count = 0;  // 0 for a scalar, else a one-dimensional array
};

struct TypeSpec {
  std::string name;
  std::optional<uint16_t> id;  // template id; chosen when absent
  std::vector<MemberSpec> members;
};

// The definition size (template attribute 4) a controller reports for n template bytes:
// ceil((n + 23) / 4) 32-bit words.
uint32_t definitionWords(size_t templateBytes);
// The structure handle for a template's member table: a CRC-16 of it, never 0.
uint16_t structureHandle(ByteSpan memberTable);

// The atomic code for a type name such as "DINT" (any letter case), or nullopt.
std::optional<uint8_t> atomicCode(std::string_view name);

// Adds the built-in STRING and the given structure types to the database, in an order
// where every type follows the types it contains. Throws std::runtime_error for an unknown
// member type, a structure that contains itself, duplicate names or ids, or a type too large.
void buildTypes(Database& db, const std::vector<TypeSpec>& specs);

// The element type for a type name: atomic or a structure already in the database.
std::optional<ElementType> findElementType(const Database& db, std::string_view name);
// The structure type with the given name, or null.
const StructType* findStructType(const Database& db, std::string_view name);

// A structure with a DINT "LEN" and a SINT array "DATA" holds text (STRING and its kin).
struct TextLayout {
  uint32_t lengthOffset;
  uint32_t dataOffset;
  uint32_t capacity;
};
std::optional<TextLayout> textLayout(const StructType& type);

}  // namespace quillon::sim::detail
