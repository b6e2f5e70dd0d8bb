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

// Each format names the records of the whole controller (their rows are the formats' tests'):
// types described once, their members through them, programs' tags with elements; the CSV
// lists leaves only; the filter; one program, or its refusal.
TEST_F(Commands, TagsInEachFormatTheFilterAndOneProgram) {
    const CliRun list = runCli({"tags", address, "--all-programs"});
    ASSERT_EQ(list.status, 0) << list.err;
    const auto listed = listedRows(list.out);
    for (const auto& [path, typeName] : std::map<std::string, std::string>{
             {"Matrix[2,3]", "DINT"}, {"Motors[3].Position.Z", "REAL"}, {"Program:Conveyor.Counts", "ARRAY"}}) {
        EXPECT_EQ(listed.count(path) ? listed.at(path) : "(missing)", typeName) << path;
    }
    EXPECT_FALSE(listedRows(runCli({"tags", address}).out).contains("Program:MainProgram.StepNo"))
        << "programs' tags only with --all-programs";

    const Json json = Json::parse(runCli({"tags", address, "--all-programs", "--json", "--elements"}).out);
    EXPECT_EQ(json.at("types").at("MotorData").at("members").at(7).at("typeName"), "Point3");
    EXPECT_EQ(json.at("types").at("Point3").at("members").at(2).at("name"), "Z");
    EXPECT_EQ(json.at("tags").back().at("path"), "Program:Packaging");
    EXPECT_EQ(json.at("tags").at(28).at("tags").at(3).at("elements").at(9).at("path"), "Program:Conveyor.Counts[9]");

    const std::vector<std::string> csv = lines(runCli({"tags", address, "--csv", "--all-programs"}).out);
    EXPECT_NE(std::find(csv.begin(), csv.end(), "Motors[3].Position.Z,REAL,202"), csv.end()) << "a member's leaf";
    for (const std::string& line : csv) {
        EXPECT_NE(line.rfind("Line1,", 0), 0u) << "a structure is no leaf";
    }

    const auto filtered = listedRows(runCli({"tags", address, "--all-programs", "--filter", "LEVEL"}).out);
    EXPECT_EQ(std::tuple(filtered.contains("Line1.Tanks[2].Level"), filtered.contains("DintValue")), std::tuple(true, false));

    const auto rows = listedRows(runCli({"tags", address, "--program", "Packaging"}).out);
    EXPECT_EQ(std::tuple(rows.count("Program:Packaging.Label"), rows.count("DintValue")), std::tuple(1u, 0u));
    const CliRun unknown = runCli({"tags", address, "--program", "Nope", "--json"});
    // The result, then the controller's refusal in words with its status.
    EXPECT_EQ(std::tuple(unknown.status, unknown.out, unknown.err),
              std::tuple(1, "", "quillon-cli: cannot list the tags of program Nope: CIP status (result 7): "
                                "tag not found (path segment error) (CIP 0x04)\n"));
}

TEST_F(Commands, TagsNameAnArrayPastTheRowLimitOnStandardError) {
    startSim({}, quillon::sim::parseController(
                     R"({"identity": {"productName": "Big"}, "tags": [{"name": "Big", "type": "SINT", "dims": [100007]}]})"));
    const CliRun result = runCli({"tags", address});
    EXPECT_EQ(std::tuple(result.status, result.out.find("Big[99999] ") != std::string::npos, result.out.find("Big[100000]")),
              std::tuple(1, true, std::string::npos));
    EXPECT_EQ(result.err, "quillon-cli: Big has 100007 elements; only the first 100000 are listed\n");
}

// Refusals in words; a structure's scope is listed to name its type; a BOOL array's
// index is a bit (Inputs is BOOL[64], listed as two words: Inputs[37] is bit 5 of the
// second), past its words out of range; values as the inspector shows them.
TEST_F(Commands, ReadShowsValuesAndNamesEachFailurePerTag) {
    const CliRun result = runCli({"read", address, "DintValue", "NoSuchTag", "Line1", "Bad[", "Matrix[3,0]",
                                  "Inputs[2]", "Inputs[37]", "Inputs[64]", "Inputs"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out,
              "DintValue    DINT      123456\n"
              "NoSuchTag    ?         error: tag not found (path segment error) (CIP 0x04)\n"
              "Line1        LineData  error: unsupported type (result 16)\n"
              "Bad[         ?         error: invalid argument (result 1)\n"
              "Matrix[3,0]  ?         error: index out of range (CIP 0x05/0x2105)\n"
              "Inputs[2]    BOOL      true\n"
              "Inputs[37]   BOOL      false\n"
              "Inputs[64]   ?         error: index out of range (CIP 0x05/0x2105)\n"
              "Inputs       ARRAY     error: unsupported type (result 16)\n");
    EXPECT_TRUE(result.err.empty()) << result.err;
    const CliRun json = runCli({"read", address, "--json", "NoSuchTag"});
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(Json::parse(json.out).at("tags").at(0),
              Json::parse(R"json({"path":"NoSuchTag","type":null,"typeName":null,"ok":false,
                               "error":"tag not found (path segment error) (CIP 0x04)","result":7,
                               "generalStatus":4,"extendedStatus":0})json"));

    // The texts are the core's; here a structure's (STRING) and a member's read through the
    // command, in a program and by indices in separate brackets.
    const CliRun values = runCli({"read", address, "--json", "Program:Packaging.Label", "Cube[1][2][3]", "CycleTimer.ACC"});
    EXPECT_EQ(values.status, 0) << values.err << values.out;
    const Json document = Json::parse(values.out);
    std::vector<std::string> shown;
    for (const Json& tag : document.at("tags")) {
        EXPECT_EQ(tag.at("ok"), Json(true)) << tag.dump();
        shown.push_back(tag.at("path").get<std::string>() + " " + tag.at("typeName").get<std::string>() + " " +
                        tag.at("value").get<std::string>());
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Program:Packaging.Label STRING Box 24x Tomato soup", "Cube[1][2][3] INT 24",
                                               "CycleTimer.ACC DINT 1234"}));
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
    EXPECT_EQ(std::tuple(slot2.status, slot2.out.find("SteamPressure") != std::string::npos, slot2.out.find("LineSpeed")),
              std::tuple(0, true, std::string::npos))
        << slot2.err << slot2.out;
    const CliRun direct = runCli({"tags", address});
    EXPECT_EQ(std::tuple(direct.status, direct.err.find("give --path 1,SLOT") != std::string::npos), std::tuple(1, true)) << direct.err;
    const CliRun empty = runCli({"identity", address, "--path", "1,3"});
    EXPECT_EQ(std::tuple(empty.status, empty.err.find("no module answers at slot 3") != std::string::npos), std::tuple(1, true))
        << empty.err;

    const CliRun found = runCli({"discover", "--to", address, "--json", "--timeout", "5"});
    ASSERT_EQ(found.status, 0) << found.err;
    const Json devices = Json::parse(found.out);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(std::tuple(devices[0].at("productName"), devices[0].at("deviceType"), devices[0].at("address")),
              std::tuple(Json(server->controller().identity().productName), Json(12), Json(address)));
    const CliRun table = runCli({"discover", "--to", address, "--timeout", "5"});
    // Found in a table: nothing on standard error ("no device answered" is for none found).
    EXPECT_EQ(std::tuple(table.out.find(server->controller().identity().productName) != std::string::npos, table.err),
              std::tuple(true, ""))
        << table.out;
}

// A refused session, a closed port and a controller that never answers, each through another
// command (they share one way to connect).
TEST_F(Commands, EveryCommandNamesTheAddressAndTheReasonItCannotConnect) {
    const auto cannot = [&](const std::string& reason) { return "quillon-cli: cannot connect to " + address + ": " + reason + "\n"; };
    quillon::sim::Options refusing;
    refusing.registerStatus = 1;
    startSim(refusing);
    const CliRun identity = runCli({"identity", address});
    EXPECT_EQ(std::tuple(identity.status, identity.out, identity.err),
              std::tuple(1, "", cannot("session refused (result 10): unsupported command (encapsulation 0x0001)")));
    server->stop();
    EXPECT_EQ(runCli({"tags", address}).err, cannot("connect failed (result 3)"));
    quillon::sim::Options stalling;
    stalling.stall = true;
    startSim(stalling);
    // After "--" a tag name, not a request for help.
    EXPECT_EQ(runCli({"read", address, "--timeout", "200", "--", "--help"}).err, cannot("timeout (result 4)"));
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
