#include <gtest/gtest.h>

#include "HandRecords.hpp"
#include "TagResolver.hpp"

namespace {

TEST(SplitScope, ProgramPrefixNamesTheScope) {
    const auto scoped = splitScope("Program:Main.Step.Count[2]");
    ASSERT_TRUE(scoped);
    EXPECT_EQ(scoped->program, "Main");
    EXPECT_EQ(scoped->rest, "Step.Count[2]");

    const auto controller = splitScope("Tanks[1].Level");
    ASSERT_TRUE(controller);
    EXPECT_EQ(controller->program, "");
    EXPECT_EQ(controller->rest, "Tanks[1].Level");

    EXPECT_FALSE(splitScope("Program:Main"));
}

struct ResolveCase {
    const char* path;
    bool found;
    std::uint16_t type;
    const char* typeName;
    bool isString;
};

class Resolve : public testing::TestWithParam<ResolveCase> {
protected:
    handrecords::HandRecords records;
};

TEST_P(Resolve, WalksNamesAndIndices) {
    const ResolveCase& c = GetParam();
    const auto tag = resolveTagPath(handrecords::span(records.sampleScope()), c.path);
    ASSERT_EQ(tag.has_value(), c.found) << c.path;
    if (tag) {
        EXPECT_EQ(tag->type, c.type) << c.path;
        EXPECT_EQ(tag->typeName, c.typeName) << c.path;
        EXPECT_EQ(tag->isString, c.isString) << c.path;
    }
}

using handrecords::kDint;
using handrecords::kReal;
using handrecords::kStringStruct;
using handrecords::kTankStruct;

INSTANTIATE_TEST_SUITE_P(
    Paths, Resolve,
    testing::Values(ResolveCase{"Counter", true, kDint, "DINT", false},
                    ResolveCase{"COUNTER", true, kDint, "DINT", false},
                    ResolveCase{"Grid", true, kDint | 0x4000, "ARRAY", false},
                    ResolveCase{"Grid[1,2]", true, kDint, "DINT", false},
                    ResolveCase{"Grid[1][2]", true, kDint, "DINT", false},
                    ResolveCase{"Grid[ 1 , 2 ]", true, kDint, "DINT", false},
                    ResolveCase{"Tanks[1]", true, kTankStruct, "TANK", false},
                    ResolveCase{"Tanks[1].Level", true, kReal, "REAL", false},
                    ResolveCase{"Tanks[0].Name", true, kStringStruct, "STRING", true},
                    ResolveCase{"Tanks[0].Name.DATA[81]", true, 0x00C2, "SINT", false},
                    ResolveCase{"Msg", true, kStringStruct, "STRING", true},
                    ResolveCase{"Msg.LEN", true, kDint, "DINT", false},
                    // Out of range, wrong index count, a member of the whole array.
                    ResolveCase{"Grid[2,0]", false, 0, "", false}, ResolveCase{"Grid[1]", false, 0, "", false},
                    ResolveCase{"Grid[1,2,0]", false, 0, "", false},
                    ResolveCase{"Counter[0]", false, 0, "", false},
                    ResolveCase{"Tanks.Level", false, 0, "", false},
                    ResolveCase{"Tanks[0].Missing", false, 0, "", false},
                    ResolveCase{"Missing", false, 0, "", false},
                    // A program entry is a scope, not a tag.
                    ResolveCase{"MainProgram", false, 0, "", false},
                    // Malformed texts are left to the library to refuse.
                    ResolveCase{"", false, 0, "", false}, ResolveCase{"Counter.", false, 0, "", false},
                    ResolveCase{".Counter", false, 0, "", false}, ResolveCase{"Grid[x,1]", false, 0, "", false},
                    ResolveCase{"Grid[1,2", false, 0, "", false}, ResolveCase{"Grid]1[", false, 0, "", false},
                    ResolveCase{"Grid[1,]", false, 0, "", false}, ResolveCase{"Grid[-1,0]", false, 0, "", false}));

TEST(ResolveFolding, MatchMustBeUnique) {
    handrecords::HandRecords records;
    const auto scope = records.list({records.record("abc", handrecords::kDint), records.record("ABC", handrecords::kReal)});
    EXPECT_FALSE(resolveTagPath(handrecords::span(scope), "Abc"));
    ASSERT_TRUE(resolveTagPath(handrecords::span(scope), "ABC"));
    EXPECT_EQ(resolveTagPath(handrecords::span(scope), "ABC")->typeName, "REAL");
}

} // namespace
