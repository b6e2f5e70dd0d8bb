#pragma once

// The controller address of every command: HOST, HOST:PORT, a bare IPv6 address, or
// an IPv6 address in brackets with or without a port ("[::1]:44818").

#include <cstdint>
#include <string>
#include <string_view>

namespace cli {

inline constexpr std::uint16_t kDefaultPort = 44818;

struct Address {
    std::string host;
    std::uint16_t port = kDefaultPort;
};

// Splits the text into host and port. Throws UsageError naming what is wrong: an
// empty host, a malformed or out-of-range port (1 to 65535), an unclosed bracket.
Address parseAddress(std::string_view text);

// The address as a user would type it again: brackets around IPv6 hosts.
std::string formatAddress(const Address& address);

} // namespace cli
