// Decoding of Read Tag replies into items, and of Read Tag Fragmented replies
// into a string, from bytes.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "label_name.hpp"
#include "read_test_util.hpp"

extern "C" {
#include "read.h"
}

namespace {

using readtest::Bytes;
using readtest::borrowedResponse;
using readtest::join;
using readtest::hex;
using readtest::toHex;

struct Outcome {
  friend void PrintTo(const Outcome& row, std::ostream* os) { *os << row.label; }
  const char* label;
  uint8_t generalStatus;
  Bytes data;
  zoltc_logix_result expected;
  uint16_t type;
  Bytes value;  // all 8 bytes
};

class ReadItemDecode : public ::testing::TestWithParam<Outcome> {};

TEST_P(ReadItemDecode, GivesOutcomeTypeAndValue) {
  Outcome row = GetParam();
  zoltc_logix_cip_response response = borrowedResponse(row.generalStatus, row.data);
  zoltc_logix_read_item item{};
  item.tag_name = "x";
  item.status = 0xEE;
  item.type = 0xBEEF;
  std::fill(std::begin(item.value), std::end(item.value), 0xEE);

  EXPECT_EQ(zoltc_logix_read_item_decode(&response, &item), row.expected);
  EXPECT_EQ(item.type, row.type);
  EXPECT_EQ(toHex(item.value, 8), toHex(row.value));
  EXPECT_EQ(item.status, 0xEE) << "the status is the caller's to set";
}

const Bytes kZero = hex("00 00 00 00 00 00 00 00");

INSTANTIATE_TEST_SUITE_P(
    Table, ReadItemDecode,
    ::testing::Values(
        Outcome{"BoolOne", 0, hex("C1 00 01"), ZOLTC_LOGIX_OK, 0xC1, hex("01 00 00 00 00 00 00 00")},
        Outcome{"BoolFF", 0, hex("C1 00 FF"), ZOLTC_LOGIX_OK, 0xC1, hex("01 00 00 00 00 00 00 00")},
        Outcome{"BoolZero", 0, hex("C1 00 00"), ZOLTC_LOGIX_OK, 0xC1, kZero},
        Outcome{"Sint", 0, hex("C2 00 FE"), ZOLTC_LOGIX_OK, 0xC2, hex("FE 00 00 00 00 00 00 00")},
        Outcome{"Int", 0, hex("C3 00 FF FF"), ZOLTC_LOGIX_OK, 0xC3, hex("FF FF 00 00 00 00 00 00")},
        Outcome{"Dint", 0, hex("C4 00 2A 00 00 80"), ZOLTC_LOGIX_OK, 0xC4,
                hex("2A 00 00 80 00 00 00 00")},
        Outcome{"DintExtraBytesIgnored", 0, hex("C4 00 01 02 03 04 05 06"), ZOLTC_LOGIX_OK, 0xC4,
                hex("01 02 03 04 00 00 00 00")},
        Outcome{"Lint", 0, hex("C5 00 01 02 03 04 05 06 07 08"), ZOLTC_LOGIX_OK, 0xC5,
                hex("01 02 03 04 05 06 07 08")},
        Outcome{"Usint", 0, hex("C6 00 80"), ZOLTC_LOGIX_OK, 0xC6, hex("80 00 00 00 00 00 00 00")},
        Outcome{"Uint", 0, hex("C7 00 34 12"), ZOLTC_LOGIX_OK, 0xC7, hex("34 12 00 00 00 00 00 00")},
        Outcome{"Udint", 0, hex("C8 00 78 56 34 12"), ZOLTC_LOGIX_OK, 0xC8,
                hex("78 56 34 12 00 00 00 00")},
        Outcome{"Ulint", 0, hex("C9 00 FF FF FF FF FF FF FF FF"), ZOLTC_LOGIX_OK, 0xC9,
                hex("FF FF FF FF FF FF FF FF")},
        Outcome{"Real", 0, hex("CA 00 00 00 C0 3F"), ZOLTC_LOGIX_OK, 0xCA,
                hex("00 00 C0 3F 00 00 00 00")},
        Outcome{"Lreal", 0, hex("CB 00 00 00 00 00 00 00 F8 3F"), ZOLTC_LOGIX_OK, 0xCB,
                hex("00 00 00 00 00 00 F8 3F")},
        Outcome{"Byte", 0, hex("D1 00 AA"), ZOLTC_LOGIX_OK, 0xD1, hex("AA 00 00 00 00 00 00 00")},
        Outcome{"Word", 0, hex("D2 00 AA BB"), ZOLTC_LOGIX_OK, 0xD2, hex("AA BB 00 00 00 00 00 00")},
        Outcome{"Dword", 0, hex("D3 00 AA BB CC DD"), ZOLTC_LOGIX_OK, 0xD3,
                hex("AA BB CC DD 00 00 00 00")},
        Outcome{"Lword", 0, hex("D4 00 01 02 03 04 05 06 07 08"), ZOLTC_LOGIX_OK, 0xD4,
                hex("01 02 03 04 05 06 07 08")},
        Outcome{"DintThreeBytes", 0, hex("C4 00 01 02 03"), ZOLTC_LOGIX_ERR_BAD_REPLY, 0xC4, kZero},
        Outcome{"LintSevenBytes", 0, hex("C5 00 01 02 03 04 05 06 07"), ZOLTC_LOGIX_ERR_BAD_REPLY,
                0xC5, kZero},
        Outcome{"TypeWordOnly", 0, hex("C4 00"), ZOLTC_LOGIX_ERR_BAD_REPLY, 0, kZero},
        Outcome{"Empty", 0, {}, ZOLTC_LOGIX_ERR_BAD_REPLY, 0, kZero},
        Outcome{"Structure", 0, hex("A0 02 34 12 05 00 00 00"), ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE,
                0x02A0, kZero},
        Outcome{"CodeCC", 0, hex("CC 00 00 00 00 00 00 00 00 00"), ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE,
                0xCC, kZero},
        Outcome{"CodeCD", 0, hex("CD 00 00 00 00 00"), ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE, 0xCD, kZero},
        Outcome{"CodeCE", 0, hex("CE 00 00 00 00 00"), ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE, 0xCE, kZero},
        Outcome{"CodeCF", 0, hex("CF 00 00 00 00 00"), ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE, 0xCF, kZero},
        Outcome{"CodeD0", 0, hex("D0 00 00 00 00 00"), ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE, 0xD0, kZero},
        Outcome{"BelowRange", 0, hex("C0 00 00 00 00 00"), ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE, 0xC0,
                kZero},
        Outcome{"AboveRange", 0, hex("D5 00 00 00 00 00"), ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE, 0xD5,
                kZero},
        Outcome{"HighByteSet", 0, hex("C4 01 2A 00 00 00"), ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE, 0x01C4,
                kZero},
        Outcome{"PathDestinationUnknown", 0x05, hex("C4 00 2A 00 00 00"), ZOLTC_LOGIX_ERR_CIP_STATUS,
                0, kZero},
        Outcome{"PartialIsAnError", 0x06, hex("C4 00 2A 00 00 00"), ZOLTC_LOGIX_ERR_CIP_STATUS, 0,
                kZero}),
    quillon::testing::LabelName{});

// ---- string fragments

struct Fragment {
  uint8_t generalStatus;
  Bytes data;
};

// A fragment of structure 0x1234: A0 02, the handle, the payload.
Fragment part(uint8_t generalStatus, const Bytes& payload, uint16_t handle = 0x1234) {
  return {generalStatus, join({hex("A0 02"), Bytes{static_cast<uint8_t>(handle & 0xFF),
                                                     static_cast<uint8_t>(handle >> 8)},
                                 payload})};
}

Bytes countBytes(uint32_t count) {
  return {static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8),
          static_cast<uint8_t>(count >> 16), static_cast<uint8_t>(count >> 24)};
}

struct StringCase {
  friend void PrintTo(const StringCase& row, std::ostream* os) { *os << row.label; }
  const char* label;
  uint32_t bufferSize;
  std::vector<Fragment> fragments;
  zoltc_logix_result expected;  // of the last fragment fed
  std::string text;             // in the buffer when complete
  uint32_t length;
};

class StringReader : public ::testing::TestWithParam<StringCase> {};

TEST_P(StringReader, GathersFragments) {
  StringCase row = GetParam();
  std::vector<char> buffer(row.bufferSize, 'Z');
  uint32_t length = 12345;
  zoltc_logix_string_reader reader;
  zoltc_logix_string_reader_init(&reader, buffer.data(), row.bufferSize, &length);
  EXPECT_EQ(std::string_view(buffer.data()), "");
  EXPECT_EQ(length, 0u);

  zoltc_logix_result result = ZOLTC_LOGIX_OK;
  bool done = false;
  uint32_t expectedOffset = 0;
  for (size_t i = 0; i < row.fragments.size(); ++i) {
    ASSERT_FALSE(done) << "finished before fragment " << i;
    EXPECT_EQ(reader.offset, expectedOffset) << "offset asked for fragment " << i;
    zoltc_logix_cip_response response =
        borrowedResponse(row.fragments[i].generalStatus, row.fragments[i].data);
    result = zoltc_logix_string_reader_feed(&reader, &response, &done);
    if (i + 1 < row.fragments.size()) {
      ASSERT_EQ(result, ZOLTC_LOGIX_OK) << "fragment " << i;
    }
    if (row.fragments[i].data.size() > 4) {
      expectedOffset += static_cast<uint32_t>(row.fragments[i].data.size() - 4);
    }
  }
  EXPECT_EQ(result, row.expected);
  EXPECT_EQ(done, row.expected == ZOLTC_LOGIX_OK);
  EXPECT_EQ(length, row.length);
  if (done) {
    EXPECT_EQ(std::string(buffer.data()), row.text);
  }
}

const std::string k95(95, 'q');
const std::string k96(96, 'q');
const Bytes k95Bytes(k95.begin(), k95.end());
const Bytes k96Bytes(k96.begin(), k96.end());

INSTANTIATE_TEST_SUITE_P(
    Table, StringReader,
    ::testing::Values(
        StringCase{"OneFragment", 96, {part(0, join({countBytes(5), hex("68 65 6C 6C 6F")}))},
                   ZOLTC_LOGIX_OK, "hello", 5},
        StringCase{"RestOfStructureIgnored", 96,
                   {part(0, join({countBytes(2), hex("68 69 00 00 41 42")}))}, ZOLTC_LOGIX_OK,
                   "hi", 2},
        StringCase{"CountStraddlesFragments", 96,
                   {part(6, hex("05 00")), part(6, hex("00 00 68 65")), part(0, hex("6C 6C 6F 00"))},
                   ZOLTC_LOGIX_OK, "hello", 5},
        StringCase{"CountByteByByte", 96,
                   {part(6, hex("02")), part(6, hex("00")), part(6, hex("00")), part(6, hex("00")),
                    part(6, hex("61")), part(6, hex("62"))},
                   ZOLTC_LOGIX_OK, "ab", 2},
        StringCase{"DoneWhilePartial", 96, {part(6, join({countBytes(1), hex("7A")}))},
                   ZOLTC_LOGIX_OK, "z", 1},
        StringCase{"CountZero", 96, {part(0, join({countBytes(0), hex("00 00 00")}))},
                   ZOLTC_LOGIX_OK, "", 0},
        StringCase{"CountZeroWhilePartial", 1, {part(6, countBytes(0))}, ZOLTC_LOGIX_OK, "", 0},
        StringCase{"Fits95In96", 96, {part(0, join({countBytes(95), k95Bytes}))}, ZOLTC_LOGIX_OK,
                   k95, 95},
        StringCase{"Count96TooLarge", 96, {part(6, countBytes(96))},
                   ZOLTC_LOGIX_ERR_BUFFER_TOO_SMALL, "", 96},
        StringCase{"Count96Straddling", 96, {part(6, hex("60 00")), part(6, hex("00 00"))},
                   ZOLTC_LOGIX_ERR_BUFFER_TOO_SMALL, "", 96},
        StringCase{"CountAbove65535", 1000000, {part(6, countBytes(65536))},
                   ZOLTC_LOGIX_ERR_BAD_REPLY, "", 0},
        StringCase{"Count65535Accepted", 65536,
                   {part(6, countBytes(65535)), part(0, Bytes(65535, 0x61))}, ZOLTC_LOGIX_OK,
                   std::string(65535, 'a'), 65535},
        StringCase{"LastFragmentEndsEarly", 96,
                   {part(6, join({countBytes(5), hex("68")})), part(0, hex("65 6C"))},
                   ZOLTC_LOGIX_ERR_BAD_REPLY, "", 5},
        StringCase{"CountIncompleteAtEnd", 96, {part(0, hex("05 00"))}, ZOLTC_LOGIX_ERR_BAD_REPLY, "",
                   0},
        StringCase{"HandleChanges", 96, {part(6, hex("05 00")), part(6, hex("00 00"), 0x9999)},
                   ZOLTC_LOGIX_ERR_BAD_REPLY, "", 0},
        StringCase{"EmptyPayload", 96, {part(6, {})}, ZOLTC_LOGIX_ERR_BAD_REPLY, "", 0},
        StringCase{"NotAStructure", 96, {{0, hex("C4 00 2A 00 00 00")}},
                   ZOLTC_LOGIX_ERR_TYPE_MISMATCH, "", 0},
        StringCase{"ShortHead", 96, {{0, hex("A0 02 34")}}, ZOLTC_LOGIX_ERR_TYPE_MISMATCH, "", 0},
        StringCase{"RefusedByController", 96, {{0x05, {}}}, ZOLTC_LOGIX_ERR_CIP_STATUS, "", 0},
        StringCase{"RefusedMidWay", 96, {part(6, hex("05 00")), {0x1F, {}}},
                   ZOLTC_LOGIX_ERR_CIP_STATUS, "", 0}),
    quillon::testing::LabelName{});

// ---- short texts for the controller's statuses

struct StatusText {
  friend void PrintTo(const StatusText& row, std::ostream* os) { *os << row.label; }
  const char* label;
  uint8_t general;
  uint16_t extended;
  const char* text;
};

class StatusTexts : public ::testing::TestWithParam<StatusText> {};

TEST_P(StatusTexts, NameTheStatus) {
  const StatusText& row = GetParam();
  char buffer[64];
  size_t length = zoltc_logix_cip_status_text(row.general, row.extended, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, row.text);
  EXPECT_EQ(length, std::string_view(row.text).size());
  EXPECT_EQ(zoltc_logix_cip_status_text(row.general, row.extended, nullptr, 0), length);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StatusTexts,
    ::testing::Values(StatusText{"Privilege", 0x0F, 0, "privilege violation"},
                      StatusText{"ObjectMissing", 0x16, 0, "object does not exist"},
                      StatusText{"TypeMismatch", 0xFF, 0x2107, "data type mismatch"},
                      StatusText{"UnknownExtended", 0x05, 0x1234, "path destination unknown (extended 0x1234)"},
                      StatusText{"UnknownCode", 0x42, 0, "CIP status 0x42"}),
    quillon::testing::LabelName{});

TEST(StatusTextBuffer, IsCutAndTerminated) {
  char buffer[8];
  EXPECT_EQ(zoltc_logix_cip_status_text(0x0F, 0, buffer, sizeof buffer), 19u);
  EXPECT_STREQ(buffer, "privile");
}

}  // namespace
