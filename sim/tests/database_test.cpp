// The JSON database, the generator, the command line and the executable: it prints the port it
// listens on, serves, and ends cleanly on SIGTERM.
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

#include "cli.hpp"
#include "sim_test.hpp"

namespace quillon::sim::test {
namespace {

// Each refusal's reason is part of the error text.
TEST(Database, BadDatabasesAreRefusedWithAReason) {
  for (const auto& [label, json, message] : std::vector<std::tuple<const char*, const char*, const char*>>{
           {"Syntax", R"({"tags": [)", "JSON"},
           {"ChassisSlotTwice", R"({"chassis": {"controllers": [{"slot": 2}, {"slot": 2}]}})", "chassis slot 2: two controllers"},
           {"ChassisSlotOfTheModule", R"({"chassis": {"module": {"slot": 1}, "controllers": [{"slot": 1}]}})", "the module is there"},
           {"ChassisControllerWithoutSlot", R"({"chassis": {"controllers": [{}]}})", "needs a 'slot'"},
           {"UnknownType", R"({"tags": [{"name": "A", "type": "FLOAT"}]})", "unknown type FLOAT"},
           {"DuplicateTag", R"({"tags": [{"name": "A", "type": "DINT"}, {"name": "a", "type": "INT"}]})", "duplicate tag name"},
           {"DuplicateInstance", R"({"tags": [{"name": "A", "type": "DINT", "instance": 5}, {"name": "B", "type": "DINT", "instance": 5}]})", "duplicate instance"},
           {"InstanceAllOnes", R"({"tags": [{"name": "A", "type": "DINT", "instance": 4294967295}]})", "out of range"},
           {"SelfContaining", R"({"types": [{"name": "A", "members": [{"name": "B", "type": "B"}]}, {"name": "B", "members": [{"name": "A", "type": "A"}]}]})", "contains itself"},
           {"UnknownMemberType", R"({"types": [{"name": "A", "members": [{"name": "X", "type": "Nope"}]}]})", "unknown type Nope"},
           {"DuplicateMember", R"({"types": [{"name": "A", "members": [{"name": "X", "type": "INT"}, {"name": "x", "type": "INT"}]}]})", "duplicate member"},
           {"TemplateIdTooLarge", R"({"types": [{"name": "A", "id": 4096, "members": []}]})", "out of range"},
           {"FourDimensions", R"({"tags": [{"name": "A", "type": "INT", "dims": [1, 1, 1, 1]}]})", "at most 3"},
           {"ZeroDimension", R"({"tags": [{"name": "A", "type": "INT", "dims": [0]}]})", "dimension of 0"},
           {"TooManyValues", R"({"tags": [{"name": "A", "type": "INT", "dims": [2], "value": [1, 2, 3]}]})", "more values"},
           {"TextTooLong", R"({"tags": [{"name": "A", "type": "STRING", "value": "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234"}]})", "longer than 82"},
           {"NoSuchMemberValue", R"({"tags": [{"name": "A", "type": "STRING", "value": {"NOPE": 1}}]})", "no member NOPE"},
           {"LiveKind", R"({"tags": [{"name": "A", "type": "DINT", "live": {"kind": "wobble"}}]})", "unknown live kind"},
           {"LiveOnWholeArray", R"({"tags": [{"name": "A", "type": "DINT", "dims": [3], "live": {"kind": "counter"}}]})", "not an array"},
           {"ClockOnNumber", R"({"tags": [{"name": "A", "type": "DINT", "live": {"kind": "clock"}}]})", "needs a STRING"},
           {"LiveElementMissing", R"({"tags": [{"name": "A", "type": "STRING", "live": {"kind": "counter", "element": ".X"}}]})", "not found"},
           {"NegativeUnsigned", R"({"identity": {"vendorId": -1}})", "negative"},
           {"SymbolWithoutType", R"({"tags": [{"name": "A"}]})", "needs a type"}}) {
    try {
      parseController(json);
      ADD_FAILURE() << label << " accepted";
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << label << ": " << error.what();
    }
  }
}

// The loader's type words (programs, system symbols, tasks, BOOL[64] as two DWORDs, arrays);
// a generated controller is as described, the same each time.
TEST(Database, LoadedAndGeneratedControllers) {
  std::map<std::string, SymbolInfo> byName;
  for (const SymbolInfo& s : sampleController().symbols()) byName[s.name] = s;
  for (auto [name, type] : {std::pair("Program:MainProgram", 0x1068), {"__SysDiagnostics", 0x10C4}, {"__CONTAINER", 0x00C4},
                            {"Task:MainTask", 0x1070}, {"Inputs", 0x20D3}, {"Cube", 0x60C3}, {"Matrix", 0x40C4}}) {
    EXPECT_EQ(byName[name].type, type) << name;
  }
  EXPECT_EQ(std::tuple(byName["Inputs"].dims, byName["Cube"].dims, byName["Motors"].type & 0xF000, byName["ArchivedCount"].instanceId),
            std::tuple(std::array<uint32_t, 3>{2, 0, 0}, std::array<uint32_t, 3>{2, 3, 4}, 0xA000, 70000u));
  EXPECT_EQ(sampleController().programs(), (std::vector<std::string>{"MainProgram", "Conveyor", "Packaging"}));
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

// The flags outside the knob table, one knob of each kind (switch, number, hexadecimal,
// optional, bounded), and refusals.
TEST(CommandLine, FlagsSetTheirOptions) {
  const std::string path = ::testing::TempDir() + "quillon_sim_template_override.bin";
  const std::vector<uint8_t> bytes{4, 0, 0xC4, 0x40, 0, 0, 0, 0, 'G', 0, 'P', 0, 0xFF};
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const detail::CommandLine line = detail::parseCommandLine(
      {"--db", "x.json", "--port", "0", "--host", "0.0.0.0", "--latency-ms", "5", "--stall", "--encap-status", "0x65", "--live-clock-ms", "42",
       "--identity-status", "0x8", "--log-requests", "-", "--template-override", "0xABC,1," + path, "--template-override", "7,0," + path});
  std::remove(path.c_str());
  const Options& o = line.options;
  EXPECT_EQ(std::tuple(line.database, line.port, line.host, line.logRequests), std::tuple(std::string("x.json"), 0, std::string("0.0.0.0"), std::string("-")));
  EXPECT_EQ(std::tuple(o.latencyMs, o.stall, o.encapsulationStatus, o.liveClockMs, o.identityStatus), std::tuple(5u, true, 0x65u, std::optional<int64_t>(42), 0x08));
  ASSERT_EQ(o.templateOverrides.size(), 2u);
  EXPECT_EQ(std::tuple(o.templateOverrides.at(0xABC).memberCount, o.templateOverrides.at(0xABC).data, o.templateOverrides.at(7).memberCount),
            std::tuple(1, bytes, 0));
  EXPECT_EQ(detail::parseCommandLine({"--generate", "tags=10"}).generate.value_or(GenerateSpec{}).tags, 10u);
  EXPECT_TRUE(detail::parseCommandLine({"--help"}).help);
  using Args = std::vector<std::string>;
  for (const Args& args : {Args{}, Args{"--db"}, Args{"--db", "a", "--port", "70000"}, Args{"--db", "a", "--bogus"},
                           Args{"--db", "a", "--latency-ms", "soon"}, Args{"--db", "a", "--generate", "tags=1"}, Args{"--db", "a", "--identity-status", "256"},
                           Args{"--db", "a", "--template-override", "12,1"}, Args{"--db", "a", "--template-override", "0x1000,1," QUILLON_SIM_SAMPLE},
                           Args{"--db", "a", "--template-override", "12,65536," QUILLON_SIM_SAMPLE},
                           Args{"--db", "a", "--template-override", "12,1,/nonexistent/template.bin"}}) {
    EXPECT_THROW(detail::parseCommandLine(args), std::invalid_argument) << (args.empty() ? "(none)" : args.back());
  }
}

// The executable prints the port it listens on, serves with its knobs, ends cleanly on SIGTERM,
// and refuses a database it cannot read (1) and a bad command line (2).
TEST(Executable, ServesTheSampleStopsOnSigtermAndRefusesBadStarts) {
  const std::string program = std::string("'") + QUILLON_SIM_EXECUTABLE + "'";
  // The shell prints its pid, then becomes the simulator.
  FILE* output = popen(("echo $$; exec " + program + " --db '" QUILLON_SIM_SAMPLE "' --port 0 --symbols-per-page 1").c_str(), "r");
  ASSERT_NE(output, nullptr);
  int pid = 0;
  char line[128] = {};
  const char* prefix = "listening on 127.0.0.1:";
  EXPECT_TRUE(fscanf(output, "%d ", &pid) == 1 && fgets(line, sizeof line, output) && std::strncmp(line, prefix, std::strlen(prefix)) == 0) << line;
  {
    WireClient wire(static_cast<uint16_t>(std::atoi(line + std::strlen(prefix))));
    EXPECT_NE(wire.registerSession(), 0u);
    EXPECT_EQ(wire.request(0x55, PathBuilder().classId(0x6B).instance(0), Bytes{1, 0, 1, 0}).status, 0x06);  // the knob holds
  }
  if (pid > 0) kill(pid, SIGTERM);
  const int status = pclose(output);
  EXPECT_EQ(std::tuple(WIFEXITED(status), WEXITSTATUS(status)), std::tuple(true, 0));
  EXPECT_EQ(WEXITSTATUS(std::system((program + " --db /nonexistent/controller.json >/dev/null 2>&1").c_str())), 1);
  EXPECT_EQ(WEXITSTATUS(std::system((program + " --bogus >/dev/null 2>&1").c_str())), 2);
}

}  // namespace
}  // namespace quillon::sim::test
