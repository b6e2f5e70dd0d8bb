// The built quillon-cli executable: exit statuses seen by a shell, and the signals that
// end a watch cleanly.

#include <unistd.h>

#include <filesystem>

#include "Processes.hpp"
#include "SimFixture.hpp"

namespace {

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
    EXPECT_EQ(start({"tags", address, "--tree", "--json"}).wait(), 2);
    EXPECT_EQ(written().rfind("quillon-cli: choose one of --tree, --json and --csv\n", 0), 0u) << written();
    EXPECT_NE(written().find("Usage: quillon-cli tags"), std::string::npos);
    EXPECT_EQ(start({"read", address, "DintValue", "NoSuchTag"}).wait(), 1);
    EXPECT_EQ(written(),
              "DintValue  DINT  123456\n"
              "NoSuchTag  ?     error: tag not found (path segment error) (CIP 0x04)\n");
}

class WatchSignal : public Executable, public testing::WithParamInterface<int> {};

TEST_P(WatchSignal, EndsCleanlyAndUnregistersTheSession) {
    processes::Process watch = start({"watch", address, "Counter", "--interval", "0.05"});
    ASSERT_TRUE(simtest::waitFor([&] { return written().find("  Counter  DINT  ") != std::string::npos; })) << written();
    EXPECT_EQ(watch.stop(GetParam()), 0);
    EXPECT_TRUE(simtest::waitFor([&] { return server->sessionsUnregistered() == 1; }));
    EXPECT_EQ(written().find("quillon-cli:"), std::string::npos) << written();
}

INSTANTIATE_TEST_SUITE_P(Signals, WatchSignal, testing::Values(SIGINT, SIGTERM),
                         [](const auto& param) { return param.param == SIGINT ? "interrupt" : "terminate"; });

} // namespace
