// The tag model the tree and quillon-cli share, on hand-made records: the rows below a
// tag (names, paths, order, element records), the element row limit, and the filter.
#include <gtest/gtest.h>

#include "HandRecords.hpp"
#include "TagRows.hpp"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using handrecords::HandRecords;
using handrecords::kDint;
using handrecords::kOneDim;
using handrecords::kReal;
using handrecords::kTwoDims;
constexpr std::uint16_t kThreeDims = 0x6000;

struct Row {
    std::string name;
    std::string path;
    std::uint16_t type;
    bool operator==(const Row&) const = default;
};

std::vector<Row> childRows(const zoltc_logix_tag_info& record, std::string path) {
    std::vector<Row> rows;
    anyChildRow(record, path, [&](std::string_view name, std::string_view rowPath, const zoltc_logix_tag_info& child) {
        rows.push_back(Row{std::string(name), std::string(rowPath), child.type});
        return false;
    });
    return rows;
}

std::vector<std::string> names(const std::vector<Row>& rows) {
    std::vector<std::string> result;
    for (const Row& row : rows) {
        result.push_back(row.name);
    }
    return result;
}

struct ElementCase {
    const char* label;
    std::uint16_t dimensionBits;
    std::array<std::uint32_t, 3> dims;
    std::vector<std::string> names;
};

class ElementRows : public testing::TestWithParam<ElementCase> {};

TEST_P(ElementRows, FirstIndexSlowestWithTheElementType) {
    const ElementCase& c = GetParam();
    HandRecords records;
    const auto rows = childRows(records.record("Data", static_cast<std::uint16_t>(kDint | c.dimensionBits), c.dims),
                                "Program:P.Data");
    ASSERT_EQ(names(rows), c.names);
    for (const Row& row : rows) {
        EXPECT_EQ(row.path, "Program:P.Data" + row.name);
        EXPECT_EQ(row.type, kDint) << "an element is a scalar";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ElementRows,
    testing::Values(ElementCase{"one", kOneDim, {3, 0, 0}, {"[0]", "[1]", "[2]"}},
                    ElementCase{"two", kTwoDims, {2, 3, 0}, {"[0,0]", "[0,1]", "[0,2]", "[1,0]", "[1,1]", "[1,2]"}},
                    ElementCase{"three", kThreeDims, {2, 1, 2}, {"[0,0,0]", "[0,0,1]", "[1,0,0]", "[1,0,1]"}},
                    // Only the declared dimensions are walked.
                    ElementCase{"declaredOnly", kOneDim, {2, 5, 5}, {"[0]", "[1]"}},
                    ElementCase{"emptyFirst", kOneDim, {0, 0, 0}, {}},
                    ElementCase{"emptyLast", kTwoDims, {3, 0, 0}, {}}),
    [](const testing::TestParamInfo<ElementCase>& param) { return std::string(param.param.label); });

// A BOOL array's record carries and counts 32-bit words (0xD3): its rows are its bits.
// A BOOL[40] is held, and listed, as two words: 64 bits.
TEST(TagRows, BoolArrayElementsAreBits) {
    HandRecords records;
    const auto rows = childRows(records.record("Inputs", static_cast<std::uint16_t>(0xD3 | kOneDim), {2, 0, 0}), "Inputs");
    ASSERT_EQ(rows.size(), 64u);
    EXPECT_EQ(rows[33], (Row{"[33]", "Inputs[33]", 0xC1}));
    EXPECT_TRUE(std::all_of(rows.begin(), rows.end(), [](const Row& row) { return row.type == 0xC1; }));
}

TEST(TagRows, MembersJoinWithADotAndElementsOfStructuresCarryThem) {
    HandRecords records;
    const auto tanks = records.sampleScope().items[3]; // TANK[2]: Level REAL, Name STRING
    const auto elements = childRows(tanks, "Tanks");
    ASSERT_EQ(names(elements), (std::vector<std::string>{"[0]", "[1]"}));
    EXPECT_EQ(elements[1].type, handrecords::kTankStruct);
    const auto members = childRows(elementRecord(tanks), "Tanks[1]");
    EXPECT_EQ(members, (std::vector<Row>{{"Level", "Tanks[1].Level", kReal},
                                         {"Name", "Tanks[1].Name", handrecords::kStringStruct}}));
    EXPECT_EQ(programPath("Main"), "Program:Main");
    EXPECT_EQ(memberPath(programPath("Main"), "Step"), "Program:Main.Step");
    EXPECT_EQ(memberPath("", "Counter"), "Counter");
}

TEST(TagRows, AnArrayGivesAtMostTheLimitAndCountsTheRest) {
    HandRecords records;
    const auto big = records.record("Big", kDint | kOneDim, {static_cast<std::uint32_t>(maxElementRows) + 400'000, 0, 0});
    EXPECT_EQ(shownElementCount(big), maxElementRows);
    EXPECT_EQ(omittedElementCount(big), 400'000u);
    const auto rows = childRows(big, "Big");
    ASSERT_EQ(rows.size(), maxElementRows);
    EXPECT_EQ(rows.back().name, "[" + std::to_string(maxElementRows - 1) + "]");

    // Three dimensions of 2^32 - 1 overflow 64 bits: the count saturates.
    const auto huge = records.record("Huge", kDint | kThreeDims, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});
    EXPECT_EQ(shownElementCount(huge), maxElementRows);
    EXPECT_GT(omittedElementCount(huge), 0xFFFFFFFFull * 0xFFFFFFFFull - maxElementRows);
    EXPECT_EQ(omittedElementCount(records.record("Small", kDint | kOneDim, {3, 0, 0})), 0u);
}

struct ContainsCase {
    const char* text;
    const char* needle;
    bool expected;
};

class ContainsIgnoreCase : public testing::TestWithParam<ContainsCase> {};

TEST_P(ContainsIgnoreCase, FoldsOnlyAsciiLetters) {
    const ContainsCase& c = GetParam();
    EXPECT_EQ(containsIgnoreCase(c.text, c.needle), c.expected) << c.text << " / " << c.needle;
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

struct FilterCase {
    const char* label;
    const char* needle;
    bool kept;
};

class Filter : public testing::TestWithParam<FilterCase> {};

// The row "Tanks" (TANK[2]) of the sample scope, kept or not by the needle.
TEST_P(Filter, KeepsARowWhenItOrARowBelowItMatches) {
    HandRecords records;
    const auto tanks = records.sampleScope().items[3];
    EXPECT_EQ(filterKeeps("Tanks", "Tanks", tanks, GetParam().needle), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Filter,
    testing::Values(FilterCase{"empty", "", true}, FilterCase{"ownName", "TANK", true},
                    FilterCase{"member", "level", true}, FilterCase{"elementPath", "tanks[1].na", true},
                    FilterCase{"deepElement", "DATA[81]", true}, FilterCase{"pastTheLastElement", "DATA[82]", false},
                    FilterCase{"elsewhere", "Counter", false}),
    [](const testing::TestParamInfo<FilterCase>& param) { return std::string(param.param.label); });

TEST(Filter, ElementsPastTheLimitAreNotSearched) {
    HandRecords records;
    const auto big = records.record("Big", kDint | kOneDim, {static_cast<std::uint32_t>(maxElementRows) + 1, 0, 0});
    const std::string last = "[" + std::to_string(maxElementRows - 1) + "]";
    const std::string cut = "[" + std::to_string(maxElementRows) + "]";
    EXPECT_TRUE(filterKeeps("Big", "Big", big, last));
    EXPECT_FALSE(filterKeeps("Big", "Big", big, cut));
}

} // namespace
