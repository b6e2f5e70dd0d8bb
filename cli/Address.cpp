#include "Address.hpp"

#include <algorithm>

#include "Numbers.hpp"
#include "UsageError.hpp"

namespace cli {
namespace {

std::uint16_t parsePort(std::string_view text, std::string_view address) {
    const auto port = parseUnsigned(text, 65535);
    if (!port || *port == 0) {
        throw UsageError("invalid port in address '" + std::string(address) + "': expected a number from 1 to 65535");
    }
    return static_cast<std::uint16_t>(*port);
}

void checkHost(std::string_view host, std::string_view address) {
    if (host.empty()) {
        throw UsageError("missing host in address '" + std::string(address) + "'");
    }
    const bool bad = std::any_of(host.begin(), host.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7F || c == '[' || c == ']';
    });
    if (bad) {
        throw UsageError("invalid host in address '" + std::string(address) + "'");
    }
}

} // namespace

Address parseAddress(std::string_view text) {
    Address address;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos) {
            throw UsageError("missing ']' in address '" + std::string(text) + "'");
        }
        const auto host = text.substr(1, close - 1);
        checkHost(host, text);
        const auto rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                throw UsageError("unexpected text after ']' in address '" + std::string(text) + "'");
            }
            address.port = parsePort(rest.substr(1), text);
        }
        address.host = std::string(host);
        return address;
    }
    const auto colons = std::count(text.begin(), text.end(), ':');
    if (colons == 1) {
        const auto colon = text.find(':');
        checkHost(text.substr(0, colon), text);
        address.port = parsePort(text.substr(colon + 1), text);
        address.host = std::string(text.substr(0, colon));
        return address;
    }
    // No colon: a host alone. Several: an IPv6 address without brackets, which can
    // carry no port because its last group could not be told from one.
    checkHost(text, text);
    address.host = std::string(text);
    return address;
}

std::string formatAddress(const Address& address) {
    const bool ipv6 = address.host.find(':') != std::string::npos;
    std::string host = ipv6 ? "[" + address.host + "]" : address.host;
    return host + ":" + std::to_string(address.port);
}

} // namespace cli
