// Tag path texts into request path bytes: every accepted form with its exact
// bytes, and every rejection with its code.
#include <gtest/gtest.h>

#include <string>

#include "label_name.hpp"
#include "read_test_util.hpp"

namespace {

using readtest::Bytes;
using readtest::join;
using readtest::hex;
using readtest::text;
using readtest::toHex;

// A symbolic segment for `name`, padded to an even length.
Bytes symbol(const std::string& name) {
  Bytes out{0x91, static_cast<uint8_t>(name.size())};
  for (char c : name) {
    out.push_back(static_cast<uint8_t>(c));
  }
  if (name.size() % 2 != 0) {
    out.push_back(0);
  }
  return out;
}

class TagPath : public ::testing::Test {
 protected:
  void TearDown() override { zoltc_logix_path_free(&path); }

  zoltc_logix_result encode(const std::string& text) {
    return zoltc_logix_encode_tag_path(text.c_str(), &path);
  }
  Bytes bytes() const { return Bytes(path.data, path.data + path.length); }

  zoltc_logix_path path{};
};

struct Accepted {
  friend void PrintTo(const Accepted& row, std::ostream* os) { *os << row.label; }
  const char* label;
  std::string text;
  Bytes expected;
};

class TagPathAccepted : public TagPath, public ::testing::WithParamInterface<Accepted> {};

TEST_P(TagPathAccepted, EncodesExactBytes) {
  const Accepted& row = GetParam();
  ASSERT_EQ(encode(row.text), ZOLTC_LOGIX_OK);
  EXPECT_EQ(toHex(bytes()), toHex(row.expected));
}

const std::string name255(255, 'n');

INSTANTIATE_TEST_SUITE_P(
    Table, TagPathAccepted,
    ::testing::Values(
        Accepted{"OddNamePadded", "Counter", hex("91 07 43 6F 75 6E 74 65 72 00")},
        Accepted{"EvenNameUnpadded", "Data", hex("91 04 44 61 74 61")},
        Accepted{"IndexOneByte", "Data[5]", join({symbol("Data"), hex("28 05")})},
        Accepted{"IndexZero", "Data[0]", join({symbol("Data"), hex("28 00")})},
        Accepted{"Index255", "Data[255]", join({symbol("Data"), hex("28 FF")})},
        Accepted{"Index256", "Data[256]", join({symbol("Data"), hex("29 00 00 01")})},
        Accepted{"Index300", "Data[300]", join({symbol("Data"), hex("29 00 2C 01")})},
        Accepted{"Index65535", "Data[65535]", join({symbol("Data"), hex("29 00 FF FF")})},
        Accepted{"Index65536", "Data[65536]", join({symbol("Data"), hex("2A 00 00 00 01 00")})},
        Accepted{"Index70000", "Data[70000]", join({symbol("Data"), hex("2A 00 70 11 01 00")})},
        Accepted{"IndexMax", "a[4294967295]", join({symbol("a"), hex("2A 00 FF FF FF FF")})},
        Accepted{"LeadingZeros", "a[007]", join({symbol("a"), hex("28 07")})},
        Accepted{"Member", "Tank.Level", join({symbol("Tank"), symbol("Level")})},
        Accepted{"ElementThenMember", "Tanks[2].Level",
                 join({symbol("Tanks"), hex("28 02"), symbol("Level")})},
        Accepted{"BlanksAroundIndices", "a[ 1 , 2 ]", join({symbol("a"), hex("28 01 28 02")})},
        Accepted{"IndexList", "a[1,2]", join({symbol("a"), hex("28 01 28 02")})},
        Accepted{"BracketGroups", "a[1][2]", join({symbol("a"), hex("28 01 28 02")})},
        Accepted{"EveryBlankKind", "a[\t1\n,\v2\f,\r3 ]",
                 join({symbol("a"), hex("28 01 28 02 28 03")})},
        Accepted{"ThreeDimensions", "Grid[1,2000,70000]",
                 join({symbol("Grid"), hex("28 01 29 00 D0 07 2A 00 70 11 01 00")})},
        Accepted{"ProgramScope", "Program:Main.Counter",
                 join({symbol("Program:Main"), symbol("Counter")})},
        Accepted{"DeepMembers", "a[1].b.c[2,3].d",
                 join({symbol("a"), hex("28 01"), symbol("b"), symbol("c"), hex("28 02 28 03"),
                         symbol("d")})},
        Accepted{"LeadingSpaceKept", " a", join({hex("91 02"), text(" a")})},
        Accepted{"TrailingSpaceKept", "a [1]", join({hex("91 02"), text("a "), hex("28 01")})},
        Accepted{"Name255", name255, symbol(name255)},
        Accepted{"Name255AsMember", "a." + name255, join({symbol("a"), symbol(name255)})}),
    quillon::testing::LabelName{});

struct Rejected {
  friend void PrintTo(const Rejected& row, std::ostream* os) { *os << row.label; }
  const char* label;
  std::string text;
  zoltc_logix_result expected;
};

class TagPathRejected : public TagPath, public ::testing::WithParamInterface<Rejected> {};

TEST_P(TagPathRejected, GivesItsCode) {
  const Rejected& row = GetParam();
  EXPECT_EQ(encode(row.text), row.expected) << '"' << row.text << '"';
}

constexpr zoltc_logix_result kInvalid = ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;

INSTANTIATE_TEST_SUITE_P(
    Table, TagPathRejected,
    ::testing::Values(
        Rejected{"Empty", "", kInvalid}, Rejected{"Spaces", "   ", kInvalid},
        Rejected{"OnlyBlanks", " \t\n\v\f\r", kInvalid},
        Rejected{"EmptyBrackets", "a[]", kInvalid}, Rejected{"BlankBrackets", "a[ ]", kInvalid},
        Rejected{"TrailingComma", "a[1,]", kInvalid}, Rejected{"LeadingComma", "a[,1]", kInvalid},
        Rejected{"Negative", "a[-1]", kInvalid}, Rejected{"Plus", "a[+1]", kInvalid},
        Rejected{"Hexadecimal", "a[0x1]", kInvalid},
        Rejected{"Index2Pow32", "a[4294967296]", kInvalid},
        Rejected{"IndexHuge", "a[99999999999999999999]", kInvalid},
        Rejected{"BlankInsideIndex", "a[1 2]", kInvalid},
        Rejected{"TextAfterBracket", "a[1]b", kInvalid},
        Rejected{"BlankBetweenGroups", "a[1] [2]", kInvalid},
        Rejected{"TrailingDot", "a.", kInvalid}, Rejected{"LeadingDot", ".a", kInvalid},
        Rejected{"DoubleDot", "a..b", kInvalid}, Rejected{"OnlyDot", ".", kInvalid},
        Rejected{"StrayClose", "a]", kInvalid}, Rejected{"ExtraClose", "a[1]]", kInvalid},
        Rejected{"Unclosed", "a[1", kInvalid}, Rejected{"NestedOpen", "a[[1]]", kInvalid},
        Rejected{"DotInsideBrackets", "a[1.2]", kInvalid},
        Rejected{"NoName", "[1]", kInvalid}, Rejected{"BlankName", " [1]", kInvalid},
        Rejected{"MemberWithoutName", "a.[1]", kInvalid},
        Rejected{"BlankMember", "a. .b", kInvalid},
        Rejected{"Name256", std::string(256, 'n'), ZOLTC_LOGIX_ERR_TOO_LARGE},
        Rejected{"Name256AsMember", "a." + std::string(256, 'n'), ZOLTC_LOGIX_ERR_TOO_LARGE},
        Rejected{"Name256WithIndex", std::string(256, 'n') + "[1]", ZOLTC_LOGIX_ERR_TOO_LARGE},
        Rejected{"BlankName256", std::string(256, ' ') + "[1]", kInvalid}),
    quillon::testing::LabelName{});

TEST_F(TagPath, NullArgumentsAreRejected) {
  EXPECT_EQ(zoltc_logix_encode_tag_path("a", nullptr), kInvalid);
  ASSERT_EQ(encode("Counter"), ZOLTC_LOGIX_OK);
  EXPECT_EQ(zoltc_logix_encode_tag_path(nullptr, &path), kInvalid);
  EXPECT_EQ(path.length, 0u) << "the builder is set empty even for a null text";
}

TEST_F(TagPath, ReusedBuilderHoldsOnlyTheNewPath) {
  ASSERT_EQ(encode("A_rather_long_tag_name.With.Members[1,2,3]"), ZOLTC_LOGIX_OK);
  ASSERT_EQ(encode("b"), ZOLTC_LOGIX_OK);
  EXPECT_EQ(toHex(bytes()), toHex(symbol("b")));
}

TEST_F(TagPath, FailureAfterAGoodComponentKeepsNoLaterSegments) {
  EXPECT_EQ(encode("Tank.Level[x]"), kInvalid);
  // Whatever the builder holds, it never holds anything past the failing component's name.
  Bytes held = bytes();
  Bytes upToName = join({symbol("Tank"), symbol("Level")});
  EXPECT_LE(held.size(), upToName.size());
  EXPECT_TRUE(std::equal(held.begin(), held.end(), upToName.begin()));
}

}  // namespace
