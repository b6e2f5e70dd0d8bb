// Browsing's pure parts: type words, records, symbol pages, template attributes and template data.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "alloc.h"
#include "browse.h"
#include "bytes.hpp"
#include "records.hpp"
#include "template.h"
#include "test_allocator.hpp"

namespace {

using namespace quillon::testing;

constexpr uint16_t kDint = ZOLTC_LOGIX_TYPE_DINT, kSint = ZOLTC_LOGIX_TYPE_SINT, kBool = ZOLTC_LOGIX_TYPE_BOOL;
constexpr uint16_t kProgram = ZOLTC_LOGIX_TYPE_PROGRAM, kStruct = ZOLTC_LOGIX_TYPE_STRUCT;

// Per type word: dimensions, atomic code, atomic, program, structure, template id. A record is a STRING
// by its template name; its release frees only its name (the rest belongs to the list's types).
TEST(TypeWord, PredicatesAndRecords) {
  for (auto [type, dimensions, code, atomic, program, structure, templateId] :
       {std::tuple(0x00C4, 0, 0xC4, true, false, false, 0x0C4), {0x20C4, 1, 0xC4, false, false, false, 0x0C4},
        {0x1068, 0, 0x68, true, true, false, 0x068}, {0x1069, 0, 0x69, true, false, false, 0x069},
        {0x8FCE, 0, 0xCE, false, false, true, 0xFCE}, {0xE234, 3, 0x34, false, false, true, 0x234},
        {0x9234, 0, 0x34, false, false, false, 0x234}, {0xFFFF, 3, 0xFF, false, false, false, 0xFFF}}) {
    const auto word = static_cast<uint16_t>(type);
    EXPECT_EQ(std::tuple(zoltc_logix_type_dimensions(word), zoltc_logix_type_atomic_code(word), zoltc_logix_type_is_atomic(word),
                         zoltc_logix_type_is_program(word), zoltc_logix_type_is_struct(word), zoltc_logix_type_template_id(word)),
              std::tuple(dimensions, code, atomic, program, structure, templateId)) << std::hex << type;
  }
  zoltc_logix_tag_info info{};
  EXPECT_FALSE(zoltc_logix_tag_is_string(&info));
  for (const char* name : {"STRING", "string", "STRING2", "STRIN"}) {
    info.type_name = const_cast<char*>(name);
    EXPECT_EQ(zoltc_logix_tag_is_string(&info), std::strcmp(name, "STRING") == 0) << name;
  }
  TestAllocator allocator;
  static zoltc_logix_tag_info shared[2] = {};
  info.name = static_cast<char*>(zoltc_logix_alloc(2));
  info.members = {2, shared, nullptr};
  zoltc_logix_tag_info_free(&info);
  const zoltc_logix_tag_info zero{};
  EXPECT_EQ(std::memcmp(&info, &zero, sizeof zero), 0);
  zoltc_logix_tag_info_free(&info);  // a released record may be released again
}

// One entry of a Get Instance Attribute List reply (attributes 1, 2 and 8).
struct Entry { uint32_t instance; std::string name; uint16_t type; uint32_t dims[3] = {0, 0, 0}; };

Bytes page(const std::vector<Entry>& entries) {
  Bytes out;
  for (const Entry& e : entries) {
    appendU32(out, e.instance);
    appendU16(out, static_cast<uint16_t>(e.name.size()));
    for (char c : e.name) out.push_back(static_cast<uint8_t>(c));
    appendU16(out, e.type);
    for (uint32_t dim : e.dims) appendU32(out, dim);
  }
  return out;
}

class Pages : public ::testing::Test {
 protected:
  void TearDown() override { zoltc_logix_tag_info_list_free(&state.list); }
  zoltc_logix_result parse(const Bytes& bytes) {
    return zoltc_logix_symbol_page_parse(bytes.data(), static_cast<uint32_t>(bytes.size()), &state);
  }
  zoltc_logix_browse_state state{};
};

struct PageRow { const char* label; Bytes bytes; uint32_t start; zoltc_logix_result expected; std::vector<std::string> names; uint32_t nextStart; };

class PageRows : public Pages, public ::testing::WithParamInterface<PageRow> {};

TEST_P(PageRows, Parse) {
  state.start_instance = GetParam().start;
  EXPECT_EQ(parse(GetParam().bytes), GetParam().expected);
  EXPECT_EQ(names(state.list), GetParam().names);
  EXPECT_EQ(state.start_instance, GetParam().nextStart);
}

constexpr zoltc_logix_result kOk = ZOLTC_LOGIX_OK, kBad = ZOLTC_LOGIX_ERR_BAD_REPLY;

INSTANTIATE_TEST_SUITE_P(
    Rows, PageRows,
    ::testing::Values(
        PageRow{"InOrder", page({{1, "A", kDint}, {2, "B", 0x8234}, {70000, "C", 0x20CA}}), 0, kOk, {"A", "B", "C"}, 70001},
        PageRow{"PrefixDroppedWithoutComparing", page({{3, "abcdefghXY", kProgram}}), 0, kOk, {"XY"}, 4},
        PageRow{"ProgramOfEightBytesKept", page({{3, "Program:", kProgram}}), 0, kOk, {"Program:"}, 4},
        PageRow{"PrefixKeptOnOthers", page({{3, "Program:X", kDint}}), 0, kOk, {"Program:X"}, 4},
        PageRow{"SystemSymbolHidden", page({{1, "__Sys", 0x10C4}, {2, "Shown", kDint}}), 0, kOk, {"Shown"}, 3},
        PageRow{"ContainerHidden", page({{9, "__CONTAINER", kDint}}), 0, kOk, {}, 10},
        PageRow{"ContainerLongerKept", page({{9, "__CONTAINER1", kDint}}), 0, kOk, {"__CONTAINER1"}, 10},
        PageRow{"ProgramRuleFirst", page({{9, "__CONTAINER", kProgram}}), 0, kOk, {"NER"}, 10},
        PageRow{"InstanceRepeated", page({{4, "A", kDint}, {4, "B", kDint}}), 0, kBad, {"A"}, 5},
        PageRow{"LargestInstance", page({{0xFFFFFFFEu, "A", kDint}}), 0, kOk, {"A"}, 0xFFFFFFFFu},
        PageRow{"InstanceAllOnes", page({{0xFFFFFFFFu, "A", kDint}}), 0, kBad, {}, 0},
        PageRow{"EmptyName", page({{1, "", kDint}}), 0, kBad, {}, 0},
        PageRow{"NameBeyondTheData", hex("01 00 00 00 FF FF 41 42"), 0, kBad, {}, 0},
        PageRow{"OneByteLeft", join({page({{1, "A", kDint}}), Bytes{0x01}}), 0, kBad, {"A"}, 2}),
    LabelName{});

TEST_F(Pages, RecordsAndEveryCut) {
  // Cut anywhere but between its entries, a valid page is malformed.
  const Bytes two = page({{1, "First", kDint}, {2, "Second", 0x8FCE}});
  for (size_t cut = 1; cut < two.size(); ++cut) {
    zoltc_logix_browse_state cutState{};
    EXPECT_EQ(zoltc_logix_symbol_page_parse(two.data(), static_cast<uint32_t>(cut), &cutState), cut == 25 ? kOk : kBad) << cut;
    zoltc_logix_tag_info_list_free(&cutState.list);
  }
}

// The limit counts the records of earlier pages; hidden entries do not count.
TEST_F(Pages, RecordLimit) {
  std::vector<Entry> entries;
  for (uint32_t i = 0; i < ZOLTC_LOGIX_MAX_RECORDS - 1; ++i) entries.push_back({i, "T" + std::to_string(i), kDint});
  ASSERT_EQ(parse(page(entries)), kOk);
  EXPECT_EQ(parse(page({{ZOLTC_LOGIX_MAX_RECORDS, "__CONTAINER", kDint}, {ZOLTC_LOGIX_MAX_RECORDS + 1, "Last", kDint}})), kOk);
  EXPECT_EQ(state.list.count, ZOLTC_LOGIX_MAX_RECORDS);
  EXPECT_STREQ(state.list.items[ZOLTC_LOGIX_MAX_RECORDS - 1].name, "Last");
  EXPECT_EQ(parse(page({{ZOLTC_LOGIX_MAX_RECORDS + 2, "Extra", kDint}})), ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(state.list.count, ZOLTC_LOGIX_MAX_RECORDS);
}

struct Attributes { uint16_t count = 2, firstId = 4, firstStatus = 0; uint32_t words = 6; uint16_t secondId = 2, secondStatus = 0, members = 0; size_t size = 16; };

Bytes attributeReply(const Attributes& a) {
  Bytes out;
  for (uint16_t v : {a.count, a.firstId, a.firstStatus}) appendU16(out, v);
  appendU32(out, a.words);
  for (uint16_t v : {a.secondId, a.secondStatus, a.members}) appendU16(out, v);
  out.resize(a.size);
  return out;
}

struct AttributeRow { const char* label; Attributes reply; zoltc_logix_result expected; uint32_t dataSize; uint16_t members; };

class AttributeRows : public ::testing::TestWithParam<AttributeRow> {};

TEST_P(AttributeRows, Decode) {
  const Bytes bytes = attributeReply(GetParam().reply);
  uint32_t size = 99;
  uint16_t members = 99;
  EXPECT_EQ(zoltc_logix_template_attributes_decode(bytes.data(), static_cast<uint32_t>(bytes.size()), &size, &members),
            GetParam().expected);
  EXPECT_EQ(size, GetParam().dataSize);
  EXPECT_EQ(members, GetParam().members);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AttributeRows,
    ::testing::Values(
        AttributeRow{"Smallest", {}, kOk, 1, 0},
        AttributeRow{"Largest", {.words = 0x40005, .members = 3}, kOk, 1048573, 3},
        AttributeRow{"AboveTheLimit", {.words = 0x40006}, ZOLTC_LOGIX_ERR_TOO_LARGE, 0, 0},
        AttributeRow{"BelowSixWords", {.words = 5}, kBad, 0, 0},
        AttributeRow{"MemberTableJustFits", {.words = 8, .members = 1}, kOk, 9, 1},
        AttributeRow{"MemberTableDoesNotFit", {.words = 7, .members = 1}, kBad, 0, 0},
        AttributeRow{"FifteenBytes", {.size = 15}, kBad, 0, 0},
        AttributeRow{"Swapped", {.firstId = 2, .secondId = 4}, kBad, 0, 0},
        AttributeRow{"FirstRefused", {.firstStatus = 0x14}, ZOLTC_LOGIX_ERR_CIP_STATUS, 0, 0},
        AttributeRow{"LayoutBeforeStatuses", {.count = 3, .firstStatus = 0x14}, kBad, 0, 0}),
    LabelName{});

// Template data: the member table (info, type, offset), the name text as given, the names.
struct Member { uint16_t info, type; std::string name; };

Bytes templateData(const std::vector<Member>& members, std::string_view nameText, size_t cut = SIZE_MAX) {
  Bytes out;
  for (size_t i = 0; i < members.size(); ++i) {
    appendU16(out, members[i].info);
    appendU16(out, members[i].type);
    appendU32(out, static_cast<uint32_t>(4 * i));
  }
  out = join({out, text(nameText), Bytes{0}});
  for (const Member& m : members) out = join({out, text(m.name), Bytes{0}});
  out.resize(std::min(cut, out.size()));
  return out;
}

// parsed: "Name{member#instance:type[dim], ...}"; empty when it must fail.
struct ParseRow { const char* label; Bytes data; uint16_t count; zoltc_logix_result expected; std::string parsed; };

class TemplateRows : public ::testing::TestWithParam<ParseRow> {};

TEST_P(TemplateRows, Parse) {
  const ParseRow& row = GetParam();
  zoltc_logix_template entry{};
  EXPECT_EQ(zoltc_logix_template_parse(row.data.data(), static_cast<uint32_t>(row.data.size()), row.count, &entry), row.expected);
  const zoltc_logix_tag_info record{0, 0, nullptr, {}, entry.text, entry.members};
  EXPECT_EQ(entry.text ? render(record) : "", row.parsed);
  for (uint32_t i = 0; i < entry.members.count; ++i) {
    const zoltc_logix_tag_info& m = entry.members.items[i];
    EXPECT_EQ(std::tuple(m.dims[1], m.dims[2], m.type_name, m.members.count), std::tuple(0u, 0u, nullptr, 0u)) << i;
  }
  if (row.expected != kOk) {
    EXPECT_EQ(entry.members.items, nullptr);
  }
  zoltc_logix_template_free(&entry);
  EXPECT_EQ(std::tuple(entry.text, entry.members.items, entry.members.count), std::tuple(nullptr, nullptr, 0u));
}

ParseRow row(const char* label, const std::vector<Member>& members, const char* name, zoltc_logix_result expected,
             std::string parsed) {
  return {label, templateData(members, name), static_cast<uint16_t>(members.size()), expected, std::move(parsed)};
}

constexpr zoltc_logix_result kUnsupported = ZOLTC_LOGIX_ERR_UNSUPPORTED;

INSTANTIATE_TEST_SUITE_P(
    Rows, TemplateRows,
    ::testing::Values(
        row("InOrder", {{0, kDint, "Speed"}, {0, 0xCA, "Temp"}}, "Motor", kOk, "Motor{Speed#0:C4, Temp#1:CA}"),
        row("CutAtTheSemicolon", {{0, kDint, "LEN"}, {82, 0x20C2, "DATA"}}, "STRING;n\x01", kOk, "STRING{LEN#0:C4, DATA#1:20C2[82]}"),
        row("NothingBeforeTheSemicolon", {}, ";n", kBad, ""),
        row("EmptyName", {{0, kDint, "X"}}, "", kBad, ""),
        row("TenZsHideASint", {{0, kSint, "ZZZZZZZZZZ"}, {0, kBool, "Run"}}, "Valve", kOk, "Valve{Run#1:C1}"),
        row("NineZsAreAName", {{0, kSint, "ZZZZZZZZZ"}}, "T", kOk, "T{ZZZZZZZZZ#0:C2}"),
        row("TenZsOnADint", {{0, kDint, "ZZZZZZZZZZ"}}, "T", kOk, "T{ZZZZZZZZZZ#0:C4}"),
        row("InfoOnlyForArrays", {{10, kDint, "Scalar"}, {10, 0x20C4, "Values"}}, "T", kOk, "T{Scalar#0:C4, Values#1:20C4[10]}"),
        row("StructureMember", {{0, 0x8FCE, "Label"}}, "T", kOk, "T{Label#0:(no template)}"),
        row("TwoDimensions", {{0, kDint, "A"}, {6, 0x40C4, "Grid"}}, "T", kUnsupported, ""),
        row("EmptyMemberName", {{0, kDint, "A"}, {0, kDint, ""}}, "T", kBad, ""),
        ParseRow{"MemberNamesMissing", templateData({}, "T"), 1, kBad, ""},
        ParseRow{"MemberNameUnterminated", templateData({{0, kDint, "A"}, {0, kDint, "Bc"}}, "T", 22), 2, kBad, ""},
        ParseRow{"NamesWouldStartAtTheEnd", templateData({{0, kDint, "A"}}, "T", 8), 1, kBad, ""},
        ParseRow{"BytesAfterTheNamesIgnored", join({templateData({{0, kDint, "A"}}, "T"), hex("00 00 78")}), 1, kOk, "T{A#0:C4}"}),
    LabelName{});

}  // namespace
