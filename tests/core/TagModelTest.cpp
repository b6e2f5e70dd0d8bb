// The tag model the tree and quillon-cli share, on hand-made records.
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

// Only the declared dimensions are walked; an empty dimension has no elements.
TEST(TagRows, ElementsFirstIndexSlowestWithTheElementType) {
    const struct {
        int dimensions;
        std::array<std::uint32_t, 3> sizes;
        std::vector<std::string> names;
    } rows[] = {{1, {3, 0, 0}, {"[0]", "[1]", "[2]"}},
                {3, {2, 1, 2}, {"[0,0,0]", "[0,0,1]", "[1,0,0]", "[1,0,1]"}},
                {1, {2, 5, 5}, {"[0]", "[1]"}}, {2, {3, 0, 0}, {}}};
    HandRecords records;
    for (const auto& c : rows) {
        std::vector<std::string> names;
        for (const Row& row : childRows(records.record("Data", ZOLTC_LOGIX_TYPE_DINT | dims(c.dimensions), c.sizes), "P.Data")) {
            names.push_back(row.name);
            EXPECT_EQ(row.path, "P.Data" + row.name);
            EXPECT_EQ(row.type, ZOLTC_LOGIX_TYPE_DINT) << "an element is a scalar";
        }
        EXPECT_EQ(names, c.names);
    }
}

// A BOOL array's record carries and counts 32-bit words (DWORD): its rows are its bits.
// The filter keeps a row when it or a row below it matches, not past the row limit.
TEST(TagRows, BitsMembersTheRowLimitAndTheFilter) {
    HandRecords records;
    const auto bits = childRows(records.record("Inputs", ZOLTC_LOGIX_TYPE_DWORD | dims(1), {2, 0, 0}), "Inputs");
    ASSERT_EQ(bits.size(), 64u);
    EXPECT_EQ(bits[33], (Row{"[33]", "Inputs[33]", ZOLTC_LOGIX_TYPE_BOOL}));
    EXPECT_TRUE(std::all_of(bits.begin(), bits.end(), [](const Row& row) { return row.type == ZOLTC_LOGIX_TYPE_BOOL; }));

    const auto tanks = records.sampleScope().items[3]; // TANK[2]: Level REAL, Name STRING
    const auto elements = childRows(tanks, "Tanks");
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[1], (Row{"[1]", "Tanks[1]", handrecords::kTankStruct}));
    EXPECT_EQ(childRows(elementRecord(tanks), "Tanks[1]"),
              (std::vector<Row>{{"Level", "Tanks[1].Level", ZOLTC_LOGIX_TYPE_REAL},
                                {"Name", "Tanks[1].Name", handrecords::kStringStruct}}));
    EXPECT_EQ(memberPath(programPath("Main"), "Step"), "Program:Main.Step");
    for (const char* kept : {"", "TANK", "level", "tanks[1].na", "DATA[81]"}) {
        EXPECT_TRUE(filterKeeps("Tanks", "Tanks", tanks, kept)) << kept;
    }
    for (const char* dropped : {"DATA[82]", "Counter"}) {
        EXPECT_FALSE(filterKeeps("Tanks", "Tanks", tanks, dropped)) << dropped;
    }

    const auto big = records.record("Big", ZOLTC_LOGIX_TYPE_DINT | dims(1),
                                    {static_cast<std::uint32_t>(maxElementRows) + 400'000, 0, 0});
    EXPECT_EQ(shownElementCount(big), maxElementRows);
    EXPECT_EQ(omittedElementCount(big), 400'000u);
    const auto rows = childRows(big, "Big");
    ASSERT_EQ(rows.size(), maxElementRows);
    EXPECT_EQ(rows.back().name, "[" + std::to_string(maxElementRows - 1) + "]");
    EXPECT_TRUE(filterKeeps("Big", "Big", big, rows.back().name));
    EXPECT_FALSE(filterKeeps("Big", "Big", big, "[" + std::to_string(maxElementRows) + "]"));
    // Here only the last factor of 2 overflows.
    const auto huge = records.record("Huge", ZOLTC_LOGIX_TYPE_DINT | dims(3), {0xFFFFFFFF, 0x80000001, 2});
    EXPECT_EQ(shownElementCount(huge), maxElementRows);
    EXPECT_EQ(omittedElementCount(huge), std::numeric_limits<std::uint64_t>::max() - maxElementRows);
    EXPECT_EQ(omittedElementCount(records.record("Small", ZOLTC_LOGIX_TYPE_DINT | dims(1), {3, 0, 0})), 0u);
    EXPECT_EQ(shownElementCount(records.record("Scalar", ZOLTC_LOGIX_TYPE_DINT, {3, 0, 0})), 0u) << "no dimensions";
}

// Only A to Z fold: not the bytes 0x20 apart outside the letters, nor UTF-8 letters.
TEST(ContainsIgnoreCase, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(containsIgnoreCase("xxTANKxx", "tank"));
    const char* const unfolded[][2] = {{"@", "`"}, {"[1]", "{1}"}, {"\xC3\x84rger", "\xC3\xA4"}, {"Tank", "tanks"}};
    for (const auto& row : unfolded) {
        EXPECT_FALSE(containsIgnoreCase(row[0], row[1])) << row[0] << " / " << row[1];
    }
}

// A program entry is a scope, not a tag; malformed texts are left to the library to refuse.
TEST(Resolve, SplitsTheScopeAndWalksNamesAndIndices) {
    const auto scoped = splitScope("Program:Main.Step.Count[2]");
    ASSERT_TRUE(scoped);
    EXPECT_EQ(scoped->program, "Main");
    EXPECT_EQ(scoped->rest, "Step.Count[2]");
    EXPECT_EQ(splitScope("Tanks[1].Level")->program, "");
    EXPECT_FALSE(splitScope("Program:Main"));

    const struct {
        const char* path;
        const char* typeName;
        bool isString = false;
    } found[] = {{"COUNTER", "DINT"}, {"Grid", "ARRAY"}, {"Grid[1,2]", "DINT"}, {"Grid[1][2]", "DINT"},
                 {"Grid[ 1 , 2 ]", "DINT"}, {"Tanks[1]", "TANK"}, {"Tanks[1].Level", "REAL"},
                 {"Tanks[0].Name", "STRING", true}, {"Tanks[0].Name.DATA[81]", "SINT"}, {"Msg.LEN", "DINT"}};
    HandRecords records;
    const auto scope = handrecords::span(records.sampleScope());
    for (const auto& row : found) {
        const auto tag = resolveTagPath(scope, row.path);
        ASSERT_TRUE(tag.has_value()) << row.path;
        EXPECT_EQ(tag->typeName, row.typeName) << row.path;
        EXPECT_EQ(tag->isString, row.isString) << row.path;
    }
    for (const char* path : {"Grid[2,0]", "Grid[1]", "Counter[0]", "Tanks.Level", "Tanks[0].Missing", "MainProgram",
                             "", "Counter.", ".Counter", "Grid[x,1]", "Grid[1,2", "Grid[-1,0]"}) {
        EXPECT_FALSE(resolveTagPath(scope, path).has_value()) << path;
    }
    const auto folded =
        records.list({records.record("abc", ZOLTC_LOGIX_TYPE_DINT), records.record("ABC", ZOLTC_LOGIX_TYPE_REAL)});
    EXPECT_FALSE(resolveTagPath(handrecords::span(folded), "Abc"));
    EXPECT_EQ(resolveTagPath(handrecords::span(folded), "ABC").value_or(ResolvedTag{}).typeName, "REAL");
}

} // namespace
