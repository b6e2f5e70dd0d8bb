// What the program makes of its words: run (with or without an address), help, version,
// or a usage failure that names the bad word and starts nothing.
#include "CommandLine.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Action = CommandLine::Action;

struct Case {
    const char* name;
    std::vector<std::string> words;
    Action action;
    const char* host;
    std::uint16_t port;
    const char* errorMentions;
};

void PrintTo(const Case& row, std::ostream* out) {
    *out << row.name;
}

class CommandLineCase : public testing::TestWithParam<Case> {};

TEST_P(CommandLineCase, Parses) {
    const Case& c = GetParam();
    const CommandLine line = parseCommandLine(c.words);
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.host, c.host);
    EXPECT_EQ(line.port, c.port);
    EXPECT_NE(line.error.find(c.errorMentions), std::string::npos) << line.error;
    EXPECT_EQ(line.error.empty(), c.action != Action::Usage);
}

INSTANTIATE_TEST_SUITE_P(
    Words, CommandLineCase,
    testing::Values(Case{"NothingStartsAsBefore", {}, Action::Run, "", 44818, ""},
                    Case{"HostAloneTakesTheDefaultPort", {"10.0.0.5"}, Action::Run, "10.0.0.5", 44818, ""},
                    Case{"HostAndPort", {"127.0.0.1:2222"}, Action::Run, "127.0.0.1", 2222, ""},
                    Case{"BracketedIpv6WithPort", {"[::1]:502"}, Action::Run, "::1", 502, ""},
                    Case{"HelpWinsOverAnAddress", {"plc", "--help"}, Action::Help, "", 44818, ""},
                    Case{"ShortHelp", {"-h"}, Action::Help, "", 44818, ""},
                    Case{"VersionWinsOverABadWord", {"--bogus", "--version"}, Action::Version, "", 44818, ""},
                    Case{"UnknownOption", {"--port", "2"}, Action::Usage, "", 44818, "--port"},
                    Case{"PortOutOfRange", {"plc:70000"}, Action::Usage, "", 44818, "plc:70000"},
                    Case{"EmptyHost", {":44818"}, Action::Usage, "", 44818, "missing host"},
                    Case{"TwoAddresses", {"plc", "other"}, Action::Usage, "", 44818, "other"}),
    [](const testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });

} // namespace
