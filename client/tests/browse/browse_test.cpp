// Browsing a simulated controller: visibility rules, programs, paging, structures, templates read
// once and in chunks, nesting and record limits, broken connections, controllers that break rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "bytes.hpp"
#include "records.hpp"
#include "simulator.hpp"

namespace {

using namespace quillon::testing;
using quillon::sim::Options;
using quillon::sim::RequestRecord;

constexpr uint8_t kPage = 0x55, kAttributes = 0x03, kReadTemplate = 0x4C, kPacket = 0x0A;

// A small plant: atomic tags and arrays, a STRING, structures with BOOL members (packed into
// hidden hosts), nested structures, arrays of structures, and symbols a client must hide.
constexpr const char* kPlant = R"({
  "types": [
    {"name": "Valve", "members": [{"name": "Open", "type": "BOOL"}, {"name": "Closed", "type": "BOOL"},
      {"name": "Position", "type": "REAL"}, {"name": "Label", "type": "STRING"}]},
    {"name": "Motor", "members": [{"name": "Running", "type": "BOOL"}, {"name": "Speed", "type": "DINT"},
      {"name": "History", "type": "REAL", "dim": 4}, {"name": "Inlet", "type": "Valve"}]},
    {"name": "Unused", "members": [{"name": "X", "type": "DINT"}]}],
  "tags": [{"name": "Counter", "type": "DINT"}, {"name": "Temps", "type": "REAL", "dims": [10]},
    {"name": "Grid", "type": "DINT", "dims": [2, 3, 4]}, {"name": "Title", "type": "STRING"},
    {"name": "Pump", "type": "Motor"}, {"name": "Pumps", "type": "Motor", "dims": [3]},
    {"name": "Flags", "type": "BOOL", "dims": [64]}, {"name": "__CONTAINER", "type": "DINT"},
    {"name": "__CONTAINER_Extra", "type": "DINT"}, {"name": "_CONTAINER", "type": "DINT"},
    {"name": "__Sys", "type": "DINT", "system": true}, {"name": "__SysMotor", "type": "Motor", "system": true},
    {"name": "Map", "typeWord": 37428}, {"name": "Short", "typeWord": 4200}],
  "programs": [
    {"name": "MainProgram", "tags": [{"name": "Local", "type": "INT"}, {"name": "Cfg", "type": "Motor"},
      {"name": "__container", "type": "DINT"}]},
    {"name": "Other", "tags": [{"name": "__CONTAINER", "type": "DINT"}, {"name": "Step", "type": "DINT"}]},
    {"name": "Empty"}]})";

constexpr const char* kMotor = "Motor{Running#1:C1, Speed#2:C4, History#3:20CA[4], Inlet#4:Valve{Open#1:C1, Closed#2:C1, "
                               "Position#3:CA, Label#4:STRING{LEN#0:C4, DATA#1:20C2[82]}}}";

// The instance of a record's path ("... class 0x6C instance 291").
uint32_t instanceOf(const RequestRecord& record) {
  return static_cast<uint32_t>(std::stoul(record.path.substr(record.path.rfind("instance ") + 9)));
}

std::string jsonType(const std::string& name, const std::vector<std::string>& members) {
  std::string text = R"({"name": ")" + name + R"(", "members": [)";
  for (size_t i = 0; i < members.size(); ++i) text += (i ? "," : "") + members[i];
  return text + "]}";
}
std::string jsonMember(const std::string& name, const std::string& type) {
  return R"({"name": ")" + name + R"(", "type": ")" + type + R"("})";
}

class Browse : public SimulatorTest {
 protected:
  void TearDown() override {
    zoltc_logix_tag_info_list_free(&list);
    SimulatorTest::TearDown();
  }
  // Serves `json`, connects and forgets the connect's requests.
  void serve(const std::string& json, const Options& options = {}) {
    start(quillon::sim::parseController(json), options);
    ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
    clearRecords();
  }
  zoltc_logix_result browse(const char* program = nullptr) {
    zoltc_logix_tag_info_list_free(&list);
    return program ? zoltc_logix_list_program_tags(client(), &list, program) : zoltc_logix_list_tags(client(), &list);
  }
  // The CIP requests that travelled on their own, oldest first.
  std::vector<RequestRecord> exchanges(std::optional<uint8_t> service = {}) const {
    std::vector<RequestRecord> out;
    for (const RequestRecord& r : records())
      if ((r.command == 0x6F || r.command == 0x70) && (!service || r.service == *service)) out.push_back(r);
    return out;
  }
  const zoltc_logix_tag_info* find(const char* name) const {
    for (uint32_t i = 0; i < list.count; ++i)
      if (std::string(list.items[i].name) == name) return &list.items[i];
    return nullptr;
  }
  void expectFailed(zoltc_logix_result result, zoltc_logix_result expected) {
    EXPECT_EQ(result, expected);
    EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(list.items, nullptr);
  }

  zoltc_logix_tag_info_list list{};
};

// Every symbol the controller lists is hidden by a rule or listed with its instance, type word
// and dimensions, in the controller's order; structures expand recursively without hidden
// members, an array of structures with the members of one element.
TEST_F(Browse, ListsWhatTheControllerListsExceptHiddenSymbols) {
  serve(kPlant);
  ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
  const std::vector<std::string> reference = names(list);
  const std::set<std::string> hidden = {"__CONTAINER", "__Sys", "__SysMotor", "Map"};
  uint32_t index = 0;
  for (const auto& symbol : server().controller().symbols()) {
    if (hidden.count(symbol.name) != 0) continue;
    ASSERT_LT(index, list.count);
    const zoltc_logix_tag_info& record = list.items[index++];
    EXPECT_EQ(record.name, symbol.type == ZOLTC_LOGIX_TYPE_PROGRAM && symbol.name.size() > 8 ? symbol.name.substr(8) : symbol.name);
    EXPECT_EQ(std::tuple(record.instance_id, record.type, record.dims[0], record.dims[1], record.dims[2]),
              std::tuple(symbol.instanceId, symbol.type, symbol.dims[0], symbol.dims[1], symbol.dims[2])) << symbol.name;
    if (!zoltc_logix_type_is_struct(record.type)) {
      EXPECT_EQ(std::tuple(record.type_name, record.members.count), std::tuple(nullptr, 0u));
    }
  }
  EXPECT_EQ(index, list.count);
  EXPECT_EQ(list.count, 13u);
  // Each template once (Motor, Valve, STRING: not the unused type, not the hidden system
  // structure), and nothing but pages and template requests. Connected, templates come in packets.
  std::set<uint32_t> read;
  for (const auto& r : exchanges(kAttributes)) read.insert(instanceOf(r));
  EXPECT_EQ(std::tuple(read.size(), exchanges(kAttributes).size(), exchanges(kReadTemplate).size()),
            testMessagingConnected() ? std::tuple(0u, 0u, 0u) : std::tuple(3u, 3u, 3u));
  EXPECT_EQ(exchanges().size(), exchanges(kPage).size() + exchanges(kPacket).size() + 2 * read.size());
  EXPECT_EQ(std::tuple(find("Flags")->type, find("Flags")->dims[0]), std::tuple(0x20D3, 2u));  // BOOLs in 32-bit words
  EXPECT_EQ(render(*find("Pump")), kMotor);
  EXPECT_EQ(render(*find("Pumps")), kMotor);
  // Members are described once per type: records grow with tags + distinct members, not tags x members.
  EXPECT_EQ(std::tuple(find("Pump")->members.items, find("Pump")->type_name), std::tuple(find("Pumps")->members.items, find("Pumps")->type_name));
  EXPECT_EQ(render(*find("Title")), "STRING{LEN#0:C4, DATA#1:20C2[82]}");

  // Program scopes, and failed browses that leave an empty list and a sound browse after them.
  clearRecords();
  ASSERT_EQ(browse("MainProgram"), ZOLTC_LOGIX_OK);
  EXPECT_EQ(names(list), (std::vector<std::string>{"Local", "Cfg", "__container"}));
  EXPECT_EQ(render(*find("Cfg")), kMotor);
  ASSERT_EQ(exchanges().size(), 1u);  // one page, the templates known
  EXPECT_EQ(exchanges()[0].path, "Program:MainProgram class 0x6B instance 0");
  clearRecords();
  expectFailed(browse("Empty"), ZOLTC_LOGIX_OK);
  EXPECT_TRUE(exchanges(kAttributes).empty());
  expectFailed(browse("NoSuchProgram"), ZOLTC_LOGIX_ERR_CIP_STATUS);
  // "Program:" and 248 characters are more than a symbolic segment holds: refused unsent.
  clearRecords();
  expectFailed(browse(std::string(248, 'P').c_str()), ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_TRUE(exchanges().empty());

  // Sound browses after failed ones, whatever the page size: the same records, and every page
  // starts past the page before. A new connection reads the templates anew, first in replies of
  // 64 bytes: each template in several reads, each from where the one before stopped.
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  const size_t symbols = server().controller().symbols().size();
  for (auto [perPage, replyLimit, emptyLastPage] : {std::tuple(0u, 64u, false), {1u, 504u, false}, {4u, 504u, true}}) {
    SCOPED_TRACE(testing::Message() << perPage << " per page, replies of " << replyLimit);
    setOptions([&](Options& o) { o.symbolsPerPage = perPage; o.replyLimit = replyLimit; o.emptyLastPage = emptyLastPage; });
    clearRecords();
    ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
    EXPECT_EQ(names(list), reference);
    EXPECT_EQ(render(*find("Pump")), kMotor);
    EXPECT_TRUE(replyLimit != 64 || testMessagingConnected() || exchanges(kReadTemplate).size() > 3);
    std::vector<uint32_t> starts;
    for (const auto& page : exchanges(kPage)) starts.push_back(instanceOf(page));
    ASSERT_FALSE(starts.empty());
    if (perPage != 0) {
      EXPECT_EQ(starts.size(), (symbols + perPage - 1) / perPage + (emptyLastPage ? 1 : 0));
    }
    EXPECT_EQ(starts[0], 0u);
    EXPECT_TRUE(std::adjacent_find(starts.begin(), starts.end(), std::greater_equal<>()) == starts.end());
  }
}

// A connection that breaks ends the browse with an empty list, on the service given. The
// session's RegisterSession and identity request count as the first two requests.
TEST_F(Browse, BrokenConnectionsEndTheBrowseWithAnEmptyList) {
  struct Row {
    const char* label;
    std::function<void(Options&)> knob;
    zoltc_logix_result expected;
    std::vector<uint8_t> lastServices;
    bool unconnectedOnly;  // connected, template reads are bundled and a bad status ends the connection
  };
  const std::vector<Row> rows = {
      {"ClosedAfterTwoPages", [](Options& o) { o.closeAfterRequests = 4; }, ZOLTC_LOGIX_ERR_CONNECTION_LOST, {kPage}, false},
      {"ClosedDuringTemplateReads", [](Options& o) { o.closeAfterRequests = 13; }, ZOLTC_LOGIX_ERR_CONNECTION_LOST,
       {kAttributes, kReadTemplate}, true},
      {"EncapsulationStatus", [](Options& o) { o.encapsulationStatus = 0x65; }, ZOLTC_LOGIX_ERR_CIP_STATUS, {kPage}, true}};
  Options paged;
  paged.symbolsPerPage = 2;
  for (const Row& row : rows) {
    if (row.unconnectedOnly && testMessagingConnected()) continue;
    SCOPED_TRACE(row.label);
    serve(kPlant, paged);
    setOptions(row.knob);
    expectFailed(browse(), row.expected);
    const auto sent = exchanges();
    ASSERT_FALSE(sent.empty());
    EXPECT_NE(std::find(row.lastServices.begin(), row.lastServices.end(), sent.back().service), row.lastServices.end());
  }
}

// Types T0 ... T{n-1}, each holding the next, the last a DINT: 64 deep is the limit.
TEST_F(Browse, NestingLimit) {
  for (int types : {64, 65}) {
    std::string json = R"({"types": [)";
    for (int i = types - 1; i >= 0; --i)
      json += jsonType("T" + std::to_string(i), {jsonMember("Next", i == types - 1 ? "DINT" : "T" + std::to_string(i + 1))}) + (i ? "," : "");
    serve(json + R"(], "tags": [{"name": "Deep", "type": "T0"}]})");
    if (types == 65) {
      expectFailed(browse(), ZOLTC_LOGIX_ERR_TOO_LARGE);
      continue;
    }
    ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
    const zoltc_logix_tag_info* record = &list.items[0];
    int depth = 0;
    for (; record->members.count > 0; ++depth) record = &record->members.items[0];
    EXPECT_EQ(std::tuple(depth, record->type), std::tuple(64, ZOLTC_LOGIX_TYPE_DINT));
  }
}

// Controllers that break the rules: served template layouts. Outer 0x101 holds Inner 0x102;
// each template is read once, even for a structure that comes back to itself.
TEST_F(Browse, BrowseAsServed) {
  struct Layout {
    const char* label;
    uint16_t templateId;
    std::vector<std::tuple<uint16_t, uint16_t, std::string>> rows;  // info, type, name
    zoltc_logix_result expected;
    size_t templatesRead;
    const char* rendered;
  };
  const std::vector<Layout> layouts = {
      {"OneDimension", 0x102, {{10, 0x20C4, "Values"}}, ZOLTC_LOGIX_OK, 2, "Outer{Count#0:C4, Inner#1:OneDimension{Values#0:20C4[10]}}"},
      {"ContainsItself", 0x101, {{0, 0xC4, "Count"}, {0, 0x8101, "Again"}}, ZOLTC_LOGIX_ERR_BAD_REPLY, 1, ""},
      {"TwoDimensions", 0x102, {{6, 0x40C4, "Plane"}}, ZOLTC_LOGIX_ERR_UNSUPPORTED, 2, ""}};
  for (const Layout& c : layouts) {
    SCOPED_TRACE(c.label);
    quillon::sim::TemplateOverride served;
    served.memberCount = static_cast<uint16_t>(c.rows.size());
    Bytes names = text(std::string(c.label) + ";n0");
    for (size_t i = 0; i < c.rows.size(); ++i) {
      appendU16(served.data, std::get<0>(c.rows[i]));
      appendU16(served.data, std::get<1>(c.rows[i]));
      appendU32(served.data, static_cast<uint32_t>(4 * i));
      names = join({names, Bytes{0}, text(std::get<2>(c.rows[i]))});
    }
    served.data = join({served.data, names, Bytes{0}});
    Options options;
    options.templateOverrides[c.templateId] = served;
    serve(R"({"types": [{"name": "Outer", "id": 257, "members": [{"name": "Count", "type": "DINT"}, {"name": "Inner", "type": "Inner"}]},
        {"name": "Inner", "id": 258, "members": [{"name": "Value", "type": "DINT"}]}], "tags": [{"name": "Plant", "type": "Outer"}]})",
          options);
    EXPECT_EQ(browse(), c.expected);
    EXPECT_EQ(list.count == 0 ? std::string() : render(list.items[0]), c.rendered);
    if (!testMessagingConnected()) {  // connected, attribute requests are bundled
      EXPECT_EQ(exchanges(kAttributes).size(), c.templatesRead);
    }
  }
}

}  // namespace
