// The tag model the tree and quillon-cli share, on hand-made records: the rows below a
// tag (names, paths, order, element records), the element row limit, and the filter.
#include "HandRecords.hpp"
#include "TagRows.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using handrecords::dims;
using handrecords::HandRecords;

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

struct ElementCase {
    const char* label;
    int dimensions;
    std::array<std::uint32_t, 3> sizes;
    std::vector<std::string> names;
};

void PrintTo(const ElementCase& row, std::ostream* out) {
    *out << row.label;
}

class ElementRows : public testing::TestWithParam<ElementCase> {};

TEST_P(ElementRows, FirstIndexSlowestWithTheElementType) {
    const ElementCase& c = GetParam();
    HandRecords records;
    const auto rows = childRows(records.record("Data", ZOLTC_LOGIX_TYPE_DINT | dims(c.dimensions), c.sizes), "P.Data");
    std::vector<std::string> names;
    for (const Row& row : rows) {
        names.push_back(row.name);
        EXPECT_EQ(row.path, "P.Data" + row.name);
        EXPECT_EQ(row.type, ZOLTC_LOGIX_TYPE_DINT) << "an element is a scalar";
    }
    EXPECT_EQ(names, c.names);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ElementRows,
    testing::Values(ElementCase{"one", 1, {3, 0, 0}, {"[0]", "[1]", "[2]"}},
                    ElementCase{"two", 2, {2, 3, 0}, {"[0,0]", "[0,1]", "[0,2]", "[1,0]", "[1,1]", "[1,2]"}},
                    ElementCase{"three", 3, {2, 1, 2}, {"[0,0,0]", "[0,0,1]", "[1,0,0]", "[1,0,1]"}},
                    // Only the declared dimensions are walked.
                    ElementCase{"declaredOnly", 1, {2, 5, 5}, {"[0]", "[1]"}},
                    ElementCase{"emptyFirst", 1, {0, 0, 0}, {}}, ElementCase{"emptyLast", 2, {3, 0, 0}, {}}),
    [](const auto& param) { return std::string(param.param.label); });

// A BOOL array's record carries and counts 32-bit words (DWORD): its rows are its bits.
TEST(TagRows, BoolArrayElementsAreBits) {
    HandRecords records;
    const auto rows = childRows(records.record("Inputs", ZOLTC_LOGIX_TYPE_DWORD | dims(1), {2, 0, 0}), "Inputs");
    ASSERT_EQ(rows.size(), 64u);
    EXPECT_EQ(rows[33], (Row{"[33]", "Inputs[33]", ZOLTC_LOGIX_TYPE_BOOL}));
    EXPECT_TRUE(std::all_of(rows.begin(), rows.end(), [](const Row& row) { return row.type == ZOLTC_LOGIX_TYPE_BOOL; }));
}

TEST(TagRows, MembersJoinWithADotAndElementsOfStructuresCarryThem) {
    HandRecords records;
    const auto tanks = records.sampleScope().items[3]; // TANK[2]: Level REAL, Name STRING
    const auto elements = childRows(tanks, "Tanks");
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[1], (Row{"[1]", "Tanks[1]", handrecords::kTankStruct}));
    EXPECT_EQ(childRows(elementRecord(tanks), "Tanks[1]"),
              (std::vector<Row>{{"Level", "Tanks[1].Level", ZOLTC_LOGIX_TYPE_REAL},
                                {"Name", "Tanks[1].Name", handrecords::kStringStruct}}));
    EXPECT_EQ(memberPath(programPath("Main"), "Step"), "Program:Main.Step");
    EXPECT_EQ(memberPath("", "Counter"), "Counter");
}

TEST(TagRows, AnArrayGivesAtMostTheLimitAndCountsTheRest) {
    HandRecords records;
    const auto big = records.record("Big", ZOLTC_LOGIX_TYPE_DINT | dims(1),
                                    {static_cast<std::uint32_t>(maxElementRows) + 400'000, 0, 0});
    EXPECT_EQ(shownElementCount(big), maxElementRows);
    EXPECT_EQ(omittedElementCount(big), 400'000u);
    const auto rows = childRows(big, "Big");
    ASSERT_EQ(rows.size(), maxElementRows);
    EXPECT_EQ(rows.back().name, "[" + std::to_string(maxElementRows - 1) + "]");
    // Three dimensions of 2^32 - 1 overflow 64 bits: the count saturates.
    const auto huge = records.record("Huge", ZOLTC_LOGIX_TYPE_DINT | dims(3), {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});
    EXPECT_EQ(shownElementCount(huge), maxElementRows);
    EXPECT_GT(omittedElementCount(huge), 0xFFFFFFFFull * 0xFFFFFFFFull - maxElementRows);
    EXPECT_EQ(omittedElementCount(records.record("Small", ZOLTC_LOGIX_TYPE_DINT | dims(1), {3, 0, 0})), 0u);
}

struct ContainsCase {
    const char* text;
    const char* needle;
    bool expected;
};

void PrintTo(const ContainsCase& row, std::ostream* out) {
    *out << row.text << " / " << row.needle;
}

class ContainsIgnoreCase : public testing::TestWithParam<ContainsCase> {};

TEST_P(ContainsIgnoreCase, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(containsIgnoreCase(GetParam().text, GetParam().needle), GetParam().expected);
}

// Only A to Z fold: the bytes 0x20 apart outside the letters do not, nor UTF-8 letters.
INSTANTIATE_TEST_SUITE_P(
    Table, ContainsIgnoreCase,
    testing::Values(ContainsCase{"Program:Main.Step", "MAIN.st", true}, ContainsCase{"", "", true},
                    ContainsCase{"", "a", false}, ContainsCase{"ab", "abc", false}, ContainsCase{"xxTANKxx", "tank", true},
                    ContainsCase{"Tank", "tanks", false}, ContainsCase{"@", "`", false},
                    ContainsCase{"[1]", "{1}", false}, ContainsCase{"\xC3\x84rger", "\xC3\xA4", false}),
    [](const auto& param) { return "row" + std::to_string(param.index); });

struct FilterCase {
    const char* label;
    const char* needle;
    bool kept;
};

void PrintTo(const FilterCase& row, std::ostream* out) {
    *out << row.label;
}

class Filter : public testing::TestWithParam<FilterCase> {};

// The row "Tanks" (TANK[2]) of the sample scope, kept or not by the needle.
TEST_P(Filter, KeepsARowWhenItOrARowBelowItMatches) {
    HandRecords records;
    EXPECT_EQ(filterKeeps("Tanks", "Tanks", records.sampleScope().items[3], GetParam().needle), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Filter,
    testing::Values(FilterCase{"empty", "", true}, FilterCase{"ownName", "TANK", true},
                    FilterCase{"member", "level", true}, FilterCase{"elementPath", "tanks[1].na", true},
                    FilterCase{"deepElement", "DATA[81]", true}, FilterCase{"pastTheLastElement", "DATA[82]", false},
                    FilterCase{"elsewhere", "Counter", false}),
    [](const auto& param) { return std::string(param.param.label); });

TEST(Filter, ElementsPastTheLimitAreNotSearched) {
    HandRecords records;
    const auto big = records.record("Big", ZOLTC_LOGIX_TYPE_DINT | dims(1),
                                    {static_cast<std::uint32_t>(maxElementRows) + 1, 0, 0});
    EXPECT_TRUE(filterKeeps("Big", "Big", big, "[" + std::to_string(maxElementRows - 1) + "]"));
    EXPECT_FALSE(filterKeeps("Big", "Big", big, "[" + std::to_string(maxElementRows) + "]"));
}

} // namespace
