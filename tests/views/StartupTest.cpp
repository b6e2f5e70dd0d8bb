// Where the program looks for its asset pack. This binary lives in a folder without an
// assets.pak, so the working directory decides.
#include "Startup.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A fresh folder made the working directory for the test, restored and removed after.
class WorkingDirectory : public testing::Test {
protected:
    void SetUp() override {
        previous = fs::current_path();
        // Unique per test and per run, so parallel test processes never share it.
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        folder = fs::temp_directory_path() /
                 ("quillon-startup-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
                  "-" + std::to_string(stamp));
        fs::create_directories(folder);
        fs::current_path(folder);
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(folder);
    }
    fs::path previous;
    fs::path folder;
};

TEST(ExecutableDirectoryTest, IsTheFolderOfTheRunningBinary) {
    EXPECT_TRUE(fs::equivalent(executableDirectory(), QUILLON_TEST_BINARY_DIR));
}

TEST_F(WorkingDirectory, PackInTheWorkingDirectoryIsUsedWhenNoneLiesBesideTheProgram) {
    ASSERT_FALSE(fs::exists(executableDirectory() / "assets.pak")) << "the test binary must not sit beside a pack";
    std::ofstream(folder / "assets.pak") << "pack";
    EXPECT_EQ(findAssetPackPath(), folder / "assets.pak");
}

TEST_F(WorkingDirectory, WithoutAnyPackThePathBesideTheProgramIsNamed) {
    EXPECT_EQ(findAssetPackPath(), executableDirectory() / "assets.pak");
}

TEST_F(WorkingDirectory, AFolderNamedLikeThePackCountsAsPresent) {
    // Existence is all that is asked; the load reports what the path really is.
    fs::create_directory(folder / "assets.pak");
    EXPECT_EQ(findAssetPackPath(), folder / "assets.pak");
}

} // namespace
