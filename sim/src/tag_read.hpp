// Read Tag (0x4C) and Read Tag Fragmented (0x52) on resolved tag data.
#pragma once

#include <cstdint>

#include "cip.hpp"
#include "database.hpp"
#include "quillon_sim/options.hpp"
#include "tag_access.hpp"

namespace quillon::sim::detail {

// Read Tag: data u16 element count. Reply: the atomic type word, or 0xA0 0x02 + structure
// handle, then `count` consecutive elements. A reply above the limit carries the part that
// fits with 0x06, as a controller does for data that needs fragmented reads.
Reply readTag(const Database& db, const Target& target, ByteSpan requestData, const Options& options);

// Read Tag Fragmented: data u16 element count + u32 byte offset. Same head, then the data
// from the offset; 0x06 while more follows.
Reply readTagFragmented(const Database& db, const Target& target, ByteSpan requestData,
                        const Options& options);

}  // namespace quillon::sim::detail
