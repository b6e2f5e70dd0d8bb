// What the program makes of its words.
#include "CommandLine.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Action = CommandLine::Action;

// The address's own forms are the address parser's tests (tests/cli); here its use.
TEST(CommandLine, RunsHelpsOrRefusesTheWordsNamingTheBadOne) {
    const struct {
        const char* name;
        std::vector<std::string> words;
        Action action;
        const char* host;
        std::uint16_t port;
        const char* errorMentions;
        const char* path = ""; // --path fills the top bar's Path
    } rows[] = {
        {"NothingStartsAsBefore", {}, Action::Run, "", 44818, ""},
        {"HostAndPort", {"127.0.0.1:2222"}, Action::Run, "127.0.0.1", 2222, ""},
        {"HelpWinsOverAnAddress", {"plc", "--help"}, Action::Help, "", 44818, ""},
        {"VersionWinsOverABadWord", {"--bogus", "--version"}, Action::Version, "", 44818, ""},
        {"UnknownOption", {"--port", "2"}, Action::Usage, "", 44818, "--port"},
        {"PortOutOfRange", {"plc:70000"}, Action::Usage, "", 44818, "plc:70000"},
        {"TwoAddresses", {"plc", "other"}, Action::Usage, "", 44818, "other"},
        {"RoutePath", {"--path", "1,2", "127.0.0.1:2222"}, Action::Run, "127.0.0.1", 2222, "", "1,2"},
        {"BadRoutePath", {"plc", "--path", "1,"}, Action::Usage, "", 44818, "invalid --path '1,': item 2 is empty"},
        {"MissingRoutePath", {"plc", "--path"}, Action::Usage, "", 44818, ""},
    };
    for (const auto& c : rows) {
        SCOPED_TRACE(c.name);
        const CommandLine line = parseCommandLine(c.words);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.host, c.host);
        EXPECT_EQ(line.port, c.port);
        EXPECT_EQ(line.path, c.path);
        EXPECT_NE(line.error.find(c.errorMentions), std::string::npos) << line.error;
        EXPECT_EQ(line.error.empty(), c.action != Action::Usage);
    }
}

} // namespace
