// The JSON database, the generator and the command line.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "case_name.hpp"
#include "cli.hpp"
#include "quillon_sim/controller.hpp"

namespace quillon::sim {
namespace {

struct BadDatabase {
  const char* name;
  const char* json;
  const char* message;  // part of the error text
};

class BadDatabases : public ::testing::TestWithParam<BadDatabase> {};

TEST_P(BadDatabases, AreRefusedWithAReason) {
  try {
    parseController(GetParam().json);
    FAIL() << "accepted";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find(GetParam().message), std::string::npos) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Database, BadDatabases,
    ::testing::Values(
        BadDatabase{"Syntax", R"({"tags": [)", "JSON"},
        BadDatabase{"ChassisSlotTwice",
                    R"({"chassis": {"controllers": [{"slot": 2}, {"slot": 2}]}})", "chassis slot 2: two controllers"},
        BadDatabase{"ChassisSlotOfTheModule",
                    R"({"chassis": {"module": {"slot": 1}, "controllers": [{"slot": 1}]}})", "the module is there"},
        BadDatabase{"ChassisControllerWithoutSlot", R"({"chassis": {"controllers": [{}]}})", "needs a 'slot'"},
        BadDatabase{"UnknownType", R"({"tags": [{"name": "A", "type": "FLOAT"}]})", "unknown type FLOAT"},
        BadDatabase{"DuplicateTag", R"({"tags": [{"name": "A", "type": "DINT"}, {"name": "a", "type": "INT"}]})",
                    "duplicate tag name"},
        BadDatabase{"DuplicateInstance",
                    R"({"tags": [{"name": "A", "type": "DINT", "instance": 5}, {"name": "B", "type": "DINT", "instance": 5}]})",
                    "duplicate instance"},
        BadDatabase{"SelfContaining",
                    R"({"types": [{"name": "A", "members": [{"name": "B", "type": "B"}]},
                                  {"name": "B", "members": [{"name": "A", "type": "A"}]}]})",
                    "contains itself"},
        BadDatabase{"UnknownMemberType", R"({"types": [{"name": "A", "members": [{"name": "X", "type": "Nope"}]}]})",
                    "unknown type Nope"},
        BadDatabase{"DuplicateMember",
                    R"({"types": [{"name": "A", "members": [{"name": "X", "type": "INT"}, {"name": "x", "type": "INT"}]}]})",
                    "duplicate member"},
        BadDatabase{"TemplateIdTooLarge", R"({"types": [{"name": "A", "id": 4096, "members": []}]})", "out of range"},
        BadDatabase{"FourDimensions", R"({"tags": [{"name": "A", "type": "INT", "dims": [1, 1, 1, 1]}]})",
                    "at most 3"},
        BadDatabase{"ZeroDimension", R"({"tags": [{"name": "A", "type": "INT", "dims": [0]}]})", "dimension of 0"},
        BadDatabase{"TooManyValues", R"({"tags": [{"name": "A", "type": "INT", "dims": [2], "value": [1, 2, 3]}]})",
                    "more values"},
        BadDatabase{"TextTooLong",
                    R"({"tags": [{"name": "A", "type": "STRING", "value": "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234"}]})",
                    "longer than 82"},
        BadDatabase{"NoSuchMemberValue", R"({"tags": [{"name": "A", "type": "STRING", "value": {"NOPE": 1}}]})",
                    "no member NOPE"},
        BadDatabase{"LiveKind", R"({"tags": [{"name": "A", "type": "DINT", "live": {"kind": "wobble"}}]})",
                    "unknown live kind"},
        BadDatabase{"LiveOnWholeArray",
                    R"({"tags": [{"name": "A", "type": "DINT", "dims": [3], "live": {"kind": "counter"}}]})",
                    "not an array"},
        BadDatabase{"ClockOnNumber", R"({"tags": [{"name": "A", "type": "DINT", "live": {"kind": "clock"}}]})",
                    "needs a STRING"},
        BadDatabase{"LiveElementMissing",
                    R"({"tags": [{"name": "A", "type": "STRING", "live": {"kind": "counter", "element": ".X"}}]})",
                    "not found"},
        BadDatabase{"NegativeUnsigned", R"({"identity": {"vendorId": -1}})", "negative"},
        BadDatabase{"SymbolWithoutType", R"({"tags": [{"name": "A"}]})", "needs a type"}),
    CaseName());

TEST(Database, MinimalControllerHasProgramsInTheControllerScope) {
  Controller controller = parseController(R"({
    "identity": {"productName": "Test Unit", "revision": {"major": 2, "minor": 7}},
    "tags": [{"name": "A", "type": "DINT"}],
    "programs": [{"name": "P1", "tags": [{"name": "X", "type": "BOOL"}]}]
  })");
  EXPECT_EQ(controller.identity().productName, "Test Unit");
  EXPECT_EQ(controller.identity().revisionMajor, 2);
  std::vector<SymbolInfo> symbols = controller.symbols();
  ASSERT_EQ(symbols.size(), 2u);
  EXPECT_EQ(symbols[1].name, "Program:P1");
  EXPECT_EQ(symbols[1].type, 0x1068);
  ASSERT_EQ(controller.symbols("P1").size(), 1u);
  EXPECT_EQ(controller.symbols("P1")[0].type, 0xC1);
  EXPECT_TRUE(controller.symbols("P2").empty());
  EXPECT_EQ(controller.typeCount(), 1u);  // STRING
}

TEST(Generator, SpecTextAndCounts) {
  GenerateSpec spec = parseGenerateSpec("tags=500,types=12,programs=3,programTags=7,members=4,seed=9");
  EXPECT_EQ(spec.tags, 500u);
  EXPECT_EQ(spec.types, 12u);
  EXPECT_EQ(spec.programs, 3u);
  EXPECT_EQ(spec.programTags, 7u);
  EXPECT_EQ(spec.members, 4u);
  Controller controller = generateController(spec);
  EXPECT_EQ(controller.symbols().size(), 503u);
  EXPECT_EQ(controller.typeCount(), 13u);
  ASSERT_EQ(controller.programs().size(), 3u);
  EXPECT_EQ(controller.symbols(controller.programs()[2]).size(), 7u);
  EXPECT_EQ(controller.symbols()[0].name, "Tag_000001");
  // The same spec gives the same controller.
  std::vector<SymbolInfo> again = generateController(spec).symbols();
  for (size_t i = 0; i < again.size(); ++i) EXPECT_EQ(again[i].type, controller.symbols()[i].type);

  EXPECT_THROW(parseGenerateSpec("tags=x"), std::invalid_argument);
  EXPECT_THROW(parseGenerateSpec("colour=3"), std::invalid_argument);
  EXPECT_THROW(generateController(parseGenerateSpec("types=5000")), std::invalid_argument);
  EXPECT_THROW(generateController(parseGenerateSpec("members=0")), std::invalid_argument);
}

TEST(CommandLine, FlagsSetEveryKnob) {
  detail::CommandLine line = detail::parseCommandLine(
      {"--db", "x.json", "--port", "0", "--host", "0.0.0.0", "--latency-ms", "5", "--close-after", "3",
       "--stall", "--wrong-sender-context", "--wrong-command", "--wrong-session-handle", "--encap-status", "0x65",
       "--truncate-reply", "9", "--garbage-reply", "--register-status", "1", "--register-zero-handle",
       "--reply-limit", "0", "--symbols-per-page", "2", "--empty-last-page", "--template-bytes", "100",
       "--fragment-bytes", "50", "--msp-request-limit", "400", "--msp-reply-limit", "300", "--live-clock-ms", "42",
       "--stuck-symbol-pages", "0", "--identity-status", "0x08", "--identity-bytes", "0", "--log-requests", "-"});
  const Options& o = line.options;
  EXPECT_EQ(line.database, "x.json");
  EXPECT_EQ(line.port, 0);
  EXPECT_EQ(line.host, "0.0.0.0");
  EXPECT_EQ(line.logRequests, "-");
  EXPECT_EQ(o.latencyMs, 5u);
  EXPECT_EQ(o.closeAfterRequests, 3u);
  EXPECT_TRUE(o.stall && o.wrongSenderContext && o.wrongCommand && o.wrongSessionHandle && o.garbageReply &&
              o.registerZeroHandle && o.emptyLastPage);
  EXPECT_EQ(o.encapsulationStatus, 0x65u);
  EXPECT_EQ(o.truncateReplyTo, 9u);
  EXPECT_EQ(o.registerStatus, 1u);
  EXPECT_EQ(o.replyLimit, 0u);
  EXPECT_EQ(o.symbolsPerPage, 2u);
  EXPECT_EQ(o.templateBytesPerReply, 100u);
  EXPECT_EQ(o.fragmentBytes, 50u);
  EXPECT_EQ(o.mspRequestLimit, 400u);
  EXPECT_EQ(o.mspReplyLimit, 300u);
  EXPECT_EQ(o.liveClockMs, 42);
  EXPECT_EQ(o.stuckSymbolPagesFrom, 0u);
  EXPECT_EQ(o.identityStatus, 0x08);
  EXPECT_EQ(o.identityDataBytes, 0u);

  detail::CommandLine generated = detail::parseCommandLine({"--generate", "tags=10"});
  ASSERT_TRUE(generated.generate);
  EXPECT_EQ(generated.generate->tags, 10u);
  EXPECT_TRUE(detail::parseCommandLine({"--help"}).help);
}

TEST(CommandLine, TemplateOverrideReadsItsFile) {
  const std::string path = ::testing::TempDir() + "quillon_sim_template_override.bin";
  const std::vector<uint8_t> bytes{4, 0, 0xC4, 0x40, 0, 0, 0, 0, 'G', 0, 'P', 0, 0xFF};
  {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  Options o = detail::parseCommandLine({"--db", "a", "--template-override", "0xABC,1," + path,
                                        "--template-override", "7,0," + path}).options;
  std::remove(path.c_str());
  ASSERT_EQ(o.templateOverrides.size(), 2u);
  EXPECT_EQ(o.templateOverrides.at(0xABC).memberCount, 1);
  EXPECT_EQ(o.templateOverrides.at(0xABC).data, bytes);
  EXPECT_EQ(o.templateOverrides.at(7).memberCount, 0);
}

TEST(CommandLine, RefusesBadArguments) {
  using Args = std::vector<std::string>;
  for (const Args& args : {Args{}, Args{"--db"}, Args{"--db", "a", "--port", "70000"}, Args{"--db", "a", "--bogus"},
                           Args{"--db", "a", "--latency-ms", "soon"}, Args{"--db", "a", "--generate", "tags=1"},
                           Args{"--db", "a", "--identity-status", "256"},
                           Args{"--db", "a", "--template-override", "12,1"},
                           Args{"--db", "a", "--template-override", "0x1000,1," QUILLON_SIM_SAMPLE},
                           Args{"--db", "a", "--template-override", "12,65536," QUILLON_SIM_SAMPLE},
                           Args{"--db", "a", "--template-override", "12,1,/nonexistent/template.bin"}})
    EXPECT_THROW(detail::parseCommandLine(args), std::invalid_argument);
}

}  // namespace
}  // namespace quillon::sim
