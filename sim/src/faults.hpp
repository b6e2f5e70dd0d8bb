// Reply faults of the Options, applied to an encoded reply packet before it is sent.
#pragma once

#include "bytes.hpp"
#include "quillon_sim/options.hpp"

namespace quillon::sim::detail {

// Applies wrongSenderContext, wrongCommand, wrongSessionHandle, encapsulationStatus and
// garbageReply to `packet` (header + data), the reply to a request with `requestCommand`.
void applyReplyFaults(Bytes& packet, uint16_t requestCommand, const Options& options, uint64_t& garbageSeed);

}  // namespace quillon::sim::detail
