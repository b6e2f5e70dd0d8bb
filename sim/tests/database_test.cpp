// The JSON database, the generator, the command line and the executable: it prints the port it
// listens on, serves, and ends cleanly on SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "cli.hpp"
#include "fixture.hpp"
#include "quillon_sim/controller.hpp"
#include "wire.hpp"

extern char** environ;

namespace quillon::sim::test {
namespace {

struct BadDatabase {
  const char* label;
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
        BadDatabase{"ChassisSlotTwice", R"({"chassis": {"controllers": [{"slot": 2}, {"slot": 2}]}})", "chassis slot 2: two controllers"},
        BadDatabase{"ChassisSlotOfTheModule", R"({"chassis": {"module": {"slot": 1}, "controllers": [{"slot": 1}]}})", "the module is there"},
        BadDatabase{"ChassisControllerWithoutSlot", R"({"chassis": {"controllers": [{}]}})", "needs a 'slot'"},
        BadDatabase{"UnknownType", R"({"tags": [{"name": "A", "type": "FLOAT"}]})", "unknown type FLOAT"},
        BadDatabase{"DuplicateTag", R"({"tags": [{"name": "A", "type": "DINT"}, {"name": "a", "type": "INT"}]})", "duplicate tag name"},
        BadDatabase{"DuplicateInstance", R"({"tags": [{"name": "A", "type": "DINT", "instance": 5}, {"name": "B", "type": "DINT", "instance": 5}]})",
                    "duplicate instance"},
        BadDatabase{"InstanceAllOnes", R"({"tags": [{"name": "A", "type": "DINT", "instance": 4294967295}]})", "out of range"},
        BadDatabase{"SelfContaining", R"({"types": [{"name": "A", "members": [{"name": "B", "type": "B"}]},
                                                 {"name": "B", "members": [{"name": "A", "type": "A"}]}]})", "contains itself"},
        BadDatabase{"UnknownMemberType", R"({"types": [{"name": "A", "members": [{"name": "X", "type": "Nope"}]}]})", "unknown type Nope"},
        BadDatabase{"DuplicateMember", R"({"types": [{"name": "A", "members": [{"name": "X", "type": "INT"}, {"name": "x", "type": "INT"}]}]})",
                    "duplicate member"},
        BadDatabase{"TemplateIdTooLarge", R"({"types": [{"name": "A", "id": 4096, "members": []}]})", "out of range"},
        BadDatabase{"FourDimensions", R"({"tags": [{"name": "A", "type": "INT", "dims": [1, 1, 1, 1]}]})", "at most 3"},
        BadDatabase{"ZeroDimension", R"({"tags": [{"name": "A", "type": "INT", "dims": [0]}]})", "dimension of 0"},
        BadDatabase{"TooManyValues", R"({"tags": [{"name": "A", "type": "INT", "dims": [2], "value": [1, 2, 3]}]})", "more values"},
        BadDatabase{"TextTooLong", R"({"tags": [{"name": "A", "type": "STRING", "value": "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234"}]})",
                    "longer than 82"},
        BadDatabase{"NoSuchMemberValue", R"({"tags": [{"name": "A", "type": "STRING", "value": {"NOPE": 1}}]})", "no member NOPE"},
        BadDatabase{"LiveKind", R"({"tags": [{"name": "A", "type": "DINT", "live": {"kind": "wobble"}}]})", "unknown live kind"},
        BadDatabase{"LiveOnWholeArray", R"({"tags": [{"name": "A", "type": "DINT", "dims": [3], "live": {"kind": "counter"}}]})", "not an array"},
        BadDatabase{"ClockOnNumber", R"({"tags": [{"name": "A", "type": "DINT", "live": {"kind": "clock"}}]})", "needs a STRING"},
        BadDatabase{"LiveElementMissing", R"({"tags": [{"name": "A", "type": "STRING", "live": {"kind": "counter", "element": ".X"}}]})", "not found"},
        BadDatabase{"NegativeUnsigned", R"({"identity": {"vendorId": -1}})", "negative"},
        BadDatabase{"SymbolWithoutType", R"({"tags": [{"name": "A"}]})", "needs a type"}),
    LabelName{});

TEST(Database, ProgramsInTheControllerScopeAndGeneratedControllers) {
  const Controller controller = parseController(R"({"identity": {"productName": "Test Unit", "revision": {"major": 2, "minor": 7}},
    "tags": [{"name": "A", "type": "DINT"}], "programs": [{"name": "P1", "tags": [{"name": "X", "type": "BOOL"}]}]})");
  EXPECT_EQ(std::tuple(controller.identity().productName, controller.identity().revisionMajor), std::tuple(std::string("Test Unit"), 2));
  const std::vector<SymbolInfo> symbols = controller.symbols();
  ASSERT_EQ(symbols.size(), 2u);
  EXPECT_EQ(std::tuple(symbols[1].name, symbols[1].type), std::tuple(std::string("Program:P1"), 0x1068));
  ASSERT_EQ(controller.symbols("P1").size(), 1u);
  EXPECT_EQ(controller.symbols("P1")[0].type, 0xC1);
  EXPECT_TRUE(controller.symbols("P2").empty());
  EXPECT_EQ(controller.typeCount(), 1u);  // STRING
  // A name of 255 characters is the longest; "system": false makes no system symbol.
  const auto named = [](size_t n) { return R"({"tags": [{"name": ")" + std::string(n, 'N') + R"(", "type": "DINT", "system": false}]})"; };
  EXPECT_EQ(parseController(named(255)).symbols().at(0).type, 0xC4);
  EXPECT_THROW(parseController(named(256)), std::runtime_error);
  const GenerateSpec spec = parseGenerateSpec("tags=500,types=12,programs=3,programTags=7,members=4,seed=9");
  EXPECT_EQ(std::tuple(spec.tags, spec.types, spec.programs, spec.programTags, spec.members), std::tuple(500u, 12u, 3u, 7u, 4u));
  const Controller generated = generateController(spec);
  EXPECT_EQ(std::tuple(generated.symbols().size(), generated.typeCount(), generated.programs().size()), std::tuple(503u, 13u, 3u));
  EXPECT_EQ(generated.symbols(generated.programs()[2]).size(), 7u);
  EXPECT_EQ(generated.symbols()[0].name, "Tag_000001");
  const std::vector<SymbolInfo> again = generateController(spec).symbols();  // the same spec, the same controller
  for (size_t i = 0; i < again.size(); ++i) EXPECT_EQ(again[i].type, generated.symbols()[i].type);
  for (const char* bad : {"tags=x", "colour=3"}) EXPECT_THROW(parseGenerateSpec(bad), std::invalid_argument) << bad;
  for (const char* bad : {"types=5000", "members=0"}) EXPECT_THROW(generateController(parseGenerateSpec(bad)), std::invalid_argument) << bad;
}

TEST(CommandLine, FlagsSetEveryKnob) {
  const std::string path = ::testing::TempDir() + "quillon_sim_template_override.bin";
  const std::vector<uint8_t> bytes{4, 0, 0xC4, 0x40, 0, 0, 0, 0, 'G', 0, 'P', 0, 0xFF};
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const detail::CommandLine line = detail::parseCommandLine(
      {"--db", "x.json", "--port", "0", "--host", "0.0.0.0", "--latency-ms", "5", "--close-after", "3", "--stall", "--wrong-sender-context",
       "--wrong-command", "--wrong-session-handle", "--encap-status", "0x65", "--truncate-reply", "9", "--garbage-reply", "--register-status", "1",
       "--register-zero-handle", "--reply-limit", "0", "--symbols-per-page", "2", "--empty-last-page", "--template-bytes", "100",
       "--fragment-bytes", "50", "--msp-request-limit", "400", "--msp-reply-limit", "300", "--live-clock-ms", "42", "--stuck-symbol-pages", "0",
       "--identity-status", "0x8", "--identity-bytes", "0", "--log-requests", "-", "--template-override", "0xABC,1," + path,
       "--template-override", "7,0," + path});
  std::remove(path.c_str());
  const Options& o = line.options;
  EXPECT_EQ(std::tuple(line.database, line.port, line.host, line.logRequests), std::tuple(std::string("x.json"), 0, std::string("0.0.0.0"), std::string("-")));
  EXPECT_TRUE(o.stall && o.wrongSenderContext && o.wrongCommand && o.wrongSessionHandle && o.garbageReply && o.registerZeroHandle && o.emptyLastPage);
  EXPECT_EQ(std::tuple(o.latencyMs, o.closeAfterRequests, o.encapsulationStatus, o.truncateReplyTo, o.registerStatus, o.replyLimit, o.symbolsPerPage),
            std::tuple(5u, 3u, 0x65u, 9u, 1u, 0u, 2u));
  EXPECT_EQ(std::tuple(o.templateBytesPerReply, o.fragmentBytes, o.mspRequestLimit, o.mspReplyLimit, o.liveClockMs, o.stuckSymbolPagesFrom),
            std::tuple(100u, 50u, 400u, 300u, std::optional<int64_t>(42), std::optional<uint32_t>(0)));
  EXPECT_EQ(std::tuple(o.identityStatus, o.identityDataBytes), std::tuple(0x08, std::optional<uint32_t>(0)));
  ASSERT_EQ(o.templateOverrides.size(), 2u);
  EXPECT_EQ(std::tuple(o.templateOverrides.at(0xABC).memberCount, o.templateOverrides.at(0xABC).data, o.templateOverrides.at(7).memberCount),
            std::tuple(1, bytes, 0));
  const detail::CommandLine generated = detail::parseCommandLine({"--generate", "tags=10"});
  ASSERT_TRUE(generated.generate);
  EXPECT_EQ(generated.generate->tags, 10u);
  EXPECT_TRUE(detail::parseCommandLine({"--help"}).help);
  using Args = std::vector<std::string>;
  for (const Args& args : {Args{}, Args{"--db"}, Args{"--db", "a", "--port", "70000"}, Args{"--db", "a", "--bogus"},
                           Args{"--db", "a", "--latency-ms", "soon"}, Args{"--db", "a", "--generate", "tags=1"}, Args{"--db", "a", "--identity-status", "256"},
                           Args{"--db", "a", "--template-override", "12,1"}, Args{"--db", "a", "--template-override", "0x1000,1," QUILLON_SIM_SAMPLE},
                           Args{"--db", "a", "--template-override", "12,65536," QUILLON_SIM_SAMPLE},
                           Args{"--db", "a", "--template-override", "12,1,/nonexistent/template.bin"}}) {
    EXPECT_THROW(detail::parseCommandLine(args), std::invalid_argument) << args.size();
  }
}

// The executable with `arguments`: its pid and its standard output.
std::pair<pid_t, FILE*> spawnSimulator(std::vector<const char*> arguments) {
  int ends[2];
  EXPECT_EQ(pipe(ends), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, ends[0]);
  std::vector<char*> argv{const_cast<char*>(QUILLON_SIM_EXECUTABLE)};
  for (const char* argument : arguments) argv.push_back(const_cast<char*>(argument));
  argv.push_back(nullptr);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, QUILLON_SIM_EXECUTABLE, &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(ends[1]);
  return {pid, fdopen(ends[0], "r")};
}

int exitCode(std::pair<pid_t, FILE*> child) {
  int status = 0;
  waitpid(child.first, &status, 0);
  fclose(child.second);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Executable, ServesTheSampleStopsOnSigtermAndRefusesBadStarts) {
  const auto child = spawnSimulator({"--db", QUILLON_SIM_SAMPLE, "--port", "0", "--symbols-per-page", "1"});
  char line[128] = {};
  ASSERT_NE(fgets(line, sizeof line, child.second), nullptr);
  const char* prefix = "listening on 127.0.0.1:";
  ASSERT_EQ(std::strncmp(line, prefix, std::strlen(prefix)), 0) << line;
  {
    WireClient wire(static_cast<uint16_t>(std::atoi(line + std::strlen(prefix))));
    ASSERT_NE(wire.registerSession(), 0u);
    EXPECT_EQ(wire.request(0x55, PathBuilder().classId(0x6B).instance(0), Bytes{1, 0, 1, 0}).status, 0x06);  // the knob holds
  }
  kill(child.first, SIGTERM);
  EXPECT_EQ(exitCode(child), 0);
  EXPECT_EQ(exitCode(spawnSimulator({"--db", "/nonexistent/controller.json"})), 1);
  EXPECT_EQ(exitCode(spawnSimulator({"--bogus"})), 2);
}

}  // namespace
}  // namespace quillon::sim::test
