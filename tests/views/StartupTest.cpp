// Where the program looks for its asset pack. This binary lives in a folder without an
// assets.pak, so the working directory decides.
#include "Startup.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(Startup, ThePackBesideTheProgramThenInTheWorkingDirectory) {
    EXPECT_TRUE(fs::equivalent(executableDirectory(), QUILLON_TEST_BINARY_DIR));
    ASSERT_FALSE(fs::exists(executableDirectory() / "assets.pak")) << "the test binary must not sit beside a pack";
    const fs::path previous = fs::current_path();
    const fs::path folder = fs::temp_directory_path() /
                            ("quillon-startup-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder);
    fs::current_path(folder);
    EXPECT_EQ(findAssetPackPath(), executableDirectory() / "assets.pak") << "without any pack, the path beside it";
    // Existence is all that is asked; the load reports what the path really is.
    fs::create_directory(folder / "assets.pak");
    EXPECT_EQ(findAssetPackPath(), folder / "assets.pak");
    fs::current_path(previous);
    fs::remove_all(folder);
}

} // namespace
