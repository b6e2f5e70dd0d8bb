// The rows quillon-cli walks for its formats: what it adds to the shared tag model (kinds,
// depths, programs, the filter over the walk).
#include <gtest/gtest.h>

#include "HandRecords.hpp"
#include "TagRows.hpp"
#include "TagWalk.hpp"

namespace {

using cli::NodeKind;
using handrecords::span;

struct Seen {
    NodeKind kind;
    std::string path;
    int depth;
    std::string typeName;
    bool operator==(const Seen&) const = default;
};

class TagRows : public testing::Test {
protected:
    void SetUp() override {
        scopes.controller = span(scope);
        // A listed program with one tag.
        scopes.programs["MainProgram"] = span(programScope);
    }

    // The rows the walk shows, tags at depth 0 only, and the cut arrays.
    std::vector<Seen> walk(const std::string& filter) {
        std::vector<Seen> seen;
        cuts.clear();
        cli::walkTagRows(
            scopes, filter,
            [&](const cli::TagRow& row) {
                seen.push_back({row.kind, std::string(row.path), row.depth, std::string(cli::rowTypeName(row))});
            },
            [&](std::string_view path, std::uint64_t total) { cuts.emplace_back(path, total); });
        return seen;
    }

    std::vector<std::string> topPaths(const std::string& filter) {
        std::vector<std::string> paths;
        for (const Seen& row : walk(filter)) {
            if (row.depth == 0) {
                paths.push_back(row.path);
            }
        }
        return paths;
    }

    handrecords::HandRecords records;
    zoltc_logix_tag_info_list scope = records.sampleScope();
    zoltc_logix_tag_info_list programScope =
        records.list({records.record("Step", ZOLTC_LOGIX_TYPE_DINT), records.record("Odd", ZOLTC_LOGIX_TYPE_PROGRAM)});
    cli::TagScopes scopes;
    std::vector<std::pair<std::string, std::uint64_t>> cuts;
};

TEST_F(TagRows, KindsDepthsAndTypeTextsOfEachRow) {
    const std::vector<Seen> rows = walk("");
    ASSERT_GE(rows.size(), 14u);
    EXPECT_EQ(rows[0], (Seen{NodeKind::Tag, "Counter", 0, "DINT"}));
    EXPECT_EQ(rows[1], (Seen{NodeKind::Program, "Program:MainProgram", 0, "PROGRAM"}));
    EXPECT_EQ(rows[2], (Seen{NodeKind::Tag, "Program:MainProgram.Step", 1, "DINT"}));
    // Only the controller scope lists programs: elsewhere such a record is a tag.
    EXPECT_EQ(rows[3].kind, NodeKind::Tag);
    EXPECT_EQ(rows[3].path, "Program:MainProgram.Odd");
    EXPECT_EQ(rows[4], (Seen{NodeKind::Tag, "Grid", 0, "ARRAY"}));
    EXPECT_EQ(rows[5], (Seen{NodeKind::Element, "Grid[0,0]", 1, "DINT"}));
    const auto tank = std::find(rows.begin(), rows.end(), Seen{NodeKind::Element, "Tanks[1]", 1, "TANK"});
    ASSERT_NE(tank, rows.end());
    EXPECT_EQ(tank[1], (Seen{NodeKind::Member, "Tanks[1].Level", 2, "REAL"}));
    EXPECT_EQ(tank[2], (Seen{NodeKind::Member, "Tanks[1].Name", 2, "STRING"}));
    EXPECT_TRUE(cuts.empty());
}

TEST_F(TagRows, FilterKeepsMatchesWithTheirParentsAndProgramsThroughTheirTags) {
    const std::vector<Seen> level = walk("LEVEL");
    ASSERT_EQ(level.size(), 5u);
    EXPECT_EQ(level[0].path, "Tanks");
    EXPECT_EQ(level[4].path, "Tanks[1].Level");
    EXPECT_EQ(topPaths("program:main"), (std::vector<std::string>{"Program:MainProgram"}));
    // An unlisted program shows for the empty filter only.
    scopes.programs.clear();
    EXPECT_TRUE(topPaths("MainProgram").empty());
    EXPECT_EQ(topPaths("").size(), 5u);
}

// The rows are walked, not held: no limit but the element row limit of each array (the
// command test names the cut), also past a million rows in all.
TEST_F(TagRows, AMillionRowsAndMoreAreWalked) {
    std::vector<zoltc_logix_tag_info> arrays;
    for (int i = 0; i < 11; ++i) {
        arrays.push_back(records.record("A" + std::to_string(i), ZOLTC_LOGIX_TYPE_DINT | handrecords::dims(1), {100000, 0, 0}));
    }
    const auto list = records.list(std::move(arrays));
    scopes = {};
    scopes.controller = span(list);
    std::uint64_t rows = 0;
    cli::walkTagRows(scopes, "", [&](const cli::TagRow&) { ++rows; }, nullptr);
    EXPECT_EQ(rows, 11u * (1 + 100000));
}

} // namespace
