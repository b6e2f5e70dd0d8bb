// Initial values from the JSON database written into a tag's data bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include <nlohmann/json.hpp>

#include "database.hpp"

namespace quillon::sim::detail {

// An integer from a JSON number or a text ("26", "0x1A"); throws std::runtime_error
// naming `where` when it is neither or above `max`.
uint64_t jsonUnsigned(const nlohmann::json& value, uint64_t max, const std::string& where);

// Writes `value` for elements of `type` laid out by `dims` (empty for a scalar) at `at`.
// Arrays take nested JSON arrays (one level per dimension) or one flat array; structures
// take objects by member name, and STRING-like structures a JSON string. A BOOL array
// (`boolBits`) is stored as 32-bit words and takes one JSON value per bit.
void writeJsonValue(const ElementType& type, std::span<const uint32_t> dims, bool boolBits,
                    const nlohmann::json& value, uint8_t* at, const std::string& where);

}  // namespace quillon::sim::detail
