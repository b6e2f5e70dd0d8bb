// The tag model the tree and quillon-cli share, on hand-made records: the rows below a
// tag (names, paths, order, element records), the element row limit, the filter, and
// the tag paths resolved against listed records.
#include "HandRecords.hpp"
#include "TagResolver.hpp"
#include "TagRows.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
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
    // Past 2^64 the count saturates: here only the last factor of 2 overflows.
    const auto huge = records.record("Huge", ZOLTC_LOGIX_TYPE_DINT | dims(3), {0xFFFFFFFF, 0x80000001, 2});
    EXPECT_EQ(shownElementCount(huge), maxElementRows);
    EXPECT_EQ(omittedElementCount(huge), std::numeric_limits<std::uint64_t>::max() - maxElementRows);
    EXPECT_EQ(omittedElementCount(records.record("Small", ZOLTC_LOGIX_TYPE_DINT | dims(1), {3, 0, 0})), 0u);
    EXPECT_EQ(shownElementCount(records.record("Scalar", ZOLTC_LOGIX_TYPE_DINT, {3, 0, 0})), 0u) << "no dimensions";
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

TEST(SplitScope, ProgramPrefixNamesTheScope) {
    const auto scoped = splitScope("Program:Main.Step.Count[2]");
    ASSERT_TRUE(scoped);
    EXPECT_EQ(scoped->program, "Main");
    EXPECT_EQ(scoped->rest, "Step.Count[2]");
    EXPECT_EQ(splitScope("Tanks[1].Level")->program, "");
    EXPECT_FALSE(splitScope("Program:Main"));
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
    const auto tag = resolveTagPath(handrecords::span(records.sampleScope()), GetParam().path);
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
    EXPECT_FALSE(resolveTagPath(handrecords::span(scope), "Abc"));
    ASSERT_TRUE(resolveTagPath(handrecords::span(scope), "ABC"));
    EXPECT_EQ(resolveTagPath(handrecords::span(scope), "ABC")->typeName, "REAL");
}

} // namespace
