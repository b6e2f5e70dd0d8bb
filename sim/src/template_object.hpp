// The Template object (class 0x6C): one instance per structure type, instance id = the
// template id of the type word.
#pragma once

#include <optional>

#include "cip.hpp"
#include "database.hpp"
#include "quillon_sim/options.hpp"

namespace quillon::sim::detail {

// What one Template instance serves; the data is borrowed from a type or an override.
struct TemplateView {
  uint16_t handle = 0;           // attribute 1
  uint16_t memberCount = 0;      // attribute 2
  uint32_t definitionWords = 0;  // attribute 4
  uint32_t structureSize = 0;    // attribute 5
  ByteSpan data;                 // Read Template
};

// The template of `id`: the override in `options` if there is one (type may then be null),
// otherwise the type's own; nullopt when neither exists.
std::optional<TemplateView> templateFor(uint16_t id, const StructType* type, const Options& options);

// Get Attribute List (0x03): per asked id, in order, id + status + value; 1 structure
// handle (u16), 2 member count (u16), 4 definition size in 32-bit words (u32), 5 structure
// size in bytes (u32). Other ids get status 0x14 and no value, and the reply 0x0A.
Reply templateAttributes(const TemplateView& view, ByteSpan requestData);

// Read Template (0x4C): data u32 offset + u16 byte count; answers the template bytes from
// the offset, at most the count and the reply limits. 0x06 when the limits cut the reply
// short of both the count and the end of the data.
Reply readTemplate(const TemplateView& view, ByteSpan requestData, const Options& options);

}  // namespace quillon::sim::detail
