// Type names and value texts that the tree, the inspector and quillon-cli show.
#include "Printable.hpp"
#include "TagDisplay.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace {

struct NameRow {
    const char* what;
    unsigned type;
    const char* typeName;
    const char* expected;
};

void PrintTo(const NameRow& row, std::ostream* out) {
    *out << row.what;
}

class TagTypeName : public testing::TestWithParam<NameRow> {};

TEST_P(TagTypeName, NamesTheRecord) {
    zoltc_logix_tag_info info{};
    info.type = static_cast<std::uint16_t>(GetParam().type);
    info.type_name = const_cast<char*>(GetParam().typeName); // never written through
    EXPECT_EQ(tagTypeName(info), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TagTypeName,
    testing::Values(NameRow{"firstAtomic", 0xC1, nullptr, "BOOL"}, NameRow{"lastBeforeTheGap", 0xCB, nullptr, "LREAL"},
                    NameRow{"gapStart", 0xCC, nullptr, "UNKNOWN"}, NameRow{"gapEnd", 0xD0, nullptr, "UNKNOWN"},
                    NameRow{"firstAfterTheGap", 0xD1, nullptr, "BYTE"}, NameRow{"lastAtomic", 0xD4, nullptr, "LWORD"},
                    NameRow{"belowTheTable", 0xC0, nullptr, "UNKNOWN"}, NameRow{"aboveTheTable", 0xD5, nullptr, "UNKNOWN"},
                    NameRow{"bits8To11Ignored", 0x0AC4, nullptr, "DINT"}, NameRow{"systemBit", 0x10C4, nullptr, "DINT"},
                    NameRow{"threeDimensions", 0x60C4, nullptr, "ARRAY"},
                    NameRow{"arrayOfStrings", 0xA0CE, "STRING", "ARRAY"}, NameRow{"string", 0x8FCE, "STRING", "STRING"},
                    NameRow{"userType", 0x8234, "Motor", "Motor"}, NameRow{"caseKept", 0x8234, "string", "string"},
                    NameRow{"structWithoutName", 0x8234, nullptr, "STRUCT"},
                    NameRow{"structWithEmptyName", 0x9234, "", "STRUCT"}),
    [](const auto& row) { return std::string(row.param.what); });

struct FullNameRow {
    const char* what;
    unsigned type;
    std::array<std::uint32_t, 3> dims;
    const char* typeName;
    const char* expected;
};

void PrintTo(const FullNameRow& row, std::ostream* out) {
    *out << row.what;
}

class TagFullTypeName : public testing::TestWithParam<FullNameRow> {};

TEST_P(TagFullTypeName, GivesTheElementTypeAndDimensions) {
    zoltc_logix_tag_info info{};
    info.type = static_cast<std::uint16_t>(GetParam().type);
    std::copy(GetParam().dims.begin(), GetParam().dims.end(), info.dims);
    info.type_name = GetParam().typeName;
    EXPECT_EQ(tagFullTypeName(info), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TagFullTypeName,
    testing::Values(FullNameRow{"scalar", 0xC4, {}, nullptr, "DINT"},
                    FullNameRow{"twoDimensions", 0x40C4, {10, 4, 0}, nullptr, "DINT[10,4]"},
                    FullNameRow{"threeDimensions", 0x60C3, {2, 3, 4}, nullptr, "INT[2,3,4]"},
                    FullNameRow{"structureArray", 0xA234, {20, 0, 0}, "MOTOR_UDT", "MOTOR_UDT[20]"},
                    FullNameRow{"string", 0x8FCE, {}, "STRING", "STRING"},
                    FullNameRow{"stringArray", 0xAFCE, {5, 0, 0}, "STRING", "STRING[5]"},
                    FullNameRow{"boolArrayCountsBits", 0x20D3, {2, 0, 0}, nullptr, "BOOL[64]"}),
    [](const auto& row) { return std::string(row.param.what); });

template <typename T>
std::array<std::uint8_t, 8> bytesOf(T value) {
    std::array<std::uint8_t, 8> bytes{};
    std::memcpy(bytes.data(), &value, sizeof value); // the test host is little-endian
    return bytes;
}

constexpr std::array<std::uint8_t, 8> ff = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
// Bytes beyond a type's width must not leak into its value.
constexpr std::array<std::uint8_t, 8> lowFF = {0xFF, 0xFF, 0x7F, 0x01, 0x02, 0x03, 0x04, 0x05};

struct ValueRow {
    const char* what;
    std::array<std::uint8_t, 8> value;
    std::uint8_t code;
    const char* expected;
};

void PrintTo(const ValueRow& row, std::ostream* out) {
    *out << row.what;
}

class FormatTagValue : public testing::TestWithParam<ValueRow> {};

TEST_P(FormatTagValue, WritesTheText) {
    EXPECT_EQ(formatTagValue(GetParam().value, GetParam().code), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatTagValue,
    testing::Values(ValueRow{"boolOne", {1}, 0xC1, "true"}, ValueRow{"boolTwoIsFalse", {2}, 0xC1, "false"},
                    ValueRow{"sint", ff, 0xC2, "-1"}, ValueRow{"intFromTwoBytes", lowFF, 0xC3, "-1"},
                    ValueRow{"dintFromFourBytes", lowFF, 0xC4, "25165823"},
                    ValueRow{"lintMinimum", bytesOf(std::numeric_limits<std::int64_t>::min()), 0xC5,
                             "-9223372036854775808"},
                    ValueRow{"usint", ff, 0xC6, "255"}, ValueRow{"byte", ff, 0xD1, "255"},
                    ValueRow{"uint", ff, 0xC7, "65535"}, ValueRow{"word", ff, 0xD2, "65535"},
                    ValueRow{"udint", ff, 0xC8, "4294967295"}, ValueRow{"dword", ff, 0xD3, "4294967295"},
                    ValueRow{"ulint", ff, 0xC9, "18446744073709551615"},
                    ValueRow{"lword", ff, 0xD4, "18446744073709551615"},
                    ValueRow{"realShortest", bytesOf(0.1f), 0xCA, "0.1"},
                    ValueRow{"realNegativeZero", bytesOf(-0.0f), 0xCA, "-0"},
                    ValueRow{"realIgnoresHighBytes", {0x00, 0x00, 0xC0, 0x3F, 0xFF, 0xFF, 0xFF, 0xFF}, 0xCA, "1.5"},
                    ValueRow{"lrealThird", bytesOf(1.0 / 3.0), 0xCB, "0.3333333333333333"},
                    ValueRow{"codeWithoutDisplay", bytesOf<std::int32_t>(7), 0xCF, ""}),
    [](const auto& row) { return std::string(row.param.what); });

struct FormatRow {
    const char* what;
    std::array<std::uint8_t, 8> value;
    std::uint8_t code;
    ValueFormat format;
    const char* expected;
};

void PrintTo(const FormatRow& row, std::ostream* out) {
    *out << row.what;
}

class FormatTagValueAs : public testing::TestWithParam<FormatRow> {};

TEST_P(FormatTagValueAs, WritesTheTextInTheChosenFormat) {
    EXPECT_EQ(formatTagValue(GetParam().value, GetParam().code, GetParam().format), GetParam().expected);
}

constexpr ValueFormat hex{IntegerBase::Hexadecimal};
constexpr ValueFormat binary{IntegerBase::Binary};

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatTagValueAs,
    testing::Values(FormatRow{"dwordHex", bytesOf(0xDEADBEEFu), 0xD3, hex, "16#DEAD_BEEF"},
                    FormatRow{"negativeIntHexIsItsBits", lowFF, 0xC3, hex, "16#FFFF"},
                    FormatRow{"dintHexIgnoresHighBytes", lowFF, 0xC4, hex, "16#017F_FFFF"},
                    FormatRow{"ulintHexAllDigits", ff, 0xC9, hex, "16#FFFF_FFFF_FFFF_FFFF"},
                    FormatRow{"sintBinary", bytesOf<std::int8_t>(5), 0xC2, binary, "2#0000_0101"},
                    FormatRow{"wordBinary", bytesOf<std::uint16_t>(0x8001), 0xD2, binary, "2#1000_0000_0000_0001"},
                    FormatRow{"boolDigit", {1}, 0xC1, ValueFormat{.boolText = BoolText::Digit}, "1"},
                    FormatRow{"boolUpper", {0}, 0xC1, ValueFormat{.boolText = BoolText::Upper}, "FALSE"},
                    FormatRow{"boolIgnoresTheBase", {1}, 0xC1, hex, "true"},
                    FormatRow{"realTwoDigits", bytesOf(2.5f), 0xCA, ValueFormat{.floatDigits = 2}, "2.50"},
                    FormatRow{"lrealRounded", bytesOf(2.0 / 3.0), 0xCB, ValueFormat{.floatDigits = 3}, "0.667"},
                    FormatRow{"realIgnoresTheBase", bytesOf(1.5f), 0xCA, hex, "1.5"},
                    FormatRow{"dintIgnoresFloatDigits", bytesOf<std::int32_t>(-7), 0xC4,
                              ValueFormat{.floatDigits = 2}, "-7"}),
    [](const auto& row) { return std::string(row.param.what); });

TEST(Printable, EscapesControlBytesOnly) {
    EXPECT_EQ(printable("a\x1B[2J\x1F b"), "a\\x1B[2J\\x1F b");
    EXPECT_EQ(printable(std::string("nul\0del\x7F\n", 9)), "nul\\x00del\\x7F\\x0A");
    EXPECT_EQ(printable("\xC3\xA4\xE2\x82\xAC"), "\xC3\xA4\xE2\x82\xAC");
}

// Every REAL and LREAL text reads back to the same number, across magnitudes.
TEST(FormatTagValue, RealTextsReadBack) {
    for (float f : {3.14159265f, 2e-38f, -2.5e-7f, std::numeric_limits<float>::max()}) {
        EXPECT_EQ(std::stof(formatTagValue(bytesOf(f), ZOLTC_LOGIX_TYPE_REAL)), f);
    }
    for (double d : {2.2250738585072014e-308, -1e-300, 9007199254740993.0}) {
        EXPECT_EQ(std::stod(formatTagValue(bytesOf(d), ZOLTC_LOGIX_TYPE_LREAL)), d);
    }
}

} // namespace
