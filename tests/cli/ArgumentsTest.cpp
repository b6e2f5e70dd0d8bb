#include <gtest/gtest.h>

#include "Arguments.hpp"
#include "Numbers.hpp"
#include "UsageError.hpp"

namespace {

constexpr cli::OptionSpec kOptions[] = {{"--timeout", true}, {"--json", false}, {"--filter", true}};

cli::Arguments parse(std::vector<std::string> words) {
    return cli::parseArguments(words, kOptions);
}

TEST(Arguments, OptionsMayStandAnywhereAmongPositionals) {
    const auto arguments = parse({"--json", "plc", "--timeout", "250", "A", "--filter=Tank", "B"});
    EXPECT_EQ(arguments.positionals, (std::vector<std::string>{"plc", "A", "B"}));
    EXPECT_TRUE(arguments.has("--json"));
    EXPECT_EQ(arguments.value("--timeout"), "250");
    EXPECT_EQ(arguments.value("--filter"), "Tank");
    EXPECT_FALSE(arguments.value("--json"));
}

TEST(Arguments, ValuesMayLookLikeOptionsOrBeEmpty) {
    EXPECT_EQ(parse({"--filter", "--json"}).value("--filter"), "--json");
    EXPECT_EQ(parse({"--filter="}).value("--filter"), "");
    EXPECT_EQ(parse({"--filter=a=b"}).value("--filter"), "a=b");
}

TEST(Arguments, DoubleDashEndsTheOptions) {
    const auto arguments = parse({"plc", "--", "--json", "-x"});
    EXPECT_EQ(arguments.positionals, (std::vector<std::string>{"plc", "--json", "-x"}));
    EXPECT_FALSE(arguments.has("--json"));
}

TEST(Arguments, SingleDashIsPositional) {
    EXPECT_EQ(parse({"-"}).positionals, (std::vector<std::string>{"-"}));
}

TEST(Arguments, RefusesMalformedOptions) {
    const std::vector<std::vector<std::string>> bad = {
        {"--nope"}, {"-j"}, {"--json", "--json"}, {"--timeout", "1", "--timeout=2"},
        {"--timeout"}, {"--json=yes"}, {"plc", "--filter"},
    };
    for (const auto& words : bad) {
        EXPECT_THROW(parse(words), cli::UsageError) << words.front();
    }
}

TEST(Arguments, HelpCountsOnlyBeforeDoubleDash) {
    const std::vector<std::string> asked = {"plc", "--help"};
    const std::vector<std::string> quoted = {"plc", "--", "--help"};
    EXPECT_TRUE(cli::wantsHelp(asked));
    EXPECT_FALSE(cli::wantsHelp(quoted));
}

TEST(Numbers, UnsignedIsDigitsOnlyWithinTheMaximum) {
    EXPECT_EQ(cli::parseUnsigned("0", 10), 0u);
    EXPECT_EQ(cli::parseUnsigned("4294967295", 4294967295u), 4294967295u);
    EXPECT_FALSE(cli::parseUnsigned("4294967296", 4294967295u));
    EXPECT_FALSE(cli::parseUnsigned("99999999999999999999999", UINT64_MAX));
    for (const char* text : {"", "+1", "-1", " 1", "1 ", "0x10", "1.0", "1e3"}) {
        EXPECT_FALSE(cli::parseUnsigned(text, 1000)) << text;
    }
}

TEST(Numbers, DecimalAcceptsPlainFractions) {
    EXPECT_DOUBLE_EQ(*cli::parseDecimal("2"), 2.0);
    EXPECT_DOUBLE_EQ(*cli::parseDecimal("0.5"), 0.5);
    EXPECT_DOUBLE_EQ(*cli::parseDecimal(".25"), 0.25);
    EXPECT_DOUBLE_EQ(*cli::parseDecimal("3."), 3.0);
    for (const char* text : {"", ".", "-1", "+1", "1e3", "1..2", "1.2.3", "inf", "nan", " 1", "0x1"}) {
        EXPECT_FALSE(cli::parseDecimal(text)) << text;
    }
}

} // namespace
