// The Symbol object (class 0x6B): one instance per tag of a scope, listed in pages by
// Get Instance Attribute List.
#pragma once

#include <cstdint>

#include "cip.hpp"
#include "database.hpp"
#include "quillon_sim/options.hpp"

namespace quillon::sim::detail {

// Pre-encodes every tag's entry with attributes 1, 2 and 8 into the scope.
void precomputeSymbolEntries(Scope& scope);

// Get Instance Attribute List (0x55) from `startInstance` on: each entry is the instance
// id followed by the attributes asked for, in the order asked (1 name, 2 type word,
// 8 dimensions). 0x06 while more instances follow, 0x00 with the last page; 0x06 with no
// entries from Options::stuckSymbolPagesFrom on.
Reply listSymbols(const Scope& scope, uint32_t startInstance, ByteSpan requestData,
                  const Options& options);

}  // namespace quillon::sim::detail
