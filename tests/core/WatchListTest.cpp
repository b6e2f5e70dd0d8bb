// Watch list files: what a text lists, a file replaced whole, and the failures.
#include "WatchList.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

// The read-back of a saved list is the views' round trip; here what they cannot see.
TEST(WatchListFile, ListsThePathsReplacesAFileWholeAndFailuresSayWhy) {
    EXPECT_EQ(parseWatchList("# list\n\n  \n\tA[1,2] # a cell\r\nB\r\n# C\nA[1,2]\nD"), (Paths{"A[1,2]", "B", "D"}));
    const fs::path folder = fs::temp_directory_path() / ("quillon-watch-list-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder);
    const fs::path file = folder / "list.txt";
    ASSERT_EQ(writeWatchList(file, {"Old"}), "");
    ASSERT_EQ(writeWatchList(file, {"New"}), "");
    EXPECT_EQ(readWatchList(file).paths, Paths{"New"});
    EXPECT_EQ(fs::directory_iterator(folder)->path(), file) << "one file, no temporary one";
    EXPECT_NE(writeWatchList(folder / "missing" / "list.txt", {"A"}).find("cannot create the file"), std::string::npos);
    const WatchListFile missing = readWatchList(folder / "missing.txt");
    EXPECT_NE(missing.error.find("cannot open the file"), std::string::npos);
    fs::remove_all(folder);
}

} // namespace
