// The rows quillon-cli holds for its formats, what it adds to the shared tag model (kinds,
// type texts, programs, the row budget, the filter over held rows), and the tag paths it
// resolves against listed records.
#include <gtest/gtest.h>

#include "HandRecords.hpp"
#include "TagNode.hpp"
#include "TagResolver.hpp"
#include "TagRows.hpp"

namespace {

using cli::NodeKind;
using cli::TagNode;
using handrecords::dims;
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

    handrecords::HandRecords records;
    zoltc_logix_tag_info_list scope = records.sampleScope();
    zoltc_logix_tag_info_list programScope =
        records.list({records.record("Step", ZOLTC_LOGIX_TYPE_DINT), records.record("Odd", ZOLTC_LOGIX_TYPE_PROGRAM)});
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
    const TagNode& element = rows[3].children[1];
    EXPECT_EQ(element.kind, NodeKind::Element);
    EXPECT_EQ(element.typeName, "TANK");
    EXPECT_TRUE(element.dims.empty());
    EXPECT_EQ(element.children[0].kind, NodeKind::Member);
    EXPECT_TRUE(element.children[1].isString);
}

TEST_F(TagRows, TheBudgetCountsEveryRowHeld) {
    cli::RowBudget full;
    full.take(cli::kMaxRows - 5);
    EXPECT_NO_THROW(cli::makeScopeRows(
        span(records.list({records.record("Four", ZOLTC_LOGIX_TYPE_DINT | dims(1), {4, 0, 0})})), "", full));
    EXPECT_THROW(cli::makeScopeRows(span(records.list({records.record("One", ZOLTC_LOGIX_TYPE_DINT)})), "", full),
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
    rows[1].children.clear(); // an unlisted program shows for the empty filter only
    cli::applyFilter(rows, "MainProgram");
    EXPECT_TRUE(visibleNames(rows).empty());
}

TEST(SplitScope, ProgramPrefixNamesTheScope) {
    const auto scoped = cli::splitScope("Program:Main.Step.Count[2]");
    ASSERT_TRUE(scoped);
    EXPECT_EQ(scoped->program, "Main");
    EXPECT_EQ(scoped->rest, "Step.Count[2]");
    EXPECT_EQ(cli::splitScope("Tanks[1].Level")->program, "");
    EXPECT_FALSE(cli::splitScope("Program:Main"));
}

struct ResolveCase {
    const char* path;
    const char* typeName; // null: not found
    bool isString;
};

void PrintTo(const ResolveCase& row, std::ostream* out) {
    *out << row.path;
}

class Resolve : public testing::TestWithParam<ResolveCase> {};

TEST_P(Resolve, WalksNamesAndIndices) {
    handrecords::HandRecords records;
    const auto tag = cli::resolveTagPath(span(records.sampleScope()), GetParam().path);
    ASSERT_EQ(tag.has_value(), GetParam().typeName != nullptr) << GetParam().path;
    if (tag) {
        EXPECT_EQ(tag->typeName, GetParam().typeName);
        EXPECT_EQ(tag->isString, GetParam().isString);
    }
}

// Out of range, a wrong index count, a member of the whole array, a program entry (a
// scope, not a tag) and malformed texts (left to the library to refuse) are not found.
INSTANTIATE_TEST_SUITE_P(
    Paths, Resolve,
    testing::Values(ResolveCase{"COUNTER", "DINT", false}, ResolveCase{"Grid", "ARRAY", false},
                    ResolveCase{"Grid[1,2]", "DINT", false}, ResolveCase{"Grid[1][2]", "DINT", false},
                    ResolveCase{"Grid[ 1 , 2 ]", "DINT", false}, ResolveCase{"Tanks[1]", "TANK", false},
                    ResolveCase{"Tanks[1].Level", "REAL", false}, ResolveCase{"Tanks[0].Name", "STRING", true},
                    ResolveCase{"Tanks[0].Name.DATA[81]", "SINT", false}, ResolveCase{"Msg.LEN", "DINT", false},
                    ResolveCase{"Grid[2,0]", nullptr, false}, ResolveCase{"Grid[1]", nullptr, false},
                    ResolveCase{"Grid[1,2,0]", nullptr, false}, ResolveCase{"Counter[0]", nullptr, false},
                    ResolveCase{"Tanks.Level", nullptr, false}, ResolveCase{"Tanks[0].Missing", nullptr, false},
                    ResolveCase{"MainProgram", nullptr, false}, ResolveCase{"", nullptr, false},
                    ResolveCase{"Counter.", nullptr, false}, ResolveCase{".Counter", nullptr, false},
                    ResolveCase{"Grid[x,1]", nullptr, false}, ResolveCase{"Grid[1,2", nullptr, false},
                    ResolveCase{"Grid]1[", nullptr, false}, ResolveCase{"Grid[1,]", nullptr, false},
                    ResolveCase{"Grid[-1,0]", nullptr, false}),
    [](const auto& row) { return "row" + std::to_string(row.index); });

TEST(ResolveFolding, MatchMustBeUnique) {
    handrecords::HandRecords records;
    const auto scope =
        records.list({records.record("abc", ZOLTC_LOGIX_TYPE_DINT), records.record("ABC", ZOLTC_LOGIX_TYPE_REAL)});
    EXPECT_FALSE(cli::resolveTagPath(span(scope), "Abc"));
    ASSERT_TRUE(cli::resolveTagPath(span(scope), "ABC"));
    EXPECT_EQ(cli::resolveTagPath(span(scope), "ABC")->typeName, "REAL");
}

} // namespace
