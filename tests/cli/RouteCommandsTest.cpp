// quillon-cli against the sample chassis: --path reaches a controller in a slot, and
// discover finds the module that owns the address.

#include <nlohmann/json.hpp>

#include "CliFixture.hpp"
#include "SimFixture.hpp"

namespace {

using clitest::runCli;

class Chassis : public simtest::SimTest {
protected:
    void SetUp() override { startSim({}, quillon::sim::loadController(QUILLON_CHASSIS_JSON)); }
};

TEST_F(Chassis, PathReachesTheControllerInThatSlot) {
    const clitest::CliRun slot2 = runCli({"tags", address, "--path", "1,2"});
    EXPECT_EQ(slot2.status, 0) << slot2.err;
    EXPECT_NE(slot2.out.find("SteamPressure"), std::string::npos) << slot2.out;
    EXPECT_EQ(slot2.out.find("LineSpeed"), std::string::npos) << slot2.out;
    const clitest::CliRun direct = runCli({"tags", address});
    EXPECT_EQ(direct.status, 1);
    EXPECT_NE(direct.err.find("give --path 1,SLOT"), std::string::npos) << direct.err;
    const clitest::CliRun empty = runCli({"identity", address, "--path", "1,3"});
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("no module answers at slot 3"), std::string::npos) << empty.err;
}

TEST_F(Chassis, DiscoverToOneAddressShowsTheModule) {
    const clitest::CliRun found = runCli({"discover", "--to", address, "--json", "--timeout", "5"});
    ASSERT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.err, "");
    const nlohmann::json devices = nlohmann::json::parse(found.out);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].at("productName"), server->controller().identity().productName);
    EXPECT_EQ(devices[0].at("deviceType"), 12);
    EXPECT_EQ(devices[0].at("address"), address);
    const clitest::CliRun table = runCli({"discover", "--to", address, "--timeout", "5"});
    EXPECT_NE(table.out.find(server->controller().identity().productName), std::string::npos) << table.out;
    EXPECT_EQ(table.err, "");
}

} // namespace
