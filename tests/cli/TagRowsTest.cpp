// The rows quillon-cli holds for its formats: what it adds to the shared tag model
// (kinds, type texts, programs, the row budget, the filter over held rows, cut arrays).
#include <gtest/gtest.h>

#include "HandRecords.hpp"
#include "TagNode.hpp"
#include "TagRows.hpp"

namespace {

using cli::NodeKind;
using cli::TagNode;
using handrecords::HandRecords;
using handrecords::span;

std::vector<std::string> visibleNames(const std::vector<TagNode>& rows) {
    std::vector<std::string> result;
    for (const TagNode& row : rows) {
        if (row.visible) {
            result.push_back(row.name);
        }
    }
    return result;
}

class TagRows : public testing::Test {
protected:
    void SetUp() override {
        rows = cli::makeScopeRows(span(scope), "", budget);
        // A listed program with one tag.
        rows[1].children = cli::makeScopeRows(span(programScope), rows[1].path, budget);
    }

    HandRecords records;
    zoltc_logix_tag_info_list scope = records.sampleScope();
    zoltc_logix_tag_info_list programScope =
        records.list({records.record("Step", handrecords::kDint), records.record("Odd", ZOLTC_LOGIX_TYPE_PROGRAM)});
    cli::RowBudget budget;
    std::vector<TagNode> rows;
};

TEST_F(TagRows, KindsAndTypeTextsOfEachRow) {
    ASSERT_EQ(visibleNames(rows), (std::vector<std::string>{"Counter", "MainProgram", "Grid", "Tanks", "Msg"}));
    EXPECT_EQ(rows[0].typeName, "DINT");
    EXPECT_EQ(rows[1].kind, NodeKind::Program);
    EXPECT_EQ(rows[1].typeName, "PROGRAM");
    EXPECT_EQ(rows[1].path, "Program:MainProgram");
    // Only the controller scope lists programs: elsewhere such a record is a tag.
    EXPECT_EQ(rows[1].children[1].kind, NodeKind::Tag);
    EXPECT_EQ(rows[1].children[1].path, "Program:MainProgram.Odd");
    EXPECT_EQ(rows[2].dims, (std::vector<std::uint32_t>{2, 3}));
    EXPECT_EQ(rows[2].typeName, "ARRAY");
    const TagNode& element = rows[3].children[1];
    EXPECT_EQ(element.kind, NodeKind::Element);
    EXPECT_EQ(element.typeName, "TANK");
    EXPECT_TRUE(element.dims.empty());
    EXPECT_EQ(element.children[0].kind, NodeKind::Member);
    EXPECT_TRUE(element.children[1].isString);
    EXPECT_EQ(element.children[1].typeName, "STRING");
}

TEST_F(TagRows, TheBudgetCountsEveryRowHeld) {
    cli::RowBudget full;
    full.take(cli::kMaxRows - 5);
    EXPECT_NO_THROW(cli::makeScopeRows(
        span(records.list({records.record("Four", handrecords::kDint | handrecords::kOneDim, {4, 0, 0})})), "", full));
    EXPECT_THROW(cli::makeScopeRows(span(records.list({records.record("One", handrecords::kDint)})), "", full),
                 cli::TooManyRows);
}

TEST_F(TagRows, FilterKeepsMatchesWithTheirParentsAndProgramsThroughTheirTags) {
    cli::applyFilter(rows, "LEVEL");
    EXPECT_EQ(visibleNames(rows), (std::vector<std::string>{"Tanks"}));
    EXPECT_EQ(visibleNames(rows[3].children[0].children), (std::vector<std::string>{"Level"}));

    cli::applyFilter(rows, "program:main");
    EXPECT_EQ(visibleNames(rows), (std::vector<std::string>{"MainProgram"}));

    cli::applyFilter(rows, "");
    EXPECT_EQ(visibleNames(rows).size(), rows.size());
}

TEST_F(TagRows, AnUnlistedProgramShowsForTheEmptyFilterOnly) {
    rows[1].children.clear();
    cli::applyFilter(rows, "MainProgram");
    EXPECT_TRUE(visibleNames(rows).empty());
}

} // namespace
