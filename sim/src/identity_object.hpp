// The Identity object (class 1, instance 1) and the CIP Identity item of ListIdentity.
#pragma once

#include <cstdint>

#include "cip.hpp"
#include "quillon_sim/controller.hpp"
#include "quillon_sim/options.hpp"

namespace quillon::sim::detail {

// Get_Attributes_All (0x01) and Get_Attribute_Single (0x0E, attributes 1 to 8). The
// identity faults of the options bend Get_Attributes_All only.
Reply identityService(const Identity& identity, uint8_t service, const Path& path, const Options& options);

// The item data of CIP Identity item 0x0C: protocol version, the socket address the client
// reached (big-endian, as sockaddr_in), then the identity and the state.
Bytes identityItem(const Identity& identity, uint32_t ipv4, uint16_t port);

}  // namespace quillon::sim::detail
