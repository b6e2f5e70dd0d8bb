// The built quillon-cli executable: exit statuses seen by a shell, and watch: its lines of
// changes, the signals that end it cleanly and a lost connection reopened once.

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <thread>

#include "CliFixture.hpp"
#include "Processes.hpp"
#include "SimFixture.hpp"

namespace {

using clitest::lines;

namespace fs = std::filesystem;

class Executable : public simtest::SimTest {
protected:
    void SetUp() override {
        liveValues = true;
        startSim();
        fs::create_directories(folder);
    }
    void TearDown() override {
        fs::remove_all(folder);
        SimTest::TearDown();
    }
    // quillon-cli started with these words, its output (standard output and error) in a file.
    processes::Process start(const std::vector<std::string>& words) {
        std::vector<std::string> argv{QUILLON_CLI_PATH};
        argv.insert(argv.end(), words.begin(), words.end());
        return processes::Process(argv, folder, output);
    }
    std::string written() const { return processes::readFile(output); }

    const fs::path folder = fs::temp_directory_path() /
                            ("quillon-cli-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
                             "-" + std::to_string(::getpid()));
    const fs::path output = folder / "output.txt";
};

TEST_F(Executable, BadUsageExitsWithTwoAndAReadWithAFailureWithOne) {
    // The texts are the in-process tests'; here the statuses a shell sees.
    EXPECT_EQ(start({"tags", address, "--tree", "--json"}).wait(), 2) << written();
    EXPECT_EQ(start({"read", address, "DintValue", "NoSuchTag"}).wait(), 1) << written();
}

TEST_F(Executable, WatchPrintsChangesUntilInterruptedOrTerminated) {
    const fs::path list = folder / "list.txt";
    std::ofstream(list) << "# saved by the program\r\nProgram:Conveyor.ItemCount\r\n\n  NoSuchTag  # gone\n";
    processes::Process watch = start({"watch", address, "--from", list.string(), "Message", "--interval", "0.05"});
    // The first reading prints all three; each later line is a change of ItemCount (every 500 ms).
    ASSERT_TRUE(simtest::waitFor([&] { return lines(written()).size() >= 5; })) << written();
    EXPECT_EQ(watch.stop(SIGINT), 0);
    EXPECT_TRUE(simtest::waitFor([&] { return server->sessionsUnregistered() == 1; }));
    // Each line: "YYYY-MM-DD HH:MM:SS.uuuuuu", two spaces, the tag's columns.
    const std::string shape = "dddd-dd-dd dd:dd:dd.dddddd  ";
    std::vector<std::string> rest;
    for (const std::string& line : lines(written())) {
        ASSERT_GT(line.size(), shape.size()) << line;
        for (std::size_t i = 0; i < shape.size(); ++i) {
            ASSERT_TRUE(shape[i] == 'd' ? std::isdigit(static_cast<unsigned char>(line[i])) != 0 : line[i] == shape[i])
                << line;
        }
        rest.push_back(line.substr(shape.size()));
    }
    EXPECT_EQ(std::count(rest.begin(), rest.end(), "NoSuchTag  ?  error: tag not found (path segment error) (CIP 0x04)"), 1);
    EXPECT_EQ(std::count(rest.begin(), rest.end(), "Message  STRING  Hello from line 1"), 1);
    std::vector<std::string> counts;
    std::copy_if(rest.begin(), rest.end(), std::back_inserter(counts),
                 [](const std::string& line) { return line.rfind("Program:Conveyor.ItemCount  DINT  ", 0) == 0; });
    ASSERT_GE(counts.size(), 3u);
    EXPECT_EQ(std::adjacent_find(counts.begin(), counts.end()), counts.end()) << "a line without a change";

    processes::Process terminated = start({"watch", address, "Counter", "--interval", "0.05"});
    ASSERT_TRUE(simtest::waitFor([&] { return written().find("  Counter  DINT  ") != std::string::npos; })) << written();
    EXPECT_EQ(terminated.stop(SIGTERM), 0);
    EXPECT_TRUE(simtest::waitFor([&] { return server->sessionsUnregistered() == 2; }));
    EXPECT_EQ(written().find("quillon-cli:"), std::string::npos) << written();
}

// The first loss: reopened and said so; the second ends the watch.
TEST_F(Executable, WatchReopensALostConnectionOnce) {
    processes::Process watch = start({"watch", address, "DintValue", "--interval", "0.05"});
    ASSERT_TRUE(simtest::waitFor([&] { return !written().empty(); }));
    server->stop();
    ASSERT_EQ(server->start(port), port);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    server->stop();
    EXPECT_EQ(watch.wait(), 1);
    EXPECT_NE(written().find("quillon-cli: lost the connection to " + address + "; reconnected\n"), std::string::npos);
    EXPECT_NE(written().find("quillon-cli: lost the connection to " + address + " again\n"), std::string::npos);
}

} // namespace
