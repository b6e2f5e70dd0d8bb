// quillon-cli's pure parsing: addresses, options among positionals, numbers, and the
// command line's refusals (exit 2 before connecting), help and signal handling.
#include "Address.hpp"
#include "Arguments.hpp"
#include "CliFixture.hpp"
#include "Numbers.hpp"
#include "UsageError.hpp"

namespace {

// Without brackets an IPv6 address has no port; each address prints back to itself.
TEST(Address, SplitsHostAndPortPrintsBackOrIsRefused) {
    const struct {
        const char* text;
        const char* host;
        std::uint16_t port;
    } rows[] = {{"192.168.1.10", "192.168.1.10", 44818}, {"plc.local:1", "plc.local", 1}, {"plc:65535", "plc", 65535},
                {"[::1]:502", "::1", 502}, {"[fe80::1%eth0]", "fe80::1%eth0", 44818},
                {"fe80::1:2222", "fe80::1:2222", 44818}};
    for (const auto& row : rows) {
        const cli::Address address = cli::parseAddress(row.text);
        const cli::Address again = cli::parseAddress(cli::formatAddress(address));
        EXPECT_EQ(std::tuple(address.host, address.port, again.host, again.port),
                  std::tuple(std::string(row.host), row.port, std::string(row.host), row.port))
            << row.text;
    }
    for (const char* text : {"", ":44818", "plc:", "plc:0", "plc:65536", "plc:99999999999999999999", "plc:+1", "plc:12a",
                             "[::1", "[]:44818", "[::1]x", "[::1]:", "p lc", "plc\n", "[::1]]:1"}) {
        EXPECT_THROW(cli::parseAddress(text), cli::UsageError) << text;
    }
}

constexpr cli::OptionSpec kOptions[] = {{"--timeout", true}, {"--json", false}, {"--filter", true}};

cli::Arguments parse(std::vector<std::string> words) {
    return cli::parseArguments(words, kOptions);
}

TEST(Arguments, OptionsStandAnywhereValuesMayLookLikeOptionsBadOnesAreRefused) {
    const auto arguments = parse({"--json", "plc", "--timeout", "250", "A", "--filter=Tank", "B"});
    EXPECT_EQ(arguments.positionals, (std::vector<std::string>{"plc", "A", "B"}));
    EXPECT_TRUE(arguments.has("--json"));
    EXPECT_EQ(std::tuple(arguments.value("--timeout"), arguments.value("--filter")), std::tuple("250", "Tank"));
    EXPECT_EQ(parse({"--filter", "--json"}).value("--filter"), "--json");
    EXPECT_EQ(parse({"--filter=a=b"}).value("--filter"), "a=b");
    EXPECT_EQ(parse({"--filter="}).value("--filter"), "");
    EXPECT_EQ(parse({"-", "--", "--json"}).positionals, (std::vector<std::string>{"-", "--json"}));
    EXPECT_FALSE(cli::wantsHelp(std::vector<std::string>{"plc", "--", "--help"}));
    EXPECT_TRUE(cli::wantsHelp(std::vector<std::string>{"plc", "--help"}));
    const std::vector<std::vector<std::string>> bad = {
        {"--nope"}, {"-j"}, {"--json", "--json"}, {"--timeout", "1", "--timeout=2"}, {"--json=yes"}, {"plc", "--filter"},
    };
    for (const auto& words : bad) {
        EXPECT_THROW(parse(words), cli::UsageError) << words.front();
    }
}

TEST(Numbers, DigitsOnlyWithinTheMaximumAndPlainFractions) {
    EXPECT_EQ(cli::parseUnsigned("4294967295", 4294967295u), 4294967295u);
    EXPECT_FALSE(cli::parseUnsigned("4294967296", 4294967295u));
    EXPECT_FALSE(cli::parseUnsigned("99999999999999999999999", UINT64_MAX));
    for (const char* text : {"", "+1", "-1", " 1", "0x10", "1.0"}) {
        EXPECT_FALSE(cli::parseUnsigned(text, 1000)) << text;
    }
    EXPECT_DOUBLE_EQ(*cli::parseDecimal(".25"), 0.25);
    EXPECT_DOUBLE_EQ(*cli::parseDecimal("3."), 3.0);
    for (const char* text : {"", ".", "-1", "1e3", "1.2.3", "inf", " 1"}) {
        EXPECT_FALSE(cli::parseDecimal(text)) << text;
    }
}

// Nothing here names a reachable controller: a usage error must stop before connecting.
TEST(Usage, ExitsWithTwoAndNamesTheCause) {
    const struct {
        std::vector<std::string> words;
        const char* cause;
    } rows[] = {
        {{}, "missing command"}, {{"frobnicate", "plc"}, "unknown command 'frobnicate'"},
        {{"identity"}, "missing controller address"}, {{"identity", "plc", "extra"}, "unexpected argument 'extra'"},
        {{"identity", "plc:0"}, "invalid port"}, {{"identity", "[::1"}, "missing ']'"},
        {{"identity", "plc", "--timeout", "0"}, "invalid --timeout '0'"},
        {{"identity", "plc", "--timeout", "4294967296"}, "invalid --timeout"},
        {{"identity", "plc", "--timeout"}, "needs a value"}, {{"identity", "plc", "--json"}, "unknown option '--json'"},
        {{"tags", "plc", "--tree", "--csv"}, "choose one of"},
        {{"tags", "plc", "--program", "Main", "--all-programs"}, "cannot be combined"},
        {{"tags", "plc", "--program="}, "needs a program name"}, {{"read", "plc"}, "missing TAG"},
        {{"read", "plc", "A", "--tree"}, "unknown option"}, {{"watch", "plc"}, "missing TAG"},
        {{"watch", "plc", "--from", "/no/such/list"}, "invalid --from '/no/such/list': cannot open"},
        {{"watch", "plc", "A", "--interval", "0"}, "invalid --interval '0'"},
        {{"watch", "plc", "A", "--interval", "90000"}, "invalid --interval"},
        {{"tags", "plc", "--path", "1,,0"}, "invalid --path '1,,0': item 2 is empty"},
        {{"discover", "--to", "plc", "--broadcast", "10.255.255.255"}, "exclude each other"},
        {{"discover", "--to", "plc", "--timeout", "0"}, "invalid --timeout"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.cause);
        const clitest::CliRun result = clitest::runCli(row.words);
        EXPECT_EQ(result.status, 2);
        EXPECT_TRUE(result.out.empty()) << result.out;
        EXPECT_NE(result.err.find(row.cause), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("Usage: quillon-cli"), std::string::npos) << result.err;
    }
}

TEST(Help, TopLevelListsEveryCommandAndEachCommandHasItsOwn) {
    for (const char* word : {"--help", "-h", "help"}) {
        const clitest::CliRun result = clitest::runCli({word});
        EXPECT_EQ(result.status, 0);
        for (const char* command : {"identity", "tags", "read", "watch"}) {
            EXPECT_NE(result.out.find(std::string("  ") + command), std::string::npos) << command;
        }
    }
    for (const char* command : {"identity", "tags", "read", "watch"}) {
        const clitest::CliRun result = clitest::runCli({command, "--bogus", "--help"});
        EXPECT_EQ(result.status, 0) << command;
        EXPECT_EQ(result.out.rfind(std::string("Usage: quillon-cli ") + command, 0), 0u) << result.out;
    }
}

TEST(Signals, OnlyWatchCatchesThem) {
    EXPECT_TRUE(cli::stopsOnSignal(std::vector<std::string>{"watch", "plc", "A"}));
    EXPECT_FALSE(cli::stopsOnSignal(std::vector<std::string>{"read", "plc", "A"}));
    EXPECT_FALSE(cli::stopsOnSignal({}));
}

} // namespace
