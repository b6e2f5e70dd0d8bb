#include <gtest/gtest.h>

#include "Address.hpp"
#include "UsageError.hpp"

namespace {

struct AddressCase {
    const char* text;
    const char* host;
    std::uint16_t port;
};

class AddressAccepted : public testing::TestWithParam<AddressCase> {};

TEST_P(AddressAccepted, SplitsHostAndPort) {
    const AddressCase& c = GetParam();
    const cli::Address address = cli::parseAddress(c.text);
    EXPECT_EQ(address.host, c.host);
    EXPECT_EQ(address.port, c.port);
}

INSTANTIATE_TEST_SUITE_P(Texts, AddressAccepted,
                         testing::Values(AddressCase{"192.168.1.10", "192.168.1.10", 44818},
                                         AddressCase{"192.168.1.10:2222", "192.168.1.10", 2222},
                                         AddressCase{"plc.local:1", "plc.local", 1},
                                         AddressCase{"plc:65535", "plc", 65535},
                                         AddressCase{"[::1]:44818", "::1", 44818},
                                         AddressCase{"[::1]:502", "::1", 502},
                                         AddressCase{"[fe80::1%eth0]", "fe80::1%eth0", 44818},
                                         // Without brackets an IPv6 address has no port.
                                         AddressCase{"::1", "::1", 44818},
                                         AddressCase{"fe80::1:2222", "fe80::1:2222", 44818}));

class AddressRefused : public testing::TestWithParam<const char*> {};

TEST_P(AddressRefused, ThrowsUsageError) {
    EXPECT_THROW(cli::parseAddress(GetParam()), cli::UsageError) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Texts, AddressRefused,
                         testing::Values("", ":44818", "plc:", "plc:0", "plc:65536", "plc:99999999999999999999",
                                         "plc:+1", "plc:-1", "plc:12a", "plc: 12", "[::1", "[]:44818", "[::1]x",
                                         "[::1]:", "[::1]:0", "p lc", "plc\n", "[::1]]:1"));

TEST(AddressFormat, PutsIpv6HostsInBrackets) {
    EXPECT_EQ(cli::formatAddress({"::1", 44818}), "[::1]:44818");
    EXPECT_EQ(cli::formatAddress({"10.0.0.1", 2222}), "10.0.0.1:2222");
    // What is printed parses back to the same address.
    const cli::Address again = cli::parseAddress(cli::formatAddress({"fe80::2", 7}));
    EXPECT_EQ(again.host, "fe80::2");
    EXPECT_EQ(again.port, 7);
}

} // namespace
