// Type names and value texts that the tree and the inspector show.
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "TagDisplay.hpp"

namespace {

// Rows are named after their description, so a failure names the case.
template <typename Row>
void PrintRow(const Row& row, std::ostream* os) {
    *os << row.what;
}

zoltc_logix_tag_info record(std::uint16_t type, const char* typeName = nullptr) {
    zoltc_logix_tag_info info{};
    info.type = type;
    // The display helpers never write through it; the cast only fits the C record.
    info.type_name = const_cast<char*>(typeName);
    return info;
}

struct NameRow {
    const char* what;
    std::uint16_t type;
    const char* typeName;
    const char* expected;
};

void PrintTo(const NameRow& row, std::ostream* os) { PrintRow(row, os); }

class TagTypeName : public ::testing::TestWithParam<NameRow> {};

TEST_P(TagTypeName, NamesTheRecord) {
    const NameRow& row = GetParam();
    zoltc_logix_tag_info info = record(row.type, row.typeName);
    EXPECT_EQ(tagTypeName(info), row.expected) << row.what;
}

const NameRow nameRows[] = {
    {"BOOL", 0x00C1, nullptr, "BOOL"},
    {"SINT", 0x00C2, nullptr, "SINT"},
    {"INT", 0x00C3, nullptr, "INT"},
    {"DINT", 0x00C4, nullptr, "DINT"},
    {"LINT", 0x00C5, nullptr, "LINT"},
    {"USINT", 0x00C6, nullptr, "USINT"},
    {"UINT", 0x00C7, nullptr, "UINT"},
    {"UDINT", 0x00C8, nullptr, "UDINT"},
    {"ULINT", 0x00C9, nullptr, "ULINT"},
    {"REAL", 0x00CA, nullptr, "REAL"},
    {"LREAL", 0x00CB, nullptr, "LREAL"},
    {"first code without a name", 0x00CC, nullptr, "UNKNOWN"},
    {"code without a name", 0x00CF, nullptr, "UNKNOWN"},
    {"last code without a name", 0x00D0, nullptr, "UNKNOWN"},
    {"BYTE", 0x00D1, nullptr, "BYTE"},
    {"WORD", 0x00D2, nullptr, "WORD"},
    {"DWORD", 0x00D3, nullptr, "DWORD"},
    {"LWORD", 0x00D4, nullptr, "LWORD"},
    {"code below the table", 0x00C0, nullptr, "UNKNOWN"},
    {"code above the table", 0x00D5, nullptr, "UNKNOWN"},
    {"bits 8 to 11 do not change the code", 0x0AC4, nullptr, "DINT"},
    {"system bit on an atomic word", 0x10C4, nullptr, "DINT"},
    {"program entry", 0x1068, nullptr, "UNKNOWN"},
    {"one-dimensional DINT array", 0x20C4, nullptr, "ARRAY"},
    {"two-dimensional DINT array", 0x40C4, nullptr, "ARRAY"},
    {"three-dimensional DINT array", 0x60C4, nullptr, "ARRAY"},
    {"array of STRING structures", 0xA0CE, "STRING", "ARRAY"},
    {"array of a user type", 0xA234, "Motor", "ARRAY"},
    {"STRING structure", 0x8FCE, "STRING", "STRING"},
    {"user type", 0x8234, "Motor", "Motor"},
    {"template name differing in case", 0x8234, "string", "string"},
    {"structure without template name", 0x8234, nullptr, "STRUCT"},
    {"structure with empty template name", 0x8234, "", "STRUCT"},
    {"system structure word", 0x9234, nullptr, "STRUCT"},
    {"system structure word with a name", 0x9234, "Internal", "Internal"},
};

INSTANTIATE_TEST_SUITE_P(Rows, TagTypeName, ::testing::ValuesIn(nameRows));

TEST(TagTypeNameView, PointsIntoTheRecordForTemplateNames) {
    char typeName[] = "Motor";
    zoltc_logix_tag_info info = record(0x8234, typeName);
    EXPECT_EQ(tagTypeName(info).data(), typeName);
}

struct ValueRow {
    const char* what;
    std::array<std::uint8_t, 8> value;
    std::uint8_t code;
    const char* expected;
};

void PrintTo(const ValueRow& row, std::ostream* os) { PrintRow(row, os); }

class FormatTagValue : public ::testing::TestWithParam<ValueRow> {};

TEST_P(FormatTagValue, WritesTheText) {
    const ValueRow& row = GetParam();
    EXPECT_EQ(formatTagValue(row.value, row.code), row.expected) << row.what;
}

template <typename T>
std::array<std::uint8_t, 8> bytesOf(T value) {
    std::array<std::uint8_t, 8> bytes{};
    std::memcpy(bytes.data(), &value, sizeof value);  // the test host is little-endian
    return bytes;
}

constexpr std::array<std::uint8_t, 8> ff = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
// Bytes beyond a type's width must not leak into its value.
constexpr std::array<std::uint8_t, 8> lowFF = {0xFF, 0xFF, 0x7F, 0x01, 0x02, 0x03, 0x04, 0x05};

const ValueRow valueRows[] = {
    {"BOOL 1", {1}, 0xC1, "true"},
    {"BOOL 0", {0}, 0xC1, "false"},
    {"BOOL byte 2", {2}, 0xC1, "false"},
    {"BOOL ignores later bytes", {0, 1}, 0xC1, "false"},
    {"SINT -1", ff, 0xC2, "-1"},
    {"SINT -128", {0x80}, 0xC2, "-128"},
    {"INT FF FF", {0xFF, 0xFF}, 0xC3, "-1"},
    {"INT from the first two bytes", lowFF, 0xC3, "-1"},
    {"DINT 1234567", bytesOf<std::int32_t>(1234567), 0xC4, "1234567"},
    {"DINT from the first four bytes", lowFF, 0xC4, "25165823"},
    {"DINT minimum", bytesOf(std::numeric_limits<std::int32_t>::min()), 0xC4, "-2147483648"},
    {"LINT minimum", bytesOf(std::numeric_limits<std::int64_t>::min()), 0xC5,
     "-9223372036854775808"},
    {"LINT maximum", bytesOf(std::numeric_limits<std::int64_t>::max()), 0xC5,
     "9223372036854775807"},
    {"USINT FF", ff, 0xC6, "255"},
    {"BYTE FF", ff, 0xD1, "255"},
    {"UINT FF FF", ff, 0xC7, "65535"},
    {"WORD FF FF", {0xFF, 0xFF}, 0xD2, "65535"},
    {"UDINT all ones", ff, 0xC8, "4294967295"},
    {"DWORD all ones", ff, 0xD3, "4294967295"},
    {"ULINT maximum", ff, 0xC9, "18446744073709551615"},
    {"LWORD maximum", ff, 0xD4, "18446744073709551615"},
    {"ULINT zero", {}, 0xC9, "0"},
    {"REAL 1.5", bytesOf(1.5f), 0xCA, "1.5"},
    {"REAL 0.1", bytesOf(0.1f), 0xCA, "0.1"},
    {"REAL -0", bytesOf(-0.0f), 0xCA, "-0"},
    {"REAL 1e-45", bytesOf(1e-45f), 0xCA, "1e-45"},
    {"REAL maximum", bytesOf(std::numeric_limits<float>::max()), 0xCA, "3.4028235e+38"},
    {"REAL ignores bytes 4 to 7", {0x00, 0x00, 0xC0, 0x3F, 0xFF, 0xFF, 0xFF, 0xFF}, 0xCA, "1.5"},
    {"LREAL 0.1", bytesOf(0.1), 0xCB, "0.1"},
    {"LREAL 1/3", bytesOf(1.0 / 3.0), 0xCB, "0.3333333333333333"},
    {"LREAL 1e300", bytesOf(1e300), 0xCB, "1e+300"},
    {"code without a display", bytesOf<std::int32_t>(7), 0xCF, ""},
    {"code outside the table", bytesOf<std::int32_t>(7), 0x68, ""},
};

INSTANTIATE_TEST_SUITE_P(Rows, FormatTagValue, ::testing::ValuesIn(valueRows));

// Every REAL text reads back to the same number, across magnitudes.
TEST(FormatTagValueRoundTrip, RealAndLrealTextsReadBack) {
    for (float f : {3.14159265f, 2e-38f, 123456.789f, -2.5e-7f, 16777217.0f}) {
        std::string text = formatTagValue(bytesOf(f), ZOLTC_LOGIX_TYPE_REAL);
        EXPECT_EQ(std::stof(text), f) << text;
    }
    for (double d : {3.141592653589793, 2.2250738585072014e-308, -1e-300, 9007199254740993.0}) {
        std::string text = formatTagValue(bytesOf(d), ZOLTC_LOGIX_TYPE_LREAL);
        EXPECT_EQ(std::stod(text), d) << text;
    }
}

}  // namespace
