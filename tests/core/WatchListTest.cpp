// Watch list files: what a text lists, and a list written and read back through a file.
#include "WatchList.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

struct ParseRow {
    const char* what;
    const char* text;
    Paths expected;
};

void PrintTo(const ParseRow& row, std::ostream* out) {
    *out << row.what;
}

class ParseWatchList : public testing::TestWithParam<ParseRow> {};

TEST_P(ParseWatchList, ListsThePaths) {
    EXPECT_EQ(parseWatchList(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseWatchList,
    testing::Values(ParseRow{"empty", "", {}},
                    ParseRow{"commentsAndBlankLines", "# list\n\n  \nA\n# B\n", {"A"}},
                    ParseRow{"commentAfterAPath", "Program:Main.Count # the count\n", {"Program:Main.Count"}},
                    ParseRow{"windowsLineEndsAndSpaces", "\tA[1,2] \r\nB\r\n", {"A[1,2]", "B"}},
                    ParseRow{"lastLineWithoutEnd", "A\nB", {"A", "B"}},
                    ParseRow{"repeatedPathOnce", "A\nB\nA\n", {"A", "B"}}),
    [](const auto& row) { return std::string(row.param.what); });

TEST(WatchListFile, WrittenListReadsBackAndFailuresSayWhy) {
    const fs::path folder = fs::temp_directory_path() / ("quillon-watch-list-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path file = folder / "list.txt";
    const Paths paths{"Counter", "Program:Main.Tanks[2].Level", "Message"};
    ASSERT_EQ(writeWatchList(file, {"Old"}), "");
    ASSERT_EQ(writeWatchList(file, paths), ""); // replaces the earlier list
    const WatchListFile read = readWatchList(file);
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.paths, paths);
    EXPECT_EQ(fs::directory_iterator(folder)->path(), file) << "no temporary file left";

    EXPECT_NE(writeWatchList(folder / "missing" / "list.txt", paths).find("cannot create the file"), std::string::npos);
    const WatchListFile missing = readWatchList(folder / "missing.txt");
    EXPECT_NE(missing.error.find("cannot open the file"), std::string::npos);
    EXPECT_TRUE(missing.paths.empty());
    fs::remove_all(folder);
}

} // namespace
