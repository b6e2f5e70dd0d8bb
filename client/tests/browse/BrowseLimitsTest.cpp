// Browsing at the limits: templates that need several chunks, nesting depth,
// the record limit, and structures the library refuses.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BrowseFixture.hpp"
#include "label_name.hpp"
#include "quillon_sim/options.hpp"

namespace browse_test {
namespace {

using quillon::sim::Options;
using quillon::sim::parseController;

std::string jsonMember(const std::string& name, const std::string& type) {
  return R"({"name": ")" + name + R"(", "type": ")" + type + R"("})";
}

// A type named `name` with the given members, as a JSON object.
std::string jsonType(const std::string& name, const std::vector<std::string>& members) {
  std::string text = R"({"name": ")" + name + R"(", "members": [)";
  for (size_t i = 0; i < members.size(); ++i) {
    text += (i > 0 ? "," : "") + members[i];
  }
  return text + "]}";
}

// ---- Templates in chunks ----------------------------------------------------------

// 1000 DINT members whose names make the template data exactly 70001 bytes: a
// member table of 8000 bytes, "Wide;n", two suffix letters per member and the
// terminator (2007), and 994 names of 59 and 6 names of 58 characters with
// their terminators (59994).
std::string wideController() {
  std::vector<std::string> members;
  for (int i = 0; i < 1000; ++i) {
    std::string name = "M" + std::to_string(1000 + i);
    name.resize(i < 994 ? 59 : 58, 'x');
    members.push_back(jsonMember(name, "DINT"));
  }
  return R"({"types": [)" + jsonType("Wide", members) +
         R"(], "tags": [{"name": "W", "type": "Wide"}]})";
}

constexpr uint32_t kWideSize = 70001;

struct ChunkRequest {
  uint32_t offset;
  uint16_t wanted;
  bool operator==(const ChunkRequest&) const = default;
};

class TemplateChunks : public BrowseTest {
 protected:
  std::vector<ChunkRequest> chunkRequests() const {
    std::vector<ChunkRequest> out;
    for (const auto& record : exchanges(kReadTemplate)) {
      EXPECT_EQ(record.data.size(), 6u);
      uint32_t offset = record.data[0] | record.data[1] << 8 | record.data[2] << 16 |
                        static_cast<uint32_t>(record.data[3]) << 24;
      out.push_back({offset, static_cast<uint16_t>(record.data[4] | record.data[5] << 8)});
    }
    return out;
  }

  void expectWideMembers() {
    ASSERT_EQ(list().count, 1u);
    const zoltc_logix_tag_info& wide = list().items[0];
    EXPECT_STREQ(wide.type_name, "Wide");
    ASSERT_EQ(wide.members.count, 1000u);
    EXPECT_EQ(std::string(wide.members.items[0].name), "M1000" + std::string(54, 'x'));
    EXPECT_EQ(std::string(wide.members.items[999].name), "M1999" + std::string(53, 'x'));
    EXPECT_EQ(wide.members.items[999].instance_id, 999u);
  }
};

// With replies as large as the encapsulation allows, the 70001 bytes take two
// requests: all 65535 bytes a request may ask for, then the rest from where the
// first reply stopped (an encapsulated reply holds at most 65515 template bytes).
TEST_F(TemplateChunks, LargestRepliesNeedTwoRequests) {
  Options options;
  options.replyLimit = 0;
  serve(parseController(wideController()), options);
  ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
  expectWideMembers();
  std::vector<ChunkRequest> requests = chunkRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], (ChunkRequest{0, 65535}));
  EXPECT_GT(requests[1].offset, 0u);
  EXPECT_EQ(requests[1].offset + requests[1].wanted, kWideSize);
}

// Small replies: every request asks for the rest (at most 65535 bytes) from
// where the last reply stopped.
TEST_F(TemplateChunks, SmallRepliesAreReassembled) {
  Options options;
  options.replyLimit = 0;
  options.templateBytesPerReply = 997;
  serve(parseController(wideController()), options);
  ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
  expectWideMembers();
  std::vector<ChunkRequest> requests = chunkRequests();
  ASSERT_EQ(requests.size(), (kWideSize + 996) / 997);
  for (size_t i = 0; i < requests.size(); ++i) {
    uint32_t offset = static_cast<uint32_t>(i * 997);
    uint32_t left = kWideSize - offset;
    EXPECT_EQ(requests[i], (ChunkRequest{offset, static_cast<uint16_t>(left > 65535 ? 65535 : left)}))
        << "request " << i;
  }
}

// ---- Nesting depth -----------------------------------------------------------------

// Types T0 ... T{n-1}, each holding the next, the last holding a DINT; one tag of T0.
std::string chainController(int types) {
  std::string json = R"({"types": [)";
  for (int i = types - 1; i >= 0; --i) {
    std::string inner = i == types - 1 ? "DINT" : "T" + std::to_string(i + 1);
    json += jsonType("T" + std::to_string(i), {jsonMember("Next", inner)});
    json += i > 0 ? "," : "";
  }
  return json + R"(], "tags": [{"name": "Deep", "type": "T0"}]})";
}

TEST_F(BrowseTest, StructuresNestSixtyFourDeep) {
  serve(parseController(chainController(64)));
  ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
  const zoltc_logix_tag_info* record = &list().items[0];
  int depth = 0;
  while (record->members.count > 0) {
    record = &record->members.items[0];
    ++depth;
  }
  EXPECT_EQ(depth, 64);
  EXPECT_EQ(record->type, 0x00C4);
  EXPECT_EQ(countRecords(list()), 65u);
}

TEST_F(BrowseTest, StructuresNestedDeeperAreTooLarge) {
  serve(parseController(chainController(65)));
  EXPECT_EQ(browse(), ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(list().count, 0u);
  EXPECT_EQ(list().items, nullptr);
}

// ---- The record limit ---------------------------------------------------------------

class RecordLimit : public BrowseTest {
 protected:
  // Two tags of a type with `members` DINT members.
  void serveMembers(int members) {
    std::vector<std::string> list;
    for (int i = 0; i < members; ++i) {
      list.push_back(jsonMember("F" + std::to_string(i), "DINT"));
    }
    Options options;
    options.replyLimit = 0;
    serve(parseController(R"({"types": [)" + jsonType("Big", list) +
                          R"(], "tags": [{"name": "A", "type": "Big"}, {"name": "B", "type": "Big"}]})"),
          options);
  }
};

// Members are described once per type, whatever the number of tags of that type:
// records grow with tags + distinct members (the limit's count), not tags x members.
TEST_F(RecordLimit, MembersAreSharedByTheTagsOfTheirType) {
  serveMembers(49999);
  ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
  ASSERT_EQ(list().count, 2u);
  EXPECT_EQ(list().items[0].members.count, 49999u);
  EXPECT_EQ(list().items[0].members.items, list().items[1].members.items);
  EXPECT_EQ(list().items[0].type_name, list().items[1].type_name);
  // The template was read once although two records needed it.
  EXPECT_EQ(exchanges(kGetAttributeList).size(), 1u);
}

// ---- Controllers that break the rules ------------------------------------------------
// The simulator's fault knobs serve what no real controller sends: templates given
// byte by byte, and symbol pages that never progress.

struct TemplateRow {
  uint16_t info;
  uint16_t type;
  std::string name;
};

// Template data: a row per member (info, type word, offset 4 * i), the template
// name with a ";n..." suffix, the member names.
quillon::sim::TemplateOverride templateData(const std::string& name,
                                            const std::vector<TemplateRow>& rows) {
  quillon::sim::TemplateOverride data;
  data.memberCount = static_cast<uint16_t>(rows.size());
  auto put = [&](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      data.data.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    put(rows[i].info, 2);
    put(rows[i].type, 2);
    put(static_cast<uint32_t>(4 * i), 4);
  }
  std::string text = name + ";n00000000";
  text.push_back('\0');
  for (const TemplateRow& row : rows) {
    text += row.name;
    text.push_back('\0');
  }
  data.data.insert(data.data.end(), text.begin(), text.end());
  return data;
}

// Outer (template 0x101) holds Inner (0x102); both start with a DINT. One tag of Outer.
constexpr uint16_t kOuter = 0x101;
constexpr uint16_t kInner = 0x102;
constexpr const char* kNestedController = R"({"types": [
    {"name": "Outer", "id": 257, "members": [{"name": "Count", "type": "DINT"},
                                             {"name": "Inner", "type": "Inner"}]},
    {"name": "Inner", "id": 258, "members": [{"name": "Value", "type": "DINT"}]}],
  "tags": [{"name": "Plant", "type": "Outer"}]})";

struct LayoutCase {
  const char* label;
  uint16_t templateId;                // the template served from `rows`
  std::vector<TemplateRow> rows;
  zoltc_logix_result expected;
  size_t templatesRead;               // Get Attribute List requests until the end
};

class TemplateLayouts : public BrowseTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(TemplateLayouts, BrowseResult) {
  const LayoutCase& c = GetParam();
  Options options;
  options.templateOverrides[c.templateId] = templateData(c.label, c.rows);
  serve(parseController(kNestedController), options);
  ASSERT_EQ(browse(), c.expected);
  // Every template is read once, even when a structure comes back to itself.
  EXPECT_EQ(exchanges(kGetAttributeList).size(), c.templatesRead);
  if (c.expected != ZOLTC_LOGIX_OK) {
    EXPECT_EQ(list().count, 0u);
    EXPECT_EQ(list().items, nullptr);
  }
}

constexpr uint16_t kStruct = 0x8000;
constexpr uint16_t kDint = 0x00C4;

INSTANTIATE_TEST_SUITE_P(
    Layouts, TemplateLayouts,
    ::testing::Values(
        // The served templates themselves parse: the same layout, one dimension.
        LayoutCase{"OneDimensionIsFine", kInner, {{10, 0x2000 | kDint, "Values"}}, ZOLTC_LOGIX_OK, 2},
        LayoutCase{"ContainsItself", kOuter,
                   {{0, kDint, "Count"}, {0, kStruct | kOuter, "Again"}}, ZOLTC_LOGIX_ERR_BAD_REPLY, 1},
        LayoutCase{"ContainsItselfThroughAnother", kInner,
                   {{0, kDint, "Value"}, {0, kStruct | kOuter, "Back"}}, ZOLTC_LOGIX_ERR_BAD_REPLY, 2},
        LayoutCase{"TwoDimensionMember", kInner, {{6, 0x4000 | kDint, "Plane"}},
                   ZOLTC_LOGIX_ERR_UNSUPPORTED, 2},
        LayoutCase{"ThreeDimensionMember", kOuter,
                   {{0, kDint, "Count"}, {2, 0x6000 | kDint, "Cube"}}, ZOLTC_LOGIX_ERR_UNSUPPORTED, 1}),
    quillon::testing::LabelName{});

TEST_F(BrowseTest, ServedLayoutIsExpandedAsGiven) {
  Options options;
  options.templateOverrides[kInner] = templateData("Inner", {{10, 0x2000 | kDint, "Values"}});
  serve(parseController(kNestedController), options);
  ASSERT_EQ(browse(), ZOLTC_LOGIX_OK);
  ASSERT_EQ(list().count, 1u);
  EXPECT_EQ(renderMembers(list().items[0]), "Outer{Count#0:C4, Inner#1:Inner{Values#0:20C4[10]}}");
}

// A page that says "more" but carries no entries would make a naive client ask
// for the same page forever.
struct StuckCase {
  const char* label;
  uint32_t stuckFrom;      // start instance from which pages are stuck
  size_t pagesAsked;
};

class StuckPages : public BrowseTest, public ::testing::WithParamInterface<StuckCase> {};

TEST_P(StuckPages, AreABadReplyAndAnEmptyList) {
  Options options;
  options.symbolsPerPage = 1;
  options.stuckSymbolPagesFrom = GetParam().stuckFrom;
  serve(parseController(R"({"tags": [{"name": "A", "type": "DINT", "instance": 10},
                                     {"name": "B", "type": "DINT", "instance": 20},
                                     {"name": "C", "type": "DINT", "instance": 30}]})"),
        options);
  EXPECT_EQ(browse(), ZOLTC_LOGIX_ERR_BAD_REPLY);
  EXPECT_EQ(list().count, 0u);
  EXPECT_EQ(list().items, nullptr);
  EXPECT_EQ(exchanges(kGetInstanceAttributeList).size(), GetParam().pagesAsked);
}

INSTANTIATE_TEST_SUITE_P(Pages, StuckPages,
                         ::testing::Values(StuckCase{"FirstPage", 0, 1},
                                           StuckCase{"AfterTwoPages", 21, 3}),
                         quillon::testing::LabelName{});

}  // namespace
}  // namespace browse_test
