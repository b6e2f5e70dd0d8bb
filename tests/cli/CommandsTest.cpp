// quillon-cli's commands run in-process against the sample controller (or the sample
// chassis) over loopback.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include <nlohmann/json.hpp>

#include "CliFixture.hpp"
#include "SimFixture.hpp"

namespace {

using clitest::lines;

using clitest::CliRun;
using clitest::runCli;
using Json = nlohmann::json;

// The default format: "<path>  <type name>" with the type in the last column.
std::map<std::string, std::string> listedRows(const std::string& text) {
    std::map<std::string, std::string> rows;
    for (const std::string& line : lines(text)) {
        rows[line.substr(0, line.find("  "))] = line.substr(line.find_last_of(' ') + 1);
    }
    return rows;
}

// The rows a JSON listing describes: tags, elements, and members through the types.
void collectJsonRows(const Json& types, const Json& rows, const std::string& prefix,
                     std::map<std::string, std::string>& into) {
    for (const Json& row : rows) {
        const std::string path = row.contains("path") ? row.at("path").get<std::string>()
                                                      : prefix + "." + row.at("name").get<std::string>();
        into[path] = row.at("typeName");
        if (types.contains(row.at("typeName")) && (!row.contains("dims") || row.at("dims").empty())) {
            collectJsonRows(types, types.at(row.at("typeName")).at("members"), path, into);
        }
        for (const char* key : {"elements", "tags"}) {
            if (row.contains(key) && row.at(key).is_array()) {
                collectJsonRows(types, row.at(key), path, into);
            }
        }
    }
}

class Commands : public simtest::SimTest {
protected:
    void SetUp() override { startSim(); }
};

TEST_F(Commands, IdentityPrintsEveryFieldAndUnregisters) {
    const CliRun result = runCli({"identity", address});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "Vendor:        1187\n"
              "Device type:   14\n"
              "Product code:  92\n"
              "Revision:      34.11\n"
              "Status:        0x3160\n"
              "Serial:        0x60C0FFEE\n"
              "Product name:  Zolt QX-85 Line Controller\n"
              "Messaging:     connected, 4002-byte packets\n");
    EXPECT_TRUE(simtest::waitFor([&] { return server->sessionsUnregistered() == 1; }));
    EXPECT_NE(runCli({"identity", address, "--unconnected"}).out.find("Messaging:     unconnected, 504-byte packets\n"),
              std::string::npos);
}

// The list and the streamed JSON (with elements) of the whole controller agree; the CSV
// lists leaves only (its quoting is the formats' tests'); the filter keeps matches and
// their parents.
TEST_F(Commands, TagsListJsonAndCsvShowTheSameRecordsAndTheFilterKeepsParents) {
    const CliRun list = runCli({"tags", address, "--all-programs"});
    ASSERT_EQ(list.status, 0) << list.err;
    const auto listed = listedRows(list.out);
    for (const auto& [path, typeName] : std::map<std::string, std::string>{
             {"BoolFlag", "BOOL"}, {"Matrix", "ARRAY"}, {"Matrix[2,3]", "DINT"}, {"Message", "STRING"},
             {"Line1.Tanks[0].Label", "STRING"}, {"Motors[3].Position.Z", "REAL"}, {"Program:Packaging", "PROGRAM"},
             {"Program:Conveyor.Counts", "ARRAY"}}) {
        EXPECT_EQ(listed.count(path) ? listed.at(path) : "(missing)", typeName) << path;
    }
    // Hidden symbols stay hidden.
    for (const char* hidden : {"__CONTAINER", "__SysDiagnostics", "Task:MainTask", "Map:Local"}) {
        EXPECT_FALSE(listed.contains(hidden)) << hidden;
    }
    EXPECT_FALSE(listedRows(runCli({"tags", address}).out).contains("Program:MainProgram.StepNo"))
        << "programs' tags only with --all-programs";

    const CliRun json = runCli({"tags", address, "--all-programs", "--json", "--elements"});
    ASSERT_EQ(json.status, 0) << json.err;
    const Json document = Json::parse(json.out);
    std::map<std::string, std::string> described;
    collectJsonRows(document.at("types"), document.at("tags"), "", described);
    for (const auto& [path, typeName] : described) {
        EXPECT_EQ(listed.count(path) ? listed.at(path) : "(not listed)", typeName) << path;
    }
    EXPECT_TRUE(described.contains("Motors[3].Position.Z"));

    const std::vector<std::string> csv = lines(runCli({"tags", address, "--csv", "--all-programs"}).out);
    EXPECT_NE(std::find(csv.begin(), csv.end(), "Motors[3].Position.Z,REAL,202"), csv.end()) << "a member's leaf";
    for (const std::string& line : csv) {
        EXPECT_NE(line.rfind("Line1,", 0), 0u) << "a structure is no leaf";
    }

    const auto filtered = listedRows(runCli({"tags", address, "--all-programs", "--filter", "LEVEL"}).out);
    EXPECT_TRUE(filtered.contains("Line1.Tanks[2].Level"));
    for (const auto& [path, typeName] : filtered) {
        EXPECT_EQ(path.rfind("Line1", 0), 0u) << path << ": kept by the filter without a match below it";
    }
}

TEST_F(Commands, TagsNameAnArrayPastTheRowLimitOnStandardError) {
    startSim({}, quillon::sim::parseController(
                     R"({"identity": {"productName": "Big"}, "tags": [{"name": "Big", "type": "SINT", "dims": [100007]}]})"));
    const CliRun result = runCli({"tags", address});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("Big[99999] "), std::string::npos);
    EXPECT_EQ(result.out.find("Big[100000]"), std::string::npos);
    EXPECT_EQ(result.err, "quillon-cli: Big has 100007 elements; only the first 100000 are listed\n");
}

TEST_F(Commands, TagsOfOneProgramOrItsRefusal) {
    const auto rows = listedRows(runCli({"tags", address, "--program", "Packaging"}).out);
    EXPECT_EQ(rows.at("Program:Packaging.Label"), "STRING");
    EXPECT_FALSE(rows.contains("DintValue"));
    const CliRun unknown = runCli({"tags", address, "--program", "Nope", "--json"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.out.empty());
    // The result, then the controller's refusal in words with its status.
    EXPECT_EQ(unknown.err, "quillon-cli: cannot list the tags of program Nope: CIP status (result 7): "
                           "tag not found (path segment error) (CIP 0x04)\n");
}

TEST_F(Commands, ReadShowsValuesAsTheInspectorDoes) {
    const std::map<std::string, std::pair<std::string, std::string>> expected = {
        {"LrealValue", {"LREAL", "3.141592653589793"}},
        {"Message", {"STRING", "Hello from line 1"}},
        {"Matrix[1,2]", {"DINT", "7"}},
        {"Cube[1][2][3]", {"INT", "24"}},
        {"Line1.Recipe.Setpoints[1]", {"REAL", "95.5"}},
        {"CycleTimer.ACC", {"DINT", "1234"}},
        {"Program:Packaging.Label", {"STRING", "Box 24x Tomato soup"}},
        {"ArchivedCount", {"DINT", "99"}},
    };
    std::vector<std::string> words = {"read", address, "--json"};
    for (const auto& [path, shown] : expected) {
        words.push_back(path);
    }
    const CliRun result = runCli(words);
    EXPECT_EQ(result.status, 0) << result.err << result.out;
    const Json document = Json::parse(result.out);
    ASSERT_EQ(document.at("tags").size(), expected.size());
    for (const Json& tag : document.at("tags")) {
        const auto& [typeName, value] = expected.at(tag.at("path"));
        EXPECT_EQ(tag.at("ok"), Json(true)) << tag.dump();
        EXPECT_EQ(tag.at("typeName"), typeName) << tag.dump();
        EXPECT_EQ(tag.at("value"), value) << tag.dump();
    }
}

// Refusals in words; a structure's scope is listed to name its type; a BOOL array's
// index is a bit (Inputs is BOOL[64], listed as two words: Inputs[37] is bit 5 of the
// second), past its words out of range.
TEST_F(Commands, ReadNamesEachFailurePerTag) {
    const CliRun result = runCli({"read", address, "DintValue", "NoSuchTag", "Line1", "Bad[", "Matrix[3,0]",
                                  "Program:Nope.X", "Inputs[2]", "Inputs[37]", "Inputs[64]", "Inputs"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out,
              "DintValue       DINT      123456\n"
              "NoSuchTag       ?         error: tag not found (path segment error) (CIP 0x04)\n"
              "Line1           LineData  error: unsupported type (result 16)\n"
              "Bad[            ?         error: invalid argument (result 1)\n"
              "Matrix[3,0]     ?         error: index out of range (CIP 0x05/0x2105)\n"
              "Program:Nope.X  ?         error: tag not found (path segment error) (CIP 0x04)\n"
              "Inputs[2]       BOOL      true\n"
              "Inputs[37]      BOOL      false\n"
              "Inputs[64]      ?         error: index out of range (CIP 0x05/0x2105)\n"
              "Inputs          ARRAY     error: unsupported type (result 16)\n");
    EXPECT_TRUE(result.err.empty()) << result.err;
    const CliRun json = runCli({"read", address, "--json", "NoSuchTag"});
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(Json::parse(json.out).at("tags").at(0),
              Json::parse(R"json({"path":"NoSuchTag","type":null,"typeName":null,"ok":false,
                               "error":"tag not found (path segment error) (CIP 0x04)","result":7,
                               "generalStatus":4,"extendedStatus":0})json"));
}

// One tag of a 4 200-tag controller: connect (RegisterSession, identity, Forward
// Open), one read and the Forward Close, no listing.
TEST_F(Commands, ReadOfOneTagListsNothing) {
    quillon::sim::GenerateSpec spec;
    spec.tags = 4000;
    spec.programs = 10;
    const auto exchanges = std::make_shared<std::atomic<int>>(0);
    startSim({}, quillon::sim::generateController(spec), [exchanges](const quillon::sim::RequestRecord& record) {
        *exchanges += record.command != simtest::kUnRegisterSession && !record.embedded ? 1 : 0;
    });
    const CliRun result = runCli({"read", address, "Tag_000001"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_LE(exchanges->load(), 5);
}

// The sample chassis: --path reaches the controller in a slot, and discover finds the
// module that owns the address.
TEST_F(Commands, APathReachesTheControllerInItsSlotAndDiscoverShowsTheModule) {
    startSim({}, quillon::sim::loadController(QUILLON_CHASSIS_JSON));
    const CliRun slot2 = runCli({"tags", address, "--path", "1,2"});
    EXPECT_EQ(slot2.status, 0) << slot2.err;
    EXPECT_NE(slot2.out.find("SteamPressure"), std::string::npos) << slot2.out;
    EXPECT_EQ(slot2.out.find("LineSpeed"), std::string::npos) << slot2.out;
    const CliRun direct = runCli({"tags", address});
    EXPECT_EQ(direct.status, 1);
    EXPECT_NE(direct.err.find("give --path 1,SLOT"), std::string::npos) << direct.err;
    const CliRun empty = runCli({"identity", address, "--path", "1,3"});
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("no module answers at slot 3"), std::string::npos) << empty.err;

    const CliRun found = runCli({"discover", "--to", address, "--json", "--timeout", "5"});
    ASSERT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.err, "");
    const Json devices = Json::parse(found.out);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].at("productName"), server->controller().identity().productName);
    EXPECT_EQ(devices[0].at("deviceType"), 12);
    EXPECT_EQ(devices[0].at("address"), address);
    const CliRun table = runCli({"discover", "--to", address, "--timeout", "5"});
    EXPECT_NE(table.out.find(server->controller().identity().productName), std::string::npos) << table.out;
    EXPECT_EQ(table.err, "");
}

// A refused session, a closed port and a controller that never answers, for each command.
TEST_F(Commands, EveryCommandNamesTheAddressAndTheReasonItCannotConnect) {
    quillon::sim::Options refusing;
    refusing.registerStatus = 1;
    quillon::sim::Options stalling;
    stalling.stall = true;
    const struct {
        quillon::sim::Options options;
        bool closed;
        std::vector<std::string> extra;
        const char* reason;
    } rows[] = {{refusing, false, {}, "session refused (result 10): unsupported command (encapsulation 0x0001)"},
                {{}, true, {}, "connect failed (result 3)"},
                {stalling, false, {"--timeout", "200"}, "timeout (result 4)"}};
    for (const auto& row : rows) {
        startSim(row.options);
        if (row.closed) {
            server->stop();
        }
        for (const char* command : {"identity", "tags", "read"}) {
            SCOPED_TRACE(std::string(command) + ": " + row.reason);
            std::vector<std::string> words = {command, address};
            words.insert(words.end(), row.extra.begin(), row.extra.end());
            if (std::string(command) == "read") {
                words.insert(words.end(), {"--", "--help"}); // after "--" a tag name, not a request for help
            }
            const CliRun result = runCli(words);
            EXPECT_EQ(result.status, 1);
            EXPECT_TRUE(result.out.empty()) << result.out;
            EXPECT_EQ(result.err, "quillon-cli: cannot connect to " + address + ": " + row.reason + "\n");
        }
    }
}

// The simulator listens on IPv4 only, so the bracketed IPv6 literal is shown to reach
// TCP with a bare listener on ::1 that never answers: the connection is made and the
// wait for RegisterSession's reply times out; a port without a listener refuses.
TEST(Ipv6, ALiteralReachesTheHost) {
    const int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
    sockaddr_in6 where{};
    where.sin6_family = AF_INET6;
    where.sin6_addr = in6addr_loopback;
    socklen_t length = sizeof where;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&where), length) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &length), 0);
    const std::string literal = "[::1]:" + std::to_string(ntohs(where.sin6_port));
    EXPECT_EQ(runCli({"identity", literal}).err, "quillon-cli: cannot connect to " + literal + ": connect failed (result 3)\n");
    ASSERT_EQ(::listen(fd, 1), 0);
    EXPECT_EQ(runCli({"identity", literal, "--timeout", "200"}).err,
              "quillon-cli: cannot connect to " + literal + ": timeout (result 4)\n");
    ::close(fd);
}

} // namespace
