// The template attribute reply and the template data parser: sizes, names cut at
// ";", hidden host members, array members and malformed name tables.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "template.h"

#include "WireBuilders.hpp"
#include "test_allocator.hpp"

namespace {

using browse_test::Bytes;
using browse_test::appendU16;
using browse_test::appendU32;
using browse_test::templateData;
using browse_test::TemplateMember;

// ---- Get Attribute List reply ------------------------------------------------

struct Attributes {
  uint16_t count = 2;
  uint16_t firstId = 4;
  uint16_t firstStatus = 0;
  uint32_t words = 6;
  uint16_t secondId = 2;
  uint16_t secondStatus = 0;
  uint16_t members = 0;
};

Bytes attributeReply(const Attributes& a) {
  Bytes out;
  appendU16(out, a.count);
  appendU16(out, a.firstId);
  appendU16(out, a.firstStatus);
  appendU32(out, a.words);
  appendU16(out, a.secondId);
  appendU16(out, a.secondStatus);
  appendU16(out, a.members);
  return out;
}

Bytes resized(Bytes bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

struct AttributeRow {
  const char* what;
  Bytes bytes;
  zoltc_logix_result expected;
  uint32_t dataSize;
  uint16_t members;
};

class AttributeRows : public ::testing::TestWithParam<AttributeRow> {};

TEST_P(AttributeRows, Decodes) {
  const AttributeRow& row = GetParam();
  uint32_t size = 99;
  uint16_t members = 99;
  EXPECT_EQ(zoltc_logix_template_attributes_decode(
                row.bytes.data(), static_cast<uint32_t>(row.bytes.size()), &size, &members),
            row.expected);
  EXPECT_EQ(size, row.dataSize);
  EXPECT_EQ(members, row.members);
}

const AttributeRow attributeRows[] = {
    {"smallest definition", attributeReply({}), ZOLTC_LOGIX_OK, 1, 0},
    {"largest definition", attributeReply({.words = 0x40005, .members = 3}), ZOLTC_LOGIX_OK,
     1048573, 3},
    {"definition above the limit", attributeReply({.words = 0x40006}),
     ZOLTC_LOGIX_ERR_TOO_LARGE, 0, 0},
    {"largest 32-bit definition", attributeReply({.words = 0xFFFFFFFFu}),
     ZOLTC_LOGIX_ERR_TOO_LARGE, 0, 0},
    {"definition below 6 words", attributeReply({.words = 5}), ZOLTC_LOGIX_ERR_BAD_REPLY, 0, 0},
    {"definition of 0 words", attributeReply({.words = 0}), ZOLTC_LOGIX_ERR_BAD_REPLY, 0, 0},
    {"member table and terminator just fit", attributeReply({.words = 8, .members = 1}),
     ZOLTC_LOGIX_OK, 9, 1},
    {"member table does not fit", attributeReply({.words = 7, .members = 1}),
     ZOLTC_LOGIX_ERR_BAD_REPLY, 0, 0},
    {"most members, enough data", attributeReply({.words = 131076, .members = 65535}),
     ZOLTC_LOGIX_OK, 524281, 65535},
    {"most members, one byte short", attributeReply({.words = 131075, .members = 65535}),
     ZOLTC_LOGIX_ERR_BAD_REPLY, 0, 0},
    {"15 bytes", resized(attributeReply({}), 15), ZOLTC_LOGIX_ERR_BAD_REPLY, 0, 0},
    {"17 bytes", resized(attributeReply({}), 17), ZOLTC_LOGIX_ERR_BAD_REPLY, 0, 0},
    {"empty", {}, ZOLTC_LOGIX_ERR_BAD_REPLY, 0, 0},
    {"attribute count 1", attributeReply({.count = 1}), ZOLTC_LOGIX_ERR_BAD_REPLY, 0, 0},
    {"attribute count 3", attributeReply({.count = 3}), ZOLTC_LOGIX_ERR_BAD_REPLY, 0, 0},
    {"attributes swapped", attributeReply({.firstId = 2, .secondId = 4}),
     ZOLTC_LOGIX_ERR_BAD_REPLY, 0, 0},
    {"other second attribute", attributeReply({.secondId = 5}), ZOLTC_LOGIX_ERR_BAD_REPLY, 0, 0},
    {"first attribute refused", attributeReply({.firstStatus = 0x14}),
     ZOLTC_LOGIX_ERR_CIP_STATUS, 0, 0},
    {"second attribute refused", attributeReply({.secondStatus = 0x14}),
     ZOLTC_LOGIX_ERR_CIP_STATUS, 0, 0},
    {"layout is judged before the statuses", attributeReply({.count = 3, .firstStatus = 0x14}),
     ZOLTC_LOGIX_ERR_BAD_REPLY, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Rows, AttributeRows, ::testing::ValuesIn(attributeRows),
                         browse_test::RowName());

TEST(AttributeDecode, NullArguments) {
  uint32_t size = 0;
  uint16_t members = 0;
  EXPECT_EQ(zoltc_logix_template_attributes_decode(nullptr, 16, &size, &members),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  Bytes reply = attributeReply({});
  EXPECT_EQ(zoltc_logix_template_attributes_decode(reply.data(), 16, nullptr, &members),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_template_attributes_decode(reply.data(), 16, &size, nullptr),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
}

// ---- Template data -----------------------------------------------------------

struct Member {
  std::string name;
  uint32_t instance;
  uint16_t type;
  uint32_t dim0;
  bool operator==(const Member&) const = default;
};

void PrintTo(const Member& m, std::ostream* os) {
  *os << "{" << m.name << ", " << m.instance << ", 0x" << std::hex << m.type << std::dec << ", "
      << m.dim0 << "}";
}

struct ParseRow {
  const char* what;
  Bytes data;
  uint16_t memberCount;
  zoltc_logix_result expected;
  const char* typeName;  // null when the parse must fail
  std::vector<Member> members;
};

class TemplateParse : public ::testing::Test {
 protected:
  void TearDown() override { zoltc_logix_template_free(&entry); }

  zoltc_logix_result parse(const Bytes& data, uint16_t memberCount) {
    return zoltc_logix_template_parse(data.data(), static_cast<uint32_t>(data.size()),
                                      memberCount, &entry);
  }

  std::vector<Member> members() const {
    std::vector<Member> out;
    for (uint32_t i = 0; i < entry.members.count; ++i) {
      const zoltc_logix_tag_info& m = entry.members.items[i];
      out.push_back({m.name, m.instance_id, m.type, m.dims[0]});
      EXPECT_EQ(m.dims[1], 0u);
      EXPECT_EQ(m.dims[2], 0u);
      EXPECT_EQ(m.type_name, nullptr);
      EXPECT_EQ(m.members.count, 0u);
    }
    return out;
  }

  zoltc_logix_template entry{};
};

class ParseRows : public TemplateParse, public ::testing::WithParamInterface<ParseRow> {};

TEST_P(ParseRows, Parses) {
  const ParseRow& row = GetParam();
  EXPECT_EQ(parse(row.data, row.memberCount), row.expected);
  if (row.typeName == nullptr) {
    EXPECT_EQ(entry.text, nullptr);
  } else {
    ASSERT_NE(entry.text, nullptr);
    EXPECT_STREQ(entry.text, row.typeName);
  }
  EXPECT_EQ(members(), row.members);
  if (row.expected != ZOLTC_LOGIX_OK) {
    EXPECT_EQ(entry.members.items, nullptr);
  }
}

constexpr uint16_t sint = 0x00C2;
constexpr uint16_t dint = 0x00C4;

// Template data with `count` members announced, built from explicit parts.
ParseRow row(const char* what, const std::vector<TemplateMember>& members, const char* name,
             zoltc_logix_result expected, const char* typeName, std::vector<Member> parsed) {
  return {what,     templateData(members, name), static_cast<uint16_t>(members.size()),
          expected, typeName,                     std::move(parsed)};
}

Bytes cutAt(Bytes bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

Bytes withExtra(Bytes bytes, std::initializer_list<uint8_t> extra) {
  bytes.insert(bytes.end(), extra);
  return bytes;
}

const ParseRow parseRows[] = {
    row("members in order", {{0, dint, "Speed"}, {0, 0x00CA, "Temp"}}, "Motor", ZOLTC_LOGIX_OK,
        "Motor", {{"Speed", 0, dint, 0}, {"Temp", 1, 0x00CA, 0}}),
    row("name cut at the semicolon", {{0, dint, "LEN"}, {82, 0x20C2, "DATA"}}, "STRING;n\x01",
        ZOLTC_LOGIX_OK, "STRING", {{"LEN", 0, dint, 0}, {"DATA", 1, 0x20C2, 82}}),
    row("name cut at the first semicolon", {}, "A;B;C", ZOLTC_LOGIX_OK, "A", {}),
    row("nothing before the semicolon", {}, ";n", ZOLTC_LOGIX_ERR_BAD_REPLY, nullptr, {}),
    row("empty template name", {{0, dint, "X"}}, "", ZOLTC_LOGIX_ERR_BAD_REPLY, nullptr, {}),
    row("no members", {}, "Empty", ZOLTC_LOGIX_OK, "Empty", {}),
    row("ten Zs hide a SINT", {{0, sint, "ZZZZZZZZZZ"}, {0, 0x00C1, "Run"}}, "Valve",
        ZOLTC_LOGIX_OK, "Valve", {{"Run", 1, 0x00C1, 0}}),
    row("more than ten Zs hide a SINT", {{0, sint, "ZZZZZZZZZZValve0"}, {3, 0x00C1, "Open"}},
        "Valve", ZOLTC_LOGIX_OK, "Valve", {{"Open", 1, 0x00C1, 0}}),
    row("nine Zs are a name", {{0, sint, "ZZZZZZZZZ"}}, "T", ZOLTC_LOGIX_OK, "T",
        {{"ZZZZZZZZZ", 0, sint, 0}}),
    row("ten Zs on a DINT are a name", {{0, dint, "ZZZZZZZZZZ"}}, "T", ZOLTC_LOGIX_OK, "T",
        {{"ZZZZZZZZZZ", 0, dint, 0}}),
    row("ten Zs on a SINT array are a name", {{4, 0x20C2, "ZZZZZZZZZZ"}}, "T", ZOLTC_LOGIX_OK,
        "T", {{"ZZZZZZZZZZ", 0, 0x20C2, 4}}),
    row("lower-case zs are a name", {{0, sint, "zzzzzzzzzz"}}, "T", ZOLTC_LOGIX_OK, "T",
        {{"zzzzzzzzzz", 0, sint, 0}}),
    row("one-dimensional member", {{10, dint, "Scalar"}, {10, 0x20C4, "Values"}}, "T",
        ZOLTC_LOGIX_OK, "T", {{"Scalar", 0, dint, 0}, {"Values", 1, 0x20C4, 10}}),
    row("structure member", {{0, 0x8FCE, "Label"}}, "T", ZOLTC_LOGIX_OK, "T",
        {{"Label", 0, 0x8FCE, 0}}),
    row("two-dimensional member", {{0, dint, "A"}, {6, 0x40C4, "Grid"}}, "T",
        ZOLTC_LOGIX_ERR_UNSUPPORTED, nullptr, {}),
    row("three-dimensional member", {{6, 0x60C4, "Cube"}}, "T", ZOLTC_LOGIX_ERR_UNSUPPORTED,
        nullptr, {}),
    row("two-dimensional structure member", {{6, 0xC234, "Grid"}}, "T",
        ZOLTC_LOGIX_ERR_UNSUPPORTED, nullptr, {}),
    row("empty member name", {{0, dint, "A"}, {0, dint, ""}}, "T", ZOLTC_LOGIX_ERR_BAD_REPLY,
        nullptr, {}),
    {"member names missing", templateData({}, "T"), 1, ZOLTC_LOGIX_ERR_BAD_REPLY, nullptr, {}},
    {"member name unterminated", cutAt(templateData({{0, dint, "A"}, {0, dint, "Bc"}}, "T"), 22),
     2, ZOLTC_LOGIX_ERR_BAD_REPLY, nullptr, {}},
    {"template name unterminated", Bytes{'M', 'o', 't'}, 0, ZOLTC_LOGIX_ERR_BAD_REPLY, nullptr,
     {}},
    {"names would start at the end", cutAt(templateData({{0, dint, "A"}}, "T"), 8), 1,
     ZOLTC_LOGIX_ERR_BAD_REPLY, nullptr, {}},
    {"data shorter than the member table", cutAt(templateData({{0, dint, "A"}}, "T"), 5), 1,
     ZOLTC_LOGIX_ERR_BAD_REPLY, nullptr, {}},
    {"empty data", Bytes{}, 0, ZOLTC_LOGIX_ERR_BAD_REPLY, nullptr, {}},
    {"bytes after the names are ignored",
     withExtra(templateData({{0, dint, "A"}}, "T"), {0, 0, 'x'}), 1, ZOLTC_LOGIX_OK, "T",
     {{"A", 0, dint, 0}}},
};

INSTANTIATE_TEST_SUITE_P(Rows, ParseRows, ::testing::ValuesIn(parseRows),
                         browse_test::RowName());

TEST_F(TemplateParse, NullArguments) {
  Bytes data = templateData({}, "T");
  EXPECT_EQ(zoltc_logix_template_parse(nullptr, 2, 0, &entry), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_template_parse(data.data(), 2, 0, nullptr),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
}

TEST_F(TemplateParse, FreeZeroesTheEntryAndAcceptsNull) {
  ASSERT_EQ(parse(templateData({{0, dint, "A"}}, "T"), 1), ZOLTC_LOGIX_OK);
  zoltc_logix_template_free(&entry);
  EXPECT_EQ(entry.text, nullptr);
  EXPECT_EQ(entry.members.items, nullptr);
  EXPECT_EQ(entry.members.count, 0u);
  zoltc_logix_template_free(nullptr);
}

TEST(TemplateParseMemory, EveryAllocationFailure) {
  quillon::testing::TestAllocator allocator;
  Bytes data = templateData(
      {{0, sint, "ZZZZZZZZZZHost"}, {0, 0x00C1, "Run"}, {3, 0x20C4, "Values"}}, "Pump;n");
  uint64_t failures = quillon::testing::sweepAllocationFailures(allocator, [&] {
    zoltc_logix_template entry{};
    zoltc_logix_result result =
        zoltc_logix_template_parse(data.data(), static_cast<uint32_t>(data.size()), 3, &entry);
    EXPECT_EQ(result, allocator.injected() ? ZOLTC_LOGIX_ERR_NO_MEMORY : ZOLTC_LOGIX_OK);
    if (allocator.injected()) {
      EXPECT_EQ(entry.text, nullptr);
      EXPECT_EQ(entry.members.items, nullptr);
    }
    zoltc_logix_template_free(&entry);
  });
  // The text block (name and member names) and the member array.
  EXPECT_EQ(failures, 2u);
}

}  // namespace
