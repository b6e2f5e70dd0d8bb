// Browsing a simulated controller over loopback: visibility rules, programs,
// paging, structure expansion, template fetches and controller refusals.
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BrowseFixture.hpp"
#include "WireBuilders.hpp"
#include "quillon_sim/options.hpp"

namespace browse_test {
namespace {

using quillon::sim::Options;
using quillon::sim::parseController;

// A small plant: atomic tags and arrays, a STRING, structures with BOOL members
// (packed into hidden hosts), nested structures, arrays of structures, and the
// symbols a client must hide (system symbols, "__CONTAINER").
constexpr const char* kPlant = R"({
  "identity": {"productName": "Browse Plant"},
  "types": [
    {"name": "Valve", "members": [
      {"name": "Open", "type": "BOOL"}, {"name": "Closed", "type": "BOOL"},
      {"name": "Position", "type": "REAL"}, {"name": "Label", "type": "STRING"}]},
    {"name": "Motor", "members": [
      {"name": "Running", "type": "BOOL"}, {"name": "Speed", "type": "DINT"},
      {"name": "History", "type": "REAL", "dim": 4}, {"name": "Inlet", "type": "Valve"}]},
    {"name": "Unused", "members": [{"name": "X", "type": "DINT"}]}
  ],
  "tags": [
    {"name": "Counter", "type": "DINT"},
    {"name": "Temps", "type": "REAL", "dims": [10]},
    {"name": "Grid", "type": "DINT", "dims": [2, 3, 4]},
    {"name": "Title", "type": "STRING"},
    {"name": "Pump", "type": "Motor"},
    {"name": "Pumps", "type": "Motor", "dims": [3]},
    {"name": "Flags", "type": "BOOL", "dims": [64]},
    {"name": "__CONTAINER", "type": "DINT"},
    {"name": "__CONTAINER_Extra", "type": "DINT"},
    {"name": "_CONTAINER", "type": "DINT"},
    {"name": "__Sys", "type": "DINT", "system": true},
    {"name": "__SysMotor", "type": "Motor", "system": true},
    {"name": "Map", "typeWord": 37428},
    {"name": "Short", "typeWord": 4200}
  ],
  "programs": [
    {"name": "MainProgram", "tags": [
      {"name": "Local", "type": "INT"}, {"name": "Cfg", "type": "Motor"},
      {"name": "__container", "type": "DINT"}]},
    {"name": "Other", "tags": [
      {"name": "__CONTAINER", "type": "DINT"}, {"name": "Step", "type": "DINT"}]},
    {"name": "Empty"}
  ]
})";

constexpr const char* kMotor =
    "Motor{Running#1:C1, Speed#2:C4, History#3:20CA[4], Inlet#4:Valve{Open#1:C1, Closed#2:C1, "
    "Position#3:CA, Label#4:STRING{LEN#0:C4, DATA#1:20C2[82]}}}";

// Options changed by `set`, for table rows.
template <typename Set>
Options optionsWith(Set set) {
  Options options;
  set(options);
  return options;
}

std::vector<std::string> namesOf(const zoltc_logix_tag_info_list& list) {
  std::vector<std::string> names;
  for (uint32_t i = 0; i < list.count; ++i) {
    names.emplace_back(list.items[i].name);
  }
  return names;
}

class PlantBrowse : public BrowseTest {
 protected:
  void SetUp() override { serve(parseController(kPlant)); }
};

// Every symbol the controller lists is either hidden by a rule or listed with
// its instance id, type word and dimensions, in the controller's order.
TEST_F(PlantBrowse, ListsWhatTheControllerListsExceptHiddenSymbols) {
  ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
  const std::set<std::string> hidden = {"__CONTAINER", "__Sys", "__SysMotor", "Map"};
  std::vector<std::string> expected;
  uint32_t index = 0;
  for (const auto& symbol : server().controller().symbols()) {
    if (hidden.count(symbol.name) != 0) {
      EXPECT_EQ(find(symbol.name.c_str()), nullptr) << symbol.name;
      continue;
    }
    ASSERT_LT(index, list().count);
    const zoltc_logix_tag_info& record = list().items[index++];
    std::string name = symbol.type == 0x1068 && symbol.name.size() > 8 ? symbol.name.substr(8)
                                                                       : symbol.name;
    EXPECT_EQ(record.name, name);
    EXPECT_EQ(record.instance_id, symbol.instanceId) << name;
    EXPECT_EQ(record.type, symbol.type) << name;
    EXPECT_EQ(record.dims[0], symbol.dims[0]) << name;
    EXPECT_EQ(record.dims[1], symbol.dims[1]) << name;
    EXPECT_EQ(record.dims[2], symbol.dims[2]) << name;
    expected.push_back(name);
  }
  EXPECT_EQ(index, list().count);
  std::vector<std::string> sorted = expected;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{"Counter", "Empty", "Flags", "Grid", "MainProgram",
                                              "Other", "Pump", "Pumps", "Short", "Temps", "Title",
                                              "_CONTAINER", "__CONTAINER_Extra"}));
}

TEST_F(PlantBrowse, AtomicRecordsCarryNoTemplate) {
  ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
  for (const char* name : {"Counter", "Temps", "Grid", "Flags", "MainProgram", "Short"}) {
    const zoltc_logix_tag_info* record = find(name);
    ASSERT_NE(record, nullptr) << name;
    EXPECT_EQ(record->type_name, nullptr) << name;
    EXPECT_EQ(record->members.count, 0u) << name;
  }
  // A BOOL array is listed the way the controller keeps it: 32-bit words.
  EXPECT_EQ(find("Flags")->type, 0x20D3);
  EXPECT_EQ(find("Flags")->dims[0], 2u);
}

TEST_F(PlantBrowse, StructuresExpandRecursivelyWithoutHiddenMembers) {
  ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
  EXPECT_EQ(renderMembers(*find("Pump")), kMotor);
  // An array of structures carries the members of one element.
  EXPECT_EQ(renderMembers(*find("Pumps")), kMotor);
  EXPECT_EQ(find("Pumps")->dims[0], 3u);
  EXPECT_EQ(renderMembers(*find("Title")), "STRING{LEN#0:C4, DATA#1:20C2[82]}");
  EXPECT_TRUE(zoltc_logix_tag_is_string(find("Title")));
}

// Templates are cached per connection: a second browse and a program's scope read
// none again; a new connection reads them once more.
TEST_F(PlantBrowse, EachTemplateIsFetchedOncePerConnection) {
  for (int round = 1; round <= 2; ++round) {
    ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
    ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
    ASSERT_EQ(browse("MainProgram"), ZOLTC_LOGIX_OK);
    std::map<uint32_t, int> attributeReads;
    for (const auto& record : exchanges(kGetAttributeList)) {
      ++attributeReads[pathInstance(record.path).value()];
    }
    // Motor, Valve and STRING; not the unused type, not the hidden system structure.
    EXPECT_EQ(attributeReads.size(), 3u);
    for (const auto& [instance, reads] : attributeReads) {
      EXPECT_EQ(reads, round) << "template " << instance;
    }
    std::set<uint32_t> read;
    for (const auto& record : exchanges(kReadTemplate)) {
      read.insert(pathInstance(record.path).value());
    }
    EXPECT_EQ(read.size(), 3u);
    ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  }
}

// A browse sends nothing but symbol pages and template requests.
TEST_F(PlantBrowse, ExchangesArePagesAndTemplateRequests) {
  ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
  size_t pages = exchanges(kGetInstanceAttributeList).size();
  size_t templates = exchanges(kGetAttributeList).size() + exchanges(kReadTemplate).size();
  EXPECT_GE(pages, 1u);
  EXPECT_EQ(exchanges().size(), pages + templates);
  for (const auto& record : exchanges(kGetInstanceAttributeList)) {
    EXPECT_EQ(record.data, (Bytes{0x03, 0x00, 0x01, 0x00, 0x02, 0x00, 0x08, 0x00}));
  }
  for (const auto& record : exchanges(kGetAttributeList)) {
    EXPECT_EQ(record.data, (Bytes{0x02, 0x00, 0x04, 0x00, 0x02, 0x00}));
  }
}

TEST_F(PlantBrowse, ProgramScope) {
  ASSERT_EQ(browse("MainProgram"), ZOLTC_LOGIX_OK);
  EXPECT_EQ(namesOf(list()), (std::vector<std::string>{"Local", "Cfg", "__container"}));
  EXPECT_EQ(renderMembers(*find("Cfg")), kMotor);
  std::vector<quillon::sim::RequestRecord> pages = exchanges(kGetInstanceAttributeList);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].path, "Program:MainProgram class 0x6B instance 0");

  ASSERT_EQ(browse("Other"), ZOLTC_LOGIX_OK);
  EXPECT_EQ(namesOf(list()), (std::vector<std::string>{"Step"}));
}

TEST_F(PlantBrowse, ProgramWithoutTags) {
  ASSERT_EQ(browse("Empty"), ZOLTC_LOGIX_OK);
  EXPECT_EQ(list().count, 0u);
  EXPECT_EQ(list().items, nullptr);
  EXPECT_TRUE(exchanges(kGetAttributeList).empty());
}

TEST_F(PlantBrowse, UnknownProgramIsRefused) {
  EXPECT_EQ(browse("NoSuchProgram"), ZOLTC_LOGIX_ERR_CIP_STATUS);
  EXPECT_EQ(list().count, 0u);
  EXPECT_EQ(list().items, nullptr);
  EXPECT_EQ(exchanges().size(), 1u);
}

TEST_F(PlantBrowse, ProgramNameLimit) {
  // "Program:" and 247 characters fill a symbolic segment of 255 bytes.
  std::string longest(247, 'P');
  EXPECT_EQ(browse(longest.c_str()), ZOLTC_LOGIX_ERR_CIP_STATUS);
  ASSERT_EQ(exchanges().size(), 1u);
  EXPECT_EQ(exchanges()[0].path, "Program:" + longest + " class 0x6B instance 0");
  std::string tooLong(248, 'P');
  EXPECT_EQ(browse(tooLong.c_str()), ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(list().items, nullptr);
  EXPECT_EQ(exchanges().size(), 1u);
}

TEST_F(PlantBrowse, ArgumentChecksSendNothing) {
  zoltc_logix_tag_info dummy{};
  zoltc_logix_tag_info_list stale{7, &dummy, nullptr};
  EXPECT_EQ(zoltc_logix_list_program_tags(client(), &stale, ""), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(stale.count, 0u);
  EXPECT_EQ(stale.items, nullptr);
  stale = {7, &dummy, nullptr};
  EXPECT_EQ(zoltc_logix_list_program_tags(client(), &stale, nullptr),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(stale.items, nullptr);
  stale = {7, &dummy, nullptr};
  EXPECT_EQ(zoltc_logix_list_tags(nullptr, &stale), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(stale.items, nullptr);
  stale = {7, &dummy, nullptr};
  EXPECT_EQ(zoltc_logix_list_program_tags(nullptr, &stale, "MainProgram"),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(stale.items, nullptr);
  EXPECT_EQ(zoltc_logix_list_tags(client(), nullptr), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_list_program_tags(client(), nullptr, "MainProgram"),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_TRUE(exchanges().empty());
}

TEST_F(PlantBrowse, NeedsAConnection) {
  zoltc_logix_disconnect(client());
  EXPECT_EQ(browse(), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  EXPECT_EQ(list().items, nullptr);
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  EXPECT_EQ(browse(), ZOLTC_LOGIX_OK);
}

// ---- Paging ---------------------------------------------------------------------

struct PagingRow {
  const char* what;
  uint32_t perPage;
  uint32_t replyLimit;
  bool emptyLastPage;
};

class Paging : public BrowseTest, public ::testing::WithParamInterface<PagingRow> {};

// Whatever the page size, the browse gives the same records, and every page
// starts one past the last instance of the page before.
TEST_P(Paging, SameResultWithEveryPageSize) {
  serve(parseController(kPlant));
  ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
  std::vector<std::string> reference = namesOf(list());

  const PagingRow& row = GetParam();
  Options options;
  options.symbolsPerPage = row.perPage;
  options.replyLimit = row.replyLimit;
  options.emptyLastPage = row.emptyLastPage;
  server().setOptions(options);
  server().clearRequests();
  ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
  EXPECT_EQ(namesOf(list()), reference);
  EXPECT_EQ(renderMembers(*find("Pump")), kMotor);

  std::vector<quillon::sim::RequestRecord> pages = exchanges(kGetInstanceAttributeList);
  size_t symbols = server().controller().symbols().size();
  if (row.perPage != 0) {
    EXPECT_EQ(pages.size(), (symbols + row.perPage - 1) / row.perPage + (row.emptyLastPage ? 1 : 0));
  }
  EXPECT_EQ(pathInstance(pages[0].path), 0u);
  std::vector<uint32_t> starts;
  for (const auto& page : pages) {
    starts.push_back(pathInstance(page.path).value());
  }
  EXPECT_TRUE(std::is_sorted(starts.begin(), starts.end()));
  EXPECT_EQ(std::adjacent_find(starts.begin(), starts.end()), starts.end());
}

const PagingRow pagingRows[] = {
    {"one entry per page", 1, 504, false},
    {"two entries per page", 2, 504, false},
    {"five entries per page", 5, 504, false},
    {"pages cut by the reply size", 0, 64, false},
    {"one page", 0, 0, false},
    {"empty last page", 4, 504, true},
};

INSTANTIATE_TEST_SUITE_P(Rows, Paging, ::testing::ValuesIn(pagingRows), RowName());

// Start instances of 255 and below, up to 65535 and above travel in the 8-, 16-
// and 32-bit instance segment forms; the controller must read each correctly.
TEST_F(BrowseTest, PagesCrossEveryInstanceSegmentForm) {
  serve(parseController(R"({"tags": [
      {"name": "A", "type": "DINT", "instance": 1},
      {"name": "B", "type": "DINT", "instance": 255},
      {"name": "C", "type": "DINT", "instance": 256},
      {"name": "D", "type": "DINT", "instance": 65535},
      {"name": "E", "type": "DINT", "instance": 65536},
      {"name": "F", "type": "DINT", "instance": 305419896}]})"),
        optionsWith([](Options& o) { o.symbolsPerPage = 1; }));
  ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
  EXPECT_EQ(namesOf(list()), (std::vector<std::string>{"A", "B", "C", "D", "E", "F"}));
  std::vector<uint32_t> starts;
  for (const auto& page : exchanges(kGetInstanceAttributeList)) {
    starts.push_back(pathInstance(page.path).value());
  }
  EXPECT_EQ(starts, (std::vector<uint32_t>{0, 2, 256, 257, 65536, 65537}));
  EXPECT_EQ(list().items[5].instance_id, 305419896u);
}

// ---- Controller refusals and broken connections ------------------------------------

// A structure type word whose template the controller does not have.
TEST_F(BrowseTest, MissingTemplateIsRefused) {
  serve(parseController(R"({"tags": [
      {"name": "Fine", "type": "DINT"}, {"name": "Orphan", "typeWord": 35567}]})"));
  EXPECT_EQ(browse(), ZOLTC_LOGIX_ERR_CIP_STATUS);
  EXPECT_EQ(list().count, 0u);
  EXPECT_EQ(list().items, nullptr);
  ASSERT_EQ(exchanges(kGetAttributeList).size(), 1u);
  EXPECT_EQ(pathInstance(exchanges(kGetAttributeList)[0].path), 0xAEFu);
  EXPECT_TRUE(exchanges(kReadTemplate).empty());
}

struct FaultRow {
  const char* what;
  Options options;
  zoltc_logix_result expected;
  std::vector<uint8_t> lastServices;  // the service the browse ended on, one of these
};

class Faults : public BrowseTest, public ::testing::WithParamInterface<FaultRow> {};

TEST_P(Faults, EndTheBrowseWithAnEmptyList) {
  Options paged;
  paged.symbolsPerPage = 2;
  serve(parseController(kPlant), paged);
  Options options = GetParam().options;
  options.symbolsPerPage = 2;
  server().setOptions(options);
  EXPECT_EQ(browse(), GetParam().expected);
  EXPECT_EQ(list().count, 0u);
  EXPECT_EQ(list().items, nullptr);
  std::vector<quillon::sim::RequestRecord> sent = exchanges();
  ASSERT_FALSE(sent.empty());
  EXPECT_NE(std::find(GetParam().lastServices.begin(), GetParam().lastServices.end(),
                      sent.back().service),
            GetParam().lastServices.end())
      << "ended on service 0x" << std::hex << int{sent.back().service};
}

// The session's RegisterSession and identity request count as the first two.
const FaultRow faultRows[] = {
    {"connection closed after two pages",
     optionsWith([](Options& o) { o.closeAfterRequests = 4; }), ZOLTC_LOGIX_ERR_CONNECTION_LOST,
     {kGetInstanceAttributeList}},
    {"connection closed during template reads",
     optionsWith([](Options& o) { o.closeAfterRequests = 13; }), ZOLTC_LOGIX_ERR_CONNECTION_LOST,
     {kGetAttributeList, kReadTemplate}},
    {"encapsulation status", optionsWith([](Options& o) { o.encapsulationStatus = 0x65; }),
     ZOLTC_LOGIX_ERR_CIP_STATUS, {kGetInstanceAttributeList}},
    {"reply for another session", optionsWith([](Options& o) { o.wrongSessionHandle = true; }),
     ZOLTC_LOGIX_ERR_CIP_STATUS, {kGetInstanceAttributeList}},
    {"reply cut short", optionsWith([](Options& o) { o.truncateReplyTo = 30; }),
     ZOLTC_LOGIX_ERR_CONNECTION_LOST, {kGetInstanceAttributeList}},
};

INSTANTIATE_TEST_SUITE_P(Rows, Faults, ::testing::ValuesIn(faultRows), RowName());

// The sound browse that follows a failed one still works.
TEST_F(PlantBrowse, BrowseAfterAFailureSucceeds) {
  EXPECT_EQ(browse("NoSuchProgram"), ZOLTC_LOGIX_ERR_CIP_STATUS);
  ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
  EXPECT_EQ(renderMembers(*find("Pump")), kMotor);
}

}  // namespace
}  // namespace browse_test
