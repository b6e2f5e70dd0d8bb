// Size limits of replies.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "quillon_sim/options.hpp"

namespace quillon::sim::detail {

// The encapsulation length field is 16 bits and SendRRData spends 16 bytes on the Common
// Packet Format around the message-router reply.
inline constexpr size_t kMaxEncapsulationData = 65535;
inline constexpr size_t kMaxRouterReply = kMaxEncapsulationData - 16;
// Below this a reply could not hold one symbol entry or a fragment head with data.
inline constexpr size_t kSmallestReplyLimit = 64;

// The largest message-router reply (4 header bytes included) a paged or partial answer
// may use.
inline size_t replyBudget(const Options& options) {
  if (options.replyLimit == 0) return kMaxRouterReply;
  return std::clamp<size_t>(options.replyLimit, kSmallestReplyLimit, kMaxRouterReply);
}

// The smaller of a knob (0: no limit) and a bound.
inline size_t capBy(uint32_t knob, size_t bound) { return knob == 0 ? bound : std::min<size_t>(knob, bound); }

}  // namespace quillon::sim::detail
