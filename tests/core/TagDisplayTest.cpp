// Type names, value texts and the escapes of texts written (CSV fields, control bytes).
#include "Csv.hpp"
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

// The short name (the type column's) and the full name with the element type and sizes.
TEST(TagTypeName, NamesTheRecordShortAndFull) {
    const struct {
        unsigned type;
        std::array<std::uint32_t, 3> dims;
        const char* typeName;
        const char* name;
        const char* fullName;
    } rows[] = {
        {0xC1, {}, nullptr, "BOOL", "BOOL"}, {0xCB, {}, nullptr, "LREAL", "LREAL"},
        {0xCC, {}, nullptr, "UNKNOWN", "UNKNOWN"}, {0xD1, {}, nullptr, "BYTE", "BYTE"},
        {0xD4, {}, nullptr, "LWORD", "LWORD"}, {0xC0, {}, nullptr, "UNKNOWN", "UNKNOWN"},
        {0xD5, {}, nullptr, "UNKNOWN", "UNKNOWN"}, {0x40C4, {10, 4, 0}, nullptr, "ARRAY", "DINT[10,4]"},
        {0x60C3, {2, 3, 4}, nullptr, "ARRAY", "INT[2,3,4]"}, {0xA234, {20, 0, 0}, "MOTOR_UDT", "ARRAY", "MOTOR_UDT[20]"},
        {0xAFCE, {5, 0, 0}, "STRING", "ARRAY", "STRING[5]"}, {0x8FCE, {}, "STRING", "STRING", "STRING"},
        {0x20D3, {2, 0, 0}, nullptr, "ARRAY", "BOOL[64]"}, // a BOOL array counts bits
        {0x8234, {}, "string", "string", "string"}, {0x8234, {}, nullptr, "STRUCT", "STRUCT"},
        {0x9234, {}, "", "STRUCT", "STRUCT"},
    };
    for (const auto& row : rows) {
        zoltc_logix_tag_info info{};
        info.type = static_cast<std::uint16_t>(row.type);
        std::copy(row.dims.begin(), row.dims.end(), info.dims);
        info.type_name = row.typeName;
        EXPECT_EQ(tagTypeName(info), row.name) << row.fullName;
        EXPECT_EQ(tagFullTypeName(info), row.fullName);
    }
}

template <typename T>
std::array<std::uint8_t, 8> bytesOf(T value) {
    std::array<std::uint8_t, 8> bytes{};
    std::memcpy(bytes.data(), &value, sizeof value); // the test host is little-endian
    return bytes;
}

constexpr std::array<std::uint8_t, 8> ff = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
// Bytes beyond a type's width must not leak into its value.
constexpr std::array<std::uint8_t, 8> lowFF = {0xFF, 0xFF, 0x7F, 0x01, 0x02, 0x03, 0x04, 0x05};

TEST(FormatTagValue, WritesTheTextInTheDefaultOrTheChosenFormat) {
    constexpr ValueFormat plain{};
    constexpr ValueFormat hex{IntegerBase::Hexadecimal};
    constexpr ValueFormat binary{IntegerBase::Binary};
    const struct {
        const char* what;
        std::array<std::uint8_t, 8> value;
        std::uint8_t code;
        ValueFormat format;
        const char* expected;
    } rows[] = {
        {"boolOne", {1}, 0xC1, plain, "true"}, {"boolTwoIsFalse", {2}, 0xC1, plain, "false"},
        {"intFromTwoBytes", lowFF, 0xC3, plain, "-1"}, {"dintFromFourBytes", lowFF, 0xC4, plain, "25165823"},
        {"lintMinimum", bytesOf(std::numeric_limits<std::int64_t>::min()), 0xC5, plain, "-9223372036854775808"},
        {"udint", ff, 0xC8, plain, "4294967295"}, {"ulint", ff, 0xC9, plain, "18446744073709551615"},
        {"realShortest", bytesOf(0.1f), 0xCA, plain, "0.1"},
        {"realIgnoresHighBytes", {0x00, 0x00, 0xC0, 0x3F, 0xFF, 0xFF, 0xFF, 0xFF}, 0xCA, plain, "1.5"},
        {"lrealThird", bytesOf(1.0 / 3.0), 0xCB, plain, "0.3333333333333333"},
        {"codeWithoutDisplay", bytesOf<std::int32_t>(7), 0xCF, plain, ""},
        {"dwordHex", bytesOf(0xDEADBEEFu), 0xD3, hex, "16#DEAD_BEEF"},
        {"negativeIntHexIsItsBits", lowFF, 0xC3, hex, "16#FFFF"},
        {"ulintHexAllDigits", ff, 0xC9, hex, "16#FFFF_FFFF_FFFF_FFFF"},
        {"wordBinary", bytesOf<std::uint16_t>(0x8001), 0xD2, binary, "2#1000_0000_0000_0001"},
        {"boolDigit", {1}, 0xC1, ValueFormat{.boolText = BoolText::Digit}, "1"},
        {"boolUpper", {0}, 0xC1, ValueFormat{.boolText = BoolText::Upper}, "FALSE"},
        {"realTwoDigits", bytesOf(2.5f), 0xCA, ValueFormat{.floatDigits = 2}, "2.50"},
        {"realIgnoresTheBase", bytesOf(1.5f), 0xCA, hex, "1.5"},
        {"dintIgnoresFloatDigits", bytesOf<std::int32_t>(-7), 0xC4, ValueFormat{.floatDigits = 2}, "-7"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(formatTagValue(row.value, row.code, row.format), row.expected) << row.what;
    }
}

TEST(Escapes, CsvQuotesByRfc4180AndPrintableEscapesControlBytesOnly) {
    EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(csvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(printable("a\x1B[2J\x1F b"), "a\\x1B[2J\\x1F b");
    EXPECT_EQ(printable(std::string("nul\0del\x7F\n", 9)), "nul\\x00del\\x7F\\x0A");
    EXPECT_EQ(printable("\xC3\xA4\xE2\x82\xAC"), "\xC3\xA4\xE2\x82\xAC");
}

} // namespace
