#include <gtest/gtest.h>

#include "HandRecords.hpp"
#include "TagFilter.hpp"
#include "TagNode.hpp"

namespace {

using clitest::HandRecords;
using cli::NodeKind;
using cli::TagNode;

std::vector<std::string> names(const std::vector<TagNode>& rows) {
    std::vector<std::string> result;
    for (const TagNode& row : rows) {
        result.push_back(row.name);
    }
    return result;
}

class TagRows : public testing::Test {
protected:
    std::vector<TagNode> sampleRows() {
        cli::RowBudget budget;
        return cli::makeScopeRows(records.sampleScope(), "", budget);
    }

    HandRecords records;
};

TEST_F(TagRows, ControllerScopeKeepsListOrderAndMakesProgramRows) {
    const auto rows = sampleRows();
    ASSERT_EQ(names(rows), (std::vector<std::string>{"Counter", "MainProgram", "Grid", "Tanks", "Msg"}));
    EXPECT_EQ(rows[0].path, "Counter");
    EXPECT_EQ(rows[0].typeName, "DINT");
    EXPECT_TRUE(rows[0].children.empty());
    EXPECT_EQ(rows[1].kind, NodeKind::Program);
    EXPECT_EQ(rows[1].path, "Program:MainProgram");
    EXPECT_FALSE(rows[1].browsed);
    EXPECT_EQ(rows[4].typeName, "STRING");
    EXPECT_TRUE(rows[4].isString);
}

TEST_F(TagRows, TwoDimensionalArrayRowsRunFirstIndexSlowestWithElementType) {
    const TagNode grid = sampleRows()[2];
    EXPECT_EQ(grid.typeName, "ARRAY");
    EXPECT_EQ(grid.dims, (std::vector<std::uint32_t>{2, 3}));
    EXPECT_EQ(names(grid.children), (std::vector<std::string>{"[0,0]", "[0,1]", "[0,2]", "[1,0]", "[1,1]", "[1,2]"}));
    for (const TagNode& element : grid.children) {
        EXPECT_EQ(element.kind, NodeKind::Element);
        EXPECT_EQ(element.path, "Grid" + element.name);
        EXPECT_EQ(element.type, clitest::kDint);
        EXPECT_EQ(element.typeName, "DINT");
        EXPECT_TRUE(element.dims.empty());
    }
}

TEST_F(TagRows, StructureArrayElementsCarryTheMembers) {
    const TagNode tanks = sampleRows()[3];
    EXPECT_EQ(tanks.typeName, "ARRAY");
    ASSERT_EQ(names(tanks.children), (std::vector<std::string>{"[0]", "[1]"}));
    const TagNode& second = tanks.children[1];
    EXPECT_EQ(second.typeName, "TANK");
    EXPECT_EQ(second.type, clitest::kTankStruct);
    ASSERT_EQ(names(second.children), (std::vector<std::string>{"Level", "Name"}));
    EXPECT_EQ(second.children[0].path, "Tanks[1].Level");
    EXPECT_EQ(second.children[0].kind, NodeKind::Member);
    EXPECT_EQ(second.children[0].typeName, "REAL");
    EXPECT_EQ(second.children[1].path, "Tanks[1].Name");
    EXPECT_TRUE(second.children[1].isString);
    // The STRING's own members, with DATA's elements below them.
    const TagNode& data = second.children[1].children[1];
    EXPECT_EQ(data.path, "Tanks[1].Name.DATA");
    EXPECT_EQ(data.children.size(), 82u);
    EXPECT_EQ(data.children.back().path, "Tanks[1].Name.DATA[81]");
    EXPECT_EQ(data.children.back().typeName, "SINT");
}

TEST_F(TagRows, ProgramScopePathsAndNoProgramRows) {
    cli::RowBudget budget;
    const auto list = records.list({records.record("Step", clitest::kDint),
                                    records.record("Odd", ZOLTC_LOGIX_TYPE_PROGRAM)});
    const auto rows = cli::makeScopeRows(list, "Program:Main", budget);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].path, "Program:Main.Step");
    EXPECT_EQ(rows[1].kind, NodeKind::Tag);
    EXPECT_EQ(rows[1].path, "Program:Main.Odd");
}

TEST_F(TagRows, ZeroSizedDimensionGivesNoElements) {
    cli::RowBudget budget;
    const auto row = cli::makeTagRow("", records.record("Empty", clitest::kDint | clitest::kTwoDims, {4, 0, 0}),
                                     NodeKind::Tag, budget);
    EXPECT_TRUE(row.children.empty());
    EXPECT_EQ(row.dims, (std::vector<std::uint32_t>{4, 0}));
}

TEST_F(TagRows, HugeArraysAreRefusedBeforeAllocating) {
    const std::uint16_t threeDims = clitest::kDint | 0x6000;
    for (const std::array<std::uint32_t, 3> dims :
         {std::array<std::uint32_t, 3>{1000, 1000, 2}, std::array<std::uint32_t, 3>{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}}) {
        cli::RowBudget budget;
        EXPECT_THROW(cli::makeTagRow("", records.record("Big", threeDims, dims), NodeKind::Tag, budget),
                     cli::TooManyRows);
    }
    // The limit counts every row made so far.
    cli::RowBudget budget;
    budget.take(cli::kMaxRows - 5);
    EXPECT_NO_THROW(cli::makeTagRow("", records.record("Four", clitest::kDint | clitest::kOneDim, {4, 0, 0}),
                                    NodeKind::Tag, budget));
    EXPECT_THROW(cli::makeTagRow("", records.record("One", clitest::kDint), NodeKind::Tag, budget),
                 cli::TooManyRows);
}

struct ContainsCase {
    const char* text;
    const char* needle;
    bool expected;
};

class ContainsIgnoreCase : public testing::TestWithParam<ContainsCase> {};

TEST_P(ContainsIgnoreCase, FoldsOnlyAsciiLetters) {
    const ContainsCase& c = GetParam();
    EXPECT_EQ(cli::containsIgnoreCase(c.text, c.needle), c.expected) << c.text << " / " << c.needle;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ContainsIgnoreCase,
    testing::Values(ContainsCase{"Counter", "count", true}, ContainsCase{"counter", "COUNT", true},
                    ContainsCase{"Program:Main.Step", "MAIN.st", true}, ContainsCase{"abc", "", true},
                    ContainsCase{"", "", true}, ContainsCase{"", "a", false}, ContainsCase{"ab", "abc", false},
                    ContainsCase{"Tank", "tanks", false}, ContainsCase{"xxTANKxx", "tank", true},
                    // Only A to Z fold: the bytes 0x20 apart outside the letters do not.
                    ContainsCase{"@", "`", false}, ContainsCase{"[1]", "{1}", false},
                    ContainsCase{"a_b", "A_B", true},
                    // UTF-8 letters compare as bytes: no folding of A-umlaut to a-umlaut.
                    ContainsCase{"\xC3\x84rger", "\xC3\xA4", false}, ContainsCase{"\xC3\x84RGER", "\xC3\x84r", true}));

class Filter : public TagRows {
protected:
    void SetUp() override {
        rows = sampleRows();
        // A listed program with one tag.
        cli::RowBudget budget;
        rows[1].children = cli::makeScopeRows(records.list({records.record("Step", clitest::kDint)}),
                                              rows[1].path, budget);
        rows[1].browsed = true;
    }

    void apply(const std::string& text) {
        for (TagNode& row : rows) {
            cli::applyFilter(row, text);
        }
    }

    std::vector<std::string> visibleTop() const {
        std::vector<std::string> result;
        for (const TagNode& row : rows) {
            if (row.visible) {
                result.push_back(row.name);
            }
        }
        return result;
    }

    std::vector<TagNode> rows;
};

TEST_F(Filter, RowShowsWhenItOrADescendantMatches) {
    apply("LEVEL");
    EXPECT_EQ(visibleTop(), (std::vector<std::string>{"Tanks"}));
    const TagNode& element = rows[3].children[0];
    EXPECT_TRUE(element.visible);
    EXPECT_TRUE(element.children[0].visible);   // Level
    EXPECT_FALSE(element.children[1].visible);  // Name
}

TEST_F(Filter, ElementPathsMatch) {
    apply("grid[1,2");
    EXPECT_EQ(visibleTop(), (std::vector<std::string>{"Grid"}));
    std::vector<std::string> shown;
    for (const TagNode& element : rows[2].children) {
        if (element.visible) {
            shown.push_back(element.path);
        }
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Grid[1,2]"}));
}

TEST_F(Filter, ProgramShowsThroughItsTagsPaths) {
    apply("program:main");
    EXPECT_EQ(visibleTop(), (std::vector<std::string>{"MainProgram"}));
    EXPECT_TRUE(rows[1].children[0].visible);
}

TEST_F(Filter, ProgramNameAloneDoesNotShowAnUnlistedProgram) {
    rows[1].children.clear();
    rows[1].browsed = false;
    apply("MainProgram");
    EXPECT_TRUE(visibleTop().empty());
}

TEST_F(Filter, EmptyTextShowsEveryRowAgain) {
    apply("zzz");
    EXPECT_TRUE(visibleTop().empty());
    apply("");
    EXPECT_EQ(visibleTop().size(), rows.size());
    const TagNode& data = rows[3].children[1].children[1].children[1];
    ASSERT_EQ(data.path, "Tanks[1].Name.DATA");
    EXPECT_TRUE(data.children.at(80).visible);
}

} // namespace
