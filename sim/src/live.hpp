// Values that live: counters, sines, toggling BOOLs and clock texts, computed from the
// clock whenever they are read, never stored.
#pragma once

#include <cstdint>

#include "database.hpp"
#include "quillon_sim/options.hpp"

namespace quillon::sim::detail {

// Milliseconds since the controller was built, or the options' fixed clock.
int64_t liveClock(const Database& db, const Options& options);

// Appends `length` bytes of the tag's data from `offset` to out, with the tag's live
// values at `clockMs` written over the stored bytes where they overlap.
void readTagBytes(const Database& db, const Tag& tag, uint32_t offset, uint32_t length,
                  int64_t clockMs, Bytes& out);

}  // namespace quillon::sim::detail
