// quillon-cli's commands run in-process against the sample controller over loopback.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <thread>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "SampleRecords.hpp"
#include "SimFixture.hpp"

namespace {

using clitest::CliRun;
using Json = nlohmann::json;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

// The default format: "<path>  <type name>" with the type in the last column.
std::map<std::string, std::string> listedRows(const std::string& text) {
    std::map<std::string, std::string> rows;
    for (const std::string& line : lines(text)) {
        const auto gap = line.find("  ");
        const auto type = line.find_last_of(' ');
        if (gap == std::string::npos) {
            ADD_FAILURE() << "not a list row: " << line;
            continue;
        }
        rows[line.substr(0, gap)] = line.substr(type + 1);
    }
    return rows;
}

// The rows a JSON listing describes: tags, elements, and members through the types.
void expandMembers(const Json& types, const std::string& path, const std::string& typeName,
                   std::map<std::string, std::string>& into) {
    if (!types.contains(typeName)) {
        return;
    }
    for (const Json& member : types.at(typeName).at("members")) {
        const std::string memberPath = path + "." + member.at("name").get<std::string>();
        into[memberPath] = member.at("typeName");
        if (member.at("dims").empty()) {
            expandMembers(types, memberPath, member.at("typeName"), into);
        }
    }
}

void collectJsonRows(const Json& types, const Json& rows, std::map<std::string, std::string>& into) {
    for (const Json& row : rows) {
        into[row.at("path")] = row.at("typeName");
        expandMembers(types, row.at("path"), row.at("typeName"), into);
        for (const char* key : {"elements", "tags"}) {
            if (row.contains(key) && row.at(key).is_array()) {
                collectJsonRows(types, row.at(key), into);
            }
        }
    }
}

// Every record the sample declares, with its type name, and nothing else (apart from
// what lies below STRINGs and BOOL arrays).
void expectSampleRows(const std::map<std::string, std::string>& rows, const clitest::SampleRecords& sample) {
    for (const auto& [path, typeName] : sample.paths) {
        const auto row = rows.find(path);
        if (row == rows.end()) {
            ADD_FAILURE() << "missing row " << path;
            continue;
        }
        EXPECT_EQ(row->second, typeName) << path;
    }
    for (const auto& [path, typeName] : rows) {
        EXPECT_TRUE(sample.paths.contains(path) || sample.belowOpaque(path)) << "unexpected row " << path;
    }
}

// A TCP port that refuses connections: bound, never listening, held for the test.
class ClosedPort {
public:
    ClosedPort() {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "cannot reserve a port";
        }
        port = ntohs(address.sin_port);
    }
    ~ClosedPort() { ::close(fd); }
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;

    std::string address() const { return "127.0.0.1:" + std::to_string(port); }

private:
    int fd = -1;
    std::uint16_t port = 0;
};

using Identity = clitest::SampleController;

TEST_F(Identity, PrintsEveryFieldOfTheSample) {
    const CliRun result = run({"identity", address});
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
    EXPECT_TRUE(waitForUnregisters(1));
    EXPECT_NE(run({"identity", address, "--unconnected"}).out.find("Messaging:     unconnected, 504-byte packets\n"),
              std::string::npos);
}

using Tags = clitest::SampleController;

TEST_F(Tags, ListShowsEveryControllerRecordWithItsTypeName) {
    const CliRun result = run({"tags", address});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto rows = listedRows(result.out);
    expectSampleRows(rows, clitest::SampleRecords::load(false));
    // Hidden symbols stay hidden; programs' tags are not listed without --all-programs.
    for (const char* hidden : {"__CONTAINER", "__SysDiagnostics", "Task:MainTask", "Map:Local",
                               "Program:MainProgram.StepNo"}) {
        EXPECT_FALSE(rows.contains(hidden)) << hidden;
    }
}

// The streamed JSON describes the rows the list format shows, with the same types.
TEST_F(Tags, JsonAgreesWithTheList) {
    const CliRun result = run({"tags", address, "--all-programs", "--json", "--elements"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Json document = Json::parse(result.out);
    std::map<std::string, std::string> described;
    collectJsonRows(document.at("types"), document.at("tags"), described);
    const auto listed = listedRows(run({"tags", address, "--all-programs"}).out);
    for (const auto& [path, typeName] : described) {
        const auto row = listed.find(path);
        ASSERT_NE(row, listed.end()) << path;
        EXPECT_EQ(row->second, typeName) << path;
    }
    for (const char* path : {"Matrix[2,3]", "Line1.Motor.Position", "Program:Conveyor.Counts", "Motors[3].Position.Z"}) {
        EXPECT_TRUE(described.contains(path)) << path;
    }
    const Json& tags = document.at("tags");
    const auto matrix = std::find_if(tags.begin(), tags.end(), [](const Json& r) { return r.at("name") == "Matrix"; });
    ASSERT_NE(matrix, tags.end());
    EXPECT_EQ(matrix->at("dims"), Json::parse("[3, 4]"));
    EXPECT_EQ(matrix->at("elements").size(), 12u);
}

TEST_F(Tags, CsvHasOneRowPerLeafPath) {
    const CliRun result = run({"tags", address, "--csv", "--all-programs"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto rows = lines(result.out);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), "path,typeName,type");
    const std::set<std::string> set(rows.begin(), rows.end());
    for (const char* row : {"DintValue,DINT,196", "Message,STRING,", "\"Matrix[2,3]\",DINT,196",
                            "\"Cube[1,2,3]\",INT,195", "Line1.Tanks[0].Label,STRING,",
                            "Motors[3].Position.Z,REAL,202", "Program:Packaging.Active,BOOL,193"}) {
        const bool present = std::any_of(set.begin(), set.end(), [&](const std::string& line) {
            return line.rfind(row, 0) == 0;
        });
        EXPECT_TRUE(present) << row;
    }
    // No row for a structure, an array, a STRING's parts or a program.
    for (const std::string& line : rows) {
        for (const char* inner : {"Line1,", "Matrix,", "Message.", "Program:Packaging,", "Motors[3],"}) {
            EXPECT_NE(line.rfind(inner, 0), 0u) << line;
        }
    }
}

TEST_F(Tags, FilterKeepsMatchesAndTheirParents) {
    const CliRun result = run({"tags", address, "--all-programs", "--filter", "LEVEL"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto rows = listedRows(result.out);
    for (const char* shown : {"Line1", "Line1.Tanks", "Line1.Tanks[2]", "Line1.Tanks[2].Level"}) {
        EXPECT_TRUE(rows.contains(shown)) << shown;
    }
    for (const auto& [path, typeName] : rows) {
        EXPECT_TRUE(path.rfind("Line1", 0) == 0) << path;
        EXPECT_EQ(path.find("Temperature"), std::string::npos) << path;
    }
}

TEST_F(Tags, AnArrayPastTheRowLimitIsNamedOnStandardError) {
    server->stop();
    server = std::make_unique<quillon::sim::Server>(quillon::sim::parseController(
        R"({"identity": {"productName": "Big"}, "tags": [{"name": "Big", "type": "SINT", "dims": [100007]}]})"));
    address = "127.0.0.1:" + std::to_string(server->start(0));
    const CliRun result = run({"tags", address});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("Big[99999] "), std::string::npos);
    EXPECT_EQ(result.out.find("Big[100000]"), std::string::npos);
    EXPECT_EQ(result.err, "quillon-cli: Big has 100007 elements; only the first 100000 are listed\n");
}

TEST_F(Tags, OneProgramOrItsRefusal) {
    const CliRun result = run({"tags", address, "--program", "Packaging"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto rows = listedRows(result.out);
    EXPECT_EQ(rows.at("Program:Packaging"), "PROGRAM");
    EXPECT_EQ(rows.at("Program:Packaging.Label"), "STRING");
    EXPECT_FALSE(rows.contains("DintValue"));

    const CliRun unknown = run({"tags", address, "--program", "Nope", "--json"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.out.empty());
    // The result, then the controller's refusal in words with its status.
    EXPECT_EQ(unknown.err, "quillon-cli: cannot list the tags of program Nope: CIP status (result 7): "
                           "tag not found (path segment error) (CIP 0x04)\n");
}

using Read = clitest::SampleController;

TEST_F(Read, ValuesAsTheInspectorShowsThem) {
    const std::map<std::string, std::pair<std::string, std::string>> expected = {
        {"BoolFlag", {"BOOL", "true"}},
        {"SintValue", {"SINT", "-12"}},
        {"IntValue", {"INT", "-1234"}},
        {"DintValue", {"DINT", "123456"}},
        {"LintValue", {"LINT", "-9000000000"}},
        {"UsintValue", {"USINT", "200"}},
        {"UintValue", {"UINT", "60000"}},
        {"UdintValue", {"UDINT", "4000000000"}},
        {"UlintValue", {"ULINT", "18000000000000000000"}},
        {"RealValue", {"REAL", "1.5"}},
        {"LrealValue", {"LREAL", "3.141592653589793"}},
        {"Message", {"STRING", "Hello from line 1"}},
        {"Temperatures[3]", {"REAL", "22"}},
        {"Matrix[1,2]", {"DINT", "7"}},
        {"Cube[1][2][3]", {"INT", "24"}},
        {"Line1.Tanks[1].Label", {"STRING", "Tank B"}},
        {"Line1.Recipe.Setpoints[1]", {"REAL", "95.5"}},
        {"Motors[2].Name", {"STRING", "Pump A"}},
        {"CycleTimer.ACC", {"DINT", "1234"}},
        {"Program:MainProgram.Mode", {"INT", "2"}},
        {"Program:Packaging.Label", {"STRING", "Box 24x Tomato soup"}},
        {"ArchivedCount", {"DINT", "99"}},
    };
    std::vector<std::string> words = {"read", address, "--json"};
    for (const auto& [path, shown] : expected) {
        words.push_back(path);
    }
    const CliRun result = run(words);
    EXPECT_EQ(result.status, 0) << result.err << result.out;
    EXPECT_TRUE(result.err.empty()) << result.err;
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
TEST_F(Read, EachFailureIsNamedPerTag) {
    const CliRun result = run({"read", address, "DintValue", "NoSuchTag", "Line1", "Bad[", "Matrix[3,0]",
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
}

TEST_F(Read, JsonNamesFailures) {
    const CliRun result = run({"read", address, "--json", "NoSuchTag"});
    EXPECT_EQ(result.status, 1);
    const Json tag = Json::parse(result.out).at("tags").at(0);
    EXPECT_EQ(tag, Json::parse(R"json({"path":"NoSuchTag","type":null,"typeName":null,"ok":false,
                                   "error":"tag not found (path segment error) (CIP 0x04)","result":7,
                                   "generalStatus":4,"extendedStatus":0})json"));
}

// One tag of a 4 200-tag controller: connect (RegisterSession, identity, Forward
// Open), one read and the Forward Close, no listing.
TEST_F(Read, OneTagWithoutListing) {
    server->stop();
    quillon::sim::GenerateSpec spec;
    spec.tags = 4000;
    spec.programs = 10;
    server = std::make_unique<quillon::sim::Server>(quillon::sim::generateController(spec));
    address = "127.0.0.1:" + std::to_string(server->start(0));
    const auto exchanges = std::make_shared<std::atomic<int>>(0);
    server->setRequestObserver([exchanges](const quillon::sim::RequestRecord& record) {
        *exchanges += record.command != clitest::kUnRegisterSession && !record.embedded ? 1 : 0;
    });
    const CliRun result = run({"read", address, "Tag_000001"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_LE(exchanges->load(), 5);
}

class Refusals : public clitest::SampleController {
protected:
    void SetUp() override {}
};

TEST_F(Refusals, ControllerThatRefusesTheSession) {
    quillon::sim::Options options;
    options.registerStatus = 1;
    startSample(options);
    for (const char* command : {"identity", "tags", "read"}) {
        std::vector<std::string> words = {command, address};
        if (std::string(command) == "read") {
            words.push_back("DintValue");
        }
        const CliRun result = run(words);
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_TRUE(result.out.empty()) << result.out;
        EXPECT_EQ(result.err, "quillon-cli: cannot connect to " + address +
                                  ": session refused (result 10): unsupported command (encapsulation 0x0001)\n");
    }
}

TEST_F(Refusals, ClosedPort) {
    const ClosedPort closed;
    const CliRun result = run({"identity", closed.address()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "quillon-cli: cannot connect to " + closed.address() + ": connect failed (result 3)\n");
    // "--help" after "--" is a tag name, so this connects (and fails) instead of helping.
    const CliRun quoted = run({"read", closed.address(), "--", "--help"});
    EXPECT_EQ(quoted.status, 1);
    EXPECT_TRUE(quoted.out.empty());
}

TEST_F(Refusals, ControllerThatNeverAnswers) {
    quillon::sim::Options options;
    options.stall = true;
    startSample(options);
    const CliRun result = run({"identity", address, "--timeout", "200"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "quillon-cli: cannot connect to " + address + ": timeout (result 4)\n");
}

// The simulator listens on IPv4 only, so the bracketed IPv6 literal is shown to reach
// TCP with a bare listener on ::1 that never answers: the connection is made and the
// wait for RegisterSession's reply times out; a port without a listener refuses.
TEST_F(Refusals, Ipv6LiteralReachesTheHost) {
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

    const CliRun refused = run({"identity", literal});
    EXPECT_EQ(refused.err, "quillon-cli: cannot connect to " + literal + ": connect failed (result 3)\n");

    ASSERT_EQ(::listen(fd, 1), 0);
    const CliRun silent = run({"identity", literal, "--timeout", "200"});
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(silent.err, "quillon-cli: cannot connect to " + literal + ": timeout (result 4)\n");
    ::close(fd);
}

// Collects what a command writes and lets a test wait for lines as they come.
class LineSink : public std::stringbuf {
public:
    bool waitForLines(std::size_t count) {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(20), [&] { return lineCount >= count; });
    }
    std::string text() {
        std::lock_guard lock(mutex);
        return str();
    }

protected:
    int sync() override {
        std::lock_guard lock(mutex);
        const std::string all = str();
        lineCount = static_cast<std::size_t>(std::count(all.begin(), all.end(), '\n'));
        arrived.notify_all();
        return 0;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        std::lock_guard lock(mutex);
        return std::stringbuf::xsputn(s, n);
    }
    int_type overflow(int_type c) override {
        std::lock_guard lock(mutex);
        return std::stringbuf::overflow(c);
    }

private:
    // Recursive: the base class's xsputn calls overflow, and both take the lock.
    std::recursive_mutex mutex;
    std::condition_variable_any arrived;
    std::size_t lineCount = 0;
};

class Watch : public clitest::SampleController {
protected:
    void SetUp() override { startSample({}, true); }

    void TearDown() override {
        // A failed assertion may leave the watch running.
        stop = true;
        if (worker.joinable()) {
            worker.join();
        }
        SampleController::TearDown();
    }

    // Runs watch on its own thread with the given words after the address.
    void start(std::vector<std::string> words) {
        words.insert(words.begin(), {"watch", address});
        worker = std::thread([this, words] { status = cli::runCli(words, out, err, stop); });
    }
    int finish() {
        if (worker.joinable()) {
            worker.join();
        }
        return status;
    }

    LineSink sink;
    std::ostream out{&sink};
    std::ostringstream err;
    std::atomic<bool> stop{false};
    std::thread worker;
    int status = -1;
};

TEST_F(Watch, PrintsChangesWithTimeStampsUntilStopped) {
    start({"Program:Conveyor.ItemCount", "NoSuchTag", "Message", "--interval", "0.05"});
    // The first reading prints all three; each later line is a change of ItemCount
    // (it counts every 500 ms).
    ASSERT_TRUE(sink.waitForLines(5));
    stop = true;
    EXPECT_EQ(finish(), 0) << err.str();
    EXPECT_TRUE(waitForUnregisters(1));

    const auto printed = lines(sink.text());
    // Each line: "YYYY-MM-DD HH:MM:SS.uuuuuu", two spaces, the tag's columns.
    const std::string shape = "dddd-dd-dd dd:dd:dd.dddddd  ";
    std::vector<std::string> rest;
    for (const std::string& line : printed) {
        ASSERT_GT(line.size(), shape.size()) << line;
        for (std::size_t i = 0; i < shape.size(); ++i) {
            const bool fits = shape[i] == 'd' ? std::isdigit(static_cast<unsigned char>(line[i])) != 0 : line[i] == shape[i];
            ASSERT_TRUE(fits) << line;
        }
        rest.push_back(line.substr(shape.size()));
    }
    EXPECT_EQ(std::count(rest.begin(), rest.end(), "NoSuchTag  ?  error: tag not found (path segment error) (CIP 0x04)"), 1);
    EXPECT_EQ(std::count(rest.begin(), rest.end(), "Message  STRING  Hello from line 1"), 1);
    std::vector<std::string> counts;
    for (const std::string& line : rest) {
        if (line.rfind("Program:Conveyor.ItemCount  DINT  ", 0) == 0) {
            counts.push_back(line);
        }
    }
    ASSERT_GE(counts.size(), 3u);
    for (std::size_t i = 1; i < counts.size(); ++i) {
        EXPECT_NE(counts[i], counts[i - 1]) << "a line without a change";
    }
}

// The first loss: reopened and said so; the second ends the watch.
TEST_F(Watch, LostConnectionIsReopenedOnce) {
    start({"DintValue", "--interval", "0.05"});
    ASSERT_TRUE(sink.waitForLines(1));
    server->stop();
    server = std::make_unique<quillon::sim::Server>(quillon::sim::loadController(QUILLON_SAMPLE_JSON));
    ASSERT_EQ(server->start(port), port);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    server->stop();
    EXPECT_EQ(finish(), 1);
    EXPECT_EQ(err.str(), "quillon-cli: lost the connection to " + address + "; reconnected\n" +
                             "quillon-cli: lost the connection to " + address + " again\n");
}

} // namespace
