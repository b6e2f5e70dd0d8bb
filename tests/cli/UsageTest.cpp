#include <sstream>

#include <gtest/gtest.h>

#include "Cli.hpp"

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun run(std::vector<std::string> words) {
    std::ostringstream out;
    std::ostringstream err;
    const std::atomic<bool> stop{false};
    const int status = cli::runCli(words, out, err, stop);
    return {status, out.str(), err.str()};
}

struct BadUsage {
    std::vector<std::string> words;
    const char* cause;
};

class Usage : public testing::TestWithParam<BadUsage> {};

// Nothing here names a reachable controller: a usage error must stop before connecting.
TEST_P(Usage, ExitsWithTwoAndNamesTheCause) {
    const BadUsage& c = GetParam();
    const CliRun result = run(c.words);
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(result.out.empty()) << result.out;
    EXPECT_NE(result.err.find(c.cause), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Usage: quillon-cli"), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Words, Usage,
    testing::Values(BadUsage{{}, "missing command"}, BadUsage{{"frobnicate", "plc"}, "unknown command 'frobnicate'"},
                    BadUsage{{"identity"}, "missing controller address"},
                    BadUsage{{"identity", "plc", "extra"}, "unexpected argument 'extra'"},
                    BadUsage{{"identity", "plc:0"}, "invalid port"},
                    BadUsage{{"identity", "[::1"}, "missing ']'"},
                    BadUsage{{"identity", "plc", "--timeout", "0"}, "invalid --timeout '0'"},
                    BadUsage{{"identity", "plc", "--timeout", "4294967296"}, "invalid --timeout"},
                    BadUsage{{"identity", "plc", "--timeout"}, "needs a value"},
                    BadUsage{{"identity", "plc", "--json"}, "unknown option '--json'"},
                    BadUsage{{"tags", "plc", "--tree", "--csv"}, "choose one of"},
                    BadUsage{{"tags", "plc", "--program", "Main", "--all-programs"}, "cannot be combined"},
                    BadUsage{{"tags", "plc", "--program="}, "needs a program name"},
                    BadUsage{{"tags", "plc", "--filter"}, "needs a value"},
                    BadUsage{{"read", "plc"}, "missing TAG"},
                    BadUsage{{"read", "plc", "A", "--tree"}, "unknown option '--tree'"},
                    BadUsage{{"watch", "plc"}, "missing TAG"},
                    BadUsage{{"watch", "plc", "A", "--interval", "0"}, "invalid --interval '0'"},
                    BadUsage{{"watch", "plc", "A", "--interval", "-1"}, "invalid --interval"},
                    BadUsage{{"watch", "plc", "A", "--interval", "90000"}, "invalid --interval"},
                    BadUsage{{"tags", "plc", "--path", "1,,0"}, "invalid --path '1,,0': item 2 is empty"},
                    BadUsage{{"discover", "--to", "plc", "--broadcast", "10.255.255.255"}, "exclude each other"},
                    BadUsage{{"discover", "--to", "plc", "--timeout", "0"}, "invalid --timeout"}));

TEST(Help, TopLevelListsEveryCommand) {
    for (const char* word : {"--help", "-h", "help"}) {
        const CliRun result = run({word});
        EXPECT_EQ(result.status, 0);
        EXPECT_TRUE(result.err.empty());
        for (const char* command : {"identity", "tags", "read", "watch"}) {
            EXPECT_NE(result.out.find(std::string("  ") + command), std::string::npos) << command;
        }
        EXPECT_NE(result.out.find("[::1]:44818"), std::string::npos);
    }
}

TEST(Help, EveryCommandHasItsOwnEvenAmongBadWords) {
    for (const char* command : {"identity", "tags", "read", "watch"}) {
        const CliRun result = run({command, "--bogus", "--help"});
        EXPECT_EQ(result.status, 0) << command;
        EXPECT_EQ(result.out.rfind(std::string("Usage: quillon-cli ") + command, 0), 0u) << result.out;
        EXPECT_NE(result.out.find("--timeout MS"), std::string::npos);
    }
}

TEST(Signals, OnlyWatchCatchesThem) {
    const std::vector<std::string> watch = {"watch", "plc", "A"};
    const std::vector<std::string> read = {"read", "plc", "A"};
    EXPECT_TRUE(cli::stopsOnSignal(watch));
    EXPECT_FALSE(cli::stopsOnSignal(read));
    EXPECT_FALSE(cli::stopsOnSignal({}));
}

} // namespace
