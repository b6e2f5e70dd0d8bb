// The Template object (class 0x6C): one instance per structure type, instance id = the
// template id of the type word.
#pragma once

#include "cip.hpp"
#include "database.hpp"
#include "quillon_sim/options.hpp"

namespace quillon::sim::detail {

// Get Attribute List (0x03): per asked id, in order, id + status + value; 1 structure
// handle (u16), 2 member count (u16), 4 definition size in 32-bit words (u32), 5 structure
// size in bytes (u32). Other ids get status 0x14 and no value, and the reply 0x0A.
Reply templateAttributes(const StructType& type, ByteSpan requestData);

// Read Template (0x4C): data u32 offset + u16 byte count; answers the template bytes from
// the offset, at most the count and the reply limits. 0x06 when the limits cut the reply
// short of both the count and the end of the data.
Reply readTemplate(const StructType& type, ByteSpan requestData, const Options& options);

}  // namespace quillon::sim::detail
