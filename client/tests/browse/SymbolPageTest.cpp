// The parser of one symbol page: entry layout, rising instance ids, visibility
// rules, program names and the record limit.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browse.h"

#include "WireBuilders.hpp"
#include "test_allocator.hpp"

namespace {

using browse_test::Bytes;
using browse_test::symbolPage;
using browse_test::SymbolEntry;

class PageParse : public ::testing::Test {
 protected:
  void TearDown() override { zoltc_logix_tag_info_list_free(&state.list); }

  zoltc_logix_result parse(const Bytes& bytes) {
    return zoltc_logix_symbol_page_parse(bytes.data(), static_cast<uint32_t>(bytes.size()),
                                         &state);
  }

  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (uint32_t i = 0; i < state.list.count; ++i) {
      out.emplace_back(state.list.items[i].name);
    }
    return out;
  }

  zoltc_logix_browse_state state{};
};

struct PageRow {
  const char* what;
  Bytes bytes;
  uint32_t start;
  zoltc_logix_result expected;
  std::vector<std::string> names;
  uint32_t nextStart;
};

class PageRows : public PageParse, public ::testing::WithParamInterface<PageRow> {};

TEST_P(PageRows, ParsesAsExpected) {
  const PageRow& row = GetParam();
  state.start_instance = row.start;
  EXPECT_EQ(parse(row.bytes), row.expected);
  EXPECT_EQ(names(), row.names);
  EXPECT_EQ(state.start_instance, row.nextStart);
}

constexpr uint16_t dint = 0x00C4;
constexpr uint16_t program = 0x1068;

Bytes withTail(Bytes bytes, size_t tail) {
  bytes.insert(bytes.end(), tail, 0x01);
  return bytes;
}

const PageRow pageRows[] = {
    {"empty page", {}, 0, ZOLTC_LOGIX_OK, {}, 0},
    {"one tag", symbolPage({{5, "Speed", dint}}), 0, ZOLTC_LOGIX_OK, {"Speed"}, 6},
    {"several tags in order",
     symbolPage({{1, "A", dint}, {2, "B", 0x8234}, {70000, "C", 0x20CA}}), 0, ZOLTC_LOGIX_OK,
     {"A", "B", "C"}, 70001},
    {"program loses its prefix", symbolPage({{3, "Program:MainProgram", program}}), 0,
     ZOLTC_LOGIX_OK, {"MainProgram"}, 4},
    {"prefix dropped without comparing", symbolPage({{3, "abcdefghXY", program}}), 0,
     ZOLTC_LOGIX_OK, {"XY"}, 4},
    {"program of 8 bytes keeps its name", symbolPage({{3, "Program:", program}}), 0,
     ZOLTC_LOGIX_OK, {"Program:"}, 4},
    {"short program name kept whole", symbolPage({{3, "Main", program}}), 0, ZOLTC_LOGIX_OK,
     {"Main"}, 4},
    {"prefix kept on non-program", symbolPage({{3, "Program:X", dint}}), 0, ZOLTC_LOGIX_OK,
     {"Program:X"}, 4},
    {"system symbol hidden", symbolPage({{1, "__Sys", 0x10C4}, {2, "Shown", dint}}), 0,
     ZOLTC_LOGIX_OK, {"Shown"}, 3},
    {"system structure hidden", symbolPage({{1, "Map", 0x9234}}), 0, ZOLTC_LOGIX_OK, {}, 2},
    {"system array hidden", symbolPage({{1, "Map", 0x30C4}}), 0, ZOLTC_LOGIX_OK, {}, 2},
    {"near-program word is a system symbol", symbolPage({{1, "Program:P", 0x1069}}), 0,
     ZOLTC_LOGIX_OK, {}, 2},
    {"__CONTAINER hidden", symbolPage({{9, "__CONTAINER", dint}}), 0, ZOLTC_LOGIX_OK, {}, 10},
    {"__CONTAINER structure hidden", symbolPage({{9, "__CONTAINER", 0x8234}}), 0,
     ZOLTC_LOGIX_OK, {}, 10},
    {"__container in other case kept", symbolPage({{9, "__container", dint}}), 0,
     ZOLTC_LOGIX_OK, {"__container"}, 10},
    {"name beginning with __CONTAINER kept", symbolPage({{9, "__CONTAINER1", dint}}), 0,
     ZOLTC_LOGIX_OK, {"__CONTAINER1"}, 10},
    {"shorter than __CONTAINER kept", symbolPage({{9, "__CONTAINE", dint}}), 0,
     ZOLTC_LOGIX_OK, {"__CONTAINE"}, 10},
    {"program rule comes before the container rule",
     symbolPage({{9, "__CONTAINER", program}}), 0, ZOLTC_LOGIX_OK, {"NER"}, 10},
    {"instance equal to the start", symbolPage({{5, "A", dint}}), 5, ZOLTC_LOGIX_OK, {"A"}, 6},
    {"instance below the start", symbolPage({{4, "A", dint}}), 5, ZOLTC_LOGIX_ERR_BAD_REPLY,
     {}, 5},
    {"repeated instance", symbolPage({{4, "A", dint}, {4, "B", dint}}), 0,
     ZOLTC_LOGIX_ERR_BAD_REPLY, {"A"}, 5},
    {"falling instance", symbolPage({{4, "A", dint}, {3, "B", dint}}), 0,
     ZOLTC_LOGIX_ERR_BAD_REPLY, {"A"}, 5},
    {"largest usable instance", symbolPage({{0xFFFFFFFEu, "A", dint}}), 0, ZOLTC_LOGIX_OK,
     {"A"}, 0xFFFFFFFFu},
    {"instance 0xFFFFFFFF", symbolPage({{0xFFFFFFFFu, "A", dint}}), 0,
     ZOLTC_LOGIX_ERR_BAD_REPLY, {}, 0},
    {"name length 0", symbolPage({{1, "", dint}}), 0, ZOLTC_LOGIX_ERR_BAD_REPLY, {}, 0},
    {"zero byte inside the name", symbolPage({{1, std::string("A\0B", 3), dint}}), 0,
     ZOLTC_LOGIX_ERR_BAD_REPLY, {}, 0},
    {"zero byte ends the name", symbolPage({{1, std::string("AB\0", 3), dint}}), 0,
     ZOLTC_LOGIX_ERR_BAD_REPLY, {}, 0},
    {"name length beyond the data", Bytes{1, 0, 0, 0, 0xFF, 0xFF, 'A', 'B'}, 0,
     ZOLTC_LOGIX_ERR_BAD_REPLY, {}, 0},
    {"1 byte left after an entry", withTail(symbolPage({{1, "A", dint}}), 1), 0,
     ZOLTC_LOGIX_ERR_BAD_REPLY, {"A"}, 2},
    {"5 bytes left after an entry", withTail(symbolPage({{1, "A", dint}}), 5), 0,
     ZOLTC_LOGIX_ERR_BAD_REPLY, {"A"}, 2},
    {"6 bytes left after an entry", withTail(symbolPage({{1, "A", dint}}), 6), 0,
     ZOLTC_LOGIX_ERR_BAD_REPLY, {"A"}, 2},
};

INSTANTIATE_TEST_SUITE_P(Rows, PageRows, ::testing::ValuesIn(pageRows),
                         browse_test::RowName());

TEST_F(PageParse, RecordCarriesInstanceTypeAndDimensions) {
  ASSERT_EQ(parse(symbolPage({{300, "Grid", 0x60C4, {2, 3, 4}}})), ZOLTC_LOGIX_OK);
  ASSERT_EQ(state.list.count, 1u);
  const zoltc_logix_tag_info& info = state.list.items[0];
  EXPECT_EQ(info.instance_id, 300u);
  EXPECT_EQ(info.type, 0x60C4);
  EXPECT_EQ(info.dims[0], 2u);
  EXPECT_EQ(info.dims[1], 3u);
  EXPECT_EQ(info.dims[2], 4u);
  EXPECT_EQ(info.type_name, nullptr);
  EXPECT_EQ(info.members.count, 0u);
  EXPECT_EQ(info.members.items, nullptr);
}

// Cutting a valid two-entry page anywhere but between its entries is malformed.
TEST_F(PageParse, EveryCutOfAValidPage) {
  Bytes page = symbolPage({{1, "First", dint}, {2, "Second", 0x8FCE}});
  size_t boundary = 20 + 5;
  for (size_t cut = 1; cut < page.size(); ++cut) {
    zoltc_logix_browse_state cutState{};
    Bytes prefix(page.begin(), page.begin() + static_cast<std::ptrdiff_t>(cut));
    zoltc_logix_result result = zoltc_logix_symbol_page_parse(
        prefix.data(), static_cast<uint32_t>(prefix.size()), &cutState);
    EXPECT_EQ(result, cut == boundary ? ZOLTC_LOGIX_OK : ZOLTC_LOGIX_ERR_BAD_REPLY)
        << "cut at " << cut;
    zoltc_logix_tag_info_list_free(&cutState.list);
  }
}

TEST_F(PageParse, StartMovesFromPageToPage) {
  ASSERT_EQ(parse(symbolPage({{1, "A", dint}, {7, "__CONTAINER", dint}})), ZOLTC_LOGIX_OK);
  EXPECT_EQ(state.start_instance, 8u);
  EXPECT_EQ(parse(symbolPage({{7, "B", dint}})), ZOLTC_LOGIX_ERR_BAD_REPLY);
  EXPECT_EQ(parse(symbolPage({{8, "B", dint}})), ZOLTC_LOGIX_OK);
  EXPECT_EQ(names(), (std::vector<std::string>{"A", "B"}));
}

TEST_F(PageParse, NullArguments) {
  EXPECT_EQ(zoltc_logix_symbol_page_parse(nullptr, 0, &state), ZOLTC_LOGIX_OK);
  EXPECT_EQ(zoltc_logix_symbol_page_parse(nullptr, 4, &state), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  uint8_t byte = 0;
  EXPECT_EQ(zoltc_logix_symbol_page_parse(&byte, 1, nullptr), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
}

std::vector<SymbolEntry> numberedTags(uint32_t first, uint32_t count) {
  std::vector<SymbolEntry> entries;
  entries.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    entries.push_back({first + i, "T" + std::to_string(first + i), dint});
  }
  return entries;
}

TEST_F(PageParse, AcceptsExactlyTheRecordLimit) {
  ASSERT_EQ(parse(symbolPage(numberedTags(0, ZOLTC_LOGIX_MAX_RECORDS))), ZOLTC_LOGIX_OK);
  EXPECT_EQ(state.list.count, ZOLTC_LOGIX_MAX_RECORDS);
  EXPECT_STREQ(state.list.items[ZOLTC_LOGIX_MAX_RECORDS - 1].name, "T999999");
  // Hidden entries do not count towards the limit.
  EXPECT_EQ(parse(symbolPage({{ZOLTC_LOGIX_MAX_RECORDS, "__CONTAINER", dint}})), ZOLTC_LOGIX_OK);
  EXPECT_EQ(parse(symbolPage({{ZOLTC_LOGIX_MAX_RECORDS + 1, "Extra", dint}})),
            ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(state.list.count, ZOLTC_LOGIX_MAX_RECORDS);
}

TEST_F(PageParse, LimitCountsEarlierPages) {
  ASSERT_EQ(parse(symbolPage(numberedTags(0, ZOLTC_LOGIX_MAX_RECORDS - 1))), ZOLTC_LOGIX_OK);
  EXPECT_EQ(parse(symbolPage(numberedTags(ZOLTC_LOGIX_MAX_RECORDS, 2))),
            ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(state.list.count, ZOLTC_LOGIX_MAX_RECORDS);
}

// Every allocation of a page (names, the first array, its growth) may fail:
// the parse reports it, and the records it kept are released with the list.
TEST(PageParseMemory, EveryAllocationFailure) {
  quillon::testing::TestAllocator allocator;
  Bytes page = symbolPage(numberedTags(0, 70));
  uint64_t failures = quillon::testing::sweepAllocationFailures(allocator, [&] {
    zoltc_logix_browse_state state{};
    zoltc_logix_result result =
        zoltc_logix_symbol_page_parse(page.data(), static_cast<uint32_t>(page.size()), &state);
    EXPECT_EQ(result, allocator.injected() ? ZOLTC_LOGIX_ERR_NO_MEMORY : ZOLTC_LOGIX_OK);
    zoltc_logix_tag_info_list_free(&state.list);
  });
  // 70 names, the first array of 32 and its growth to 64 and 128.
  EXPECT_EQ(failures, 73u);
}

}  // namespace
