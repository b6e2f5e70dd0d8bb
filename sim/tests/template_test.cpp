// Template object: attributes, chunked Read Template, layout of the template bytes.
#include "fixture.hpp"

namespace quillon::sim::test {
namespace {

struct TemplateMember {
  uint16_t info;
  uint16_t type;
  uint32_t offset;
  std::string name;
};

struct Template {
  uint16_t handle = 0;
  uint16_t memberCount = 0;
  uint32_t definitionWords = 0;
  uint32_t structureSize = 0;
  Bytes data;
  std::string name;  // as written, with its ";n..." suffix
  std::vector<TemplateMember> members;
};

uint16_t templateIdOf(const std::string& tag) {
  for (const SymbolInfo& symbol : sampleController().symbols())
    if (symbol.name == tag) return symbol.type & 0x0FFF;
  ADD_FAILURE() << tag;
  return 0;
}

class TemplateTest : public SimTest {
 protected:
  Template fetch(WireClient& wire, uint16_t id, uint16_t chunk = 65535) {
    Template t;
    Bytes wanted;
    put16(wanted, 4);
    for (uint16_t attribute : {1, 2, 4, 5}) put16(wanted, attribute);
    RouterReply attributes = wire.request(0x03, PathBuilder().classId(0x6C).instance(id), wanted);
    EXPECT_EQ(attributes.status, 0);
    if (attributes.data.size() != 2 + 6 + 6 + 8 + 8) {
      ADD_FAILURE() << "attribute reply of " << attributes.data.size() << " bytes";
      return t;
    }
    const Bytes& a = attributes.data;
    EXPECT_EQ(get16(a, 0), 4);
    EXPECT_EQ(get16(a, 2), 1);
    EXPECT_EQ(get16(a, 4), 0);
    t.handle = get16(a, 6);
    EXPECT_EQ(get16(a, 8), 2);
    t.memberCount = get16(a, 12);
    EXPECT_EQ(get16(a, 14), 4);
    t.definitionWords = get32(a, 18);
    EXPECT_EQ(get16(a, 22), 5);
    t.structureSize = get32(a, 26);

    uint32_t size = t.definitionWords * 4 - 23;
    uint32_t offset = 0;
    for (int guard = 0; guard < 100000; ++guard) {
      uint32_t left = size - offset;
      auto ask = static_cast<uint16_t>(std::min<uint32_t>(chunk, left));
      Bytes data;
      put32(data, offset);
      put16(data, ask);
      RouterReply reply = wire.request(0x4C, PathBuilder().classId(0x6C).instance(id), data);
      EXPECT_TRUE(reply.status == 0 || reply.status == 6) << int(reply.status);
      EXPECT_LE(reply.data.size(), ask);
      if (reply.data.empty()) break;
      t.data.insert(t.data.end(), reply.data.begin(), reply.data.end());
      offset += static_cast<uint32_t>(reply.data.size());
      if (reply.status == 0 && ask == left) break;
    }
    EXPECT_LE(size - t.data.size(), 3u) << "definition size and data disagree";
    size_t at = 8u * t.memberCount;
    for (size_t i = 0; i < t.memberCount; ++i)
      t.members.push_back({get16(t.data, 8 * i), get16(t.data, 8 * i + 2), get32(t.data, 8 * i + 4), ""});
    auto nextText = [&]() {
      std::string text;
      while (at < t.data.size() && t.data[at] != 0) text += static_cast<char>(t.data[at++]);
      EXPECT_LT(at, t.data.size()) << "unterminated name";
      ++at;
      return text;
    };
    t.name = nextText();
    for (TemplateMember& member : t.members) member.name = nextText();
    return t;
  }
};

TEST_F(TemplateTest, StringIsTheBuiltInLayout) {
  auto wire = client();
  Template t = fetch(*wire, templateIdOf("Message"));
  EXPECT_EQ(t.handle, 0x0FCE) << "a built-in type's handle is its type id";
  EXPECT_EQ(t.name.size(), 8u + 2 * 2) << "two suffix letters per member: " << t.name;
  EXPECT_EQ(t.name.substr(0, 8), "STRING;n");
  EXPECT_EQ(t.structureSize, 88u);
  ASSERT_EQ(t.members.size(), 2u);
  EXPECT_EQ(t.members[0].name, "LEN");
  EXPECT_EQ(t.members[0].type, 0xC4);
  EXPECT_EQ(t.members[0].offset, 0u);
  EXPECT_EQ(t.members[1].name, "DATA");
  EXPECT_EQ(t.members[1].type, 0x20C2);
  EXPECT_EQ(t.members[1].info, 82);
  EXPECT_EQ(t.members[1].offset, 4u);
  EXPECT_EQ(t.definitionWords, (t.data.size() + 23 + 3) / 4);
}

TEST_F(TemplateTest, MembersAreAlignedAndBoolsPackedIntoHiddenHosts) {
  auto wire = client();
  Template t = fetch(*wire, templateIdOf("Motors"));
  EXPECT_EQ(t.name.substr(0, 11), "MotorData;n");
  uint16_t stringType = 0x8000 | templateIdOf("Message");
  uint16_t pointType = 0;
  std::vector<TemplateMember> expected{
      {0, stringType, 0, "Name"},
      {0, 0xC2, 88, "ZZZZZZZZZZMotorData0"},
      {0, 0xC1, 88, "Running"},
      {1, 0xC1, 88, "Faulted"},
      {2, 0xC1, 88, "Forward"},
      {0, 0xCA, 92, "Speed"},
      {0, 0xCA, 96, "Current"},
      {0, 0xC4, 100, "RunHours"},
      {0, pointType, 104, "Position"},
      {1, 0x20D3, 116, "Alarms"},  // BOOL[32] as one DWORD
      {8, 0x20C3, 120, "History"},
  };
  ASSERT_EQ(t.members.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(t.members[i].name, expected[i].name);
    if (expected[i].name != "Position") {
      EXPECT_EQ(t.members[i].type, expected[i].type);
    }
    EXPECT_EQ(t.members[i].info, expected[i].info);
    EXPECT_EQ(t.members[i].offset, expected[i].offset);
  }
  EXPECT_EQ(t.members[8].type & 0xF000, 0x8000);
  EXPECT_EQ(t.structureSize, 136u);
}

TEST_F(TemplateTest, EightByteMembersAlignToEight) {
  auto wire = client();
  // TankStatus: Level REAL 0, Temperature LREAL 8, host 16, Batch 20, Label 24 (88), Totals LINT 112.
  uint16_t lineId = templateIdOf("Line1");
  Template line = fetch(*wire, lineId);
  const TemplateMember& tanks = line.members.back();
  ASSERT_EQ(tanks.name, "Tanks");
  Template tank = fetch(*wire, tanks.type & 0x0FFF);
  std::vector<std::pair<std::string, uint32_t>> offsets;
  for (const TemplateMember& m : tank.members) offsets.emplace_back(m.name, m.offset);
  EXPECT_EQ(offsets, (std::vector<std::pair<std::string, uint32_t>>{
                         {"Level", 0}, {"Temperature", 8}, {"ZZZZZZZZZZTankStatus0", 16}, {"HighAlarm", 16},
                         {"LowAlarm", 16}, {"Batch", 20}, {"Label", 24}, {"Totals", 112}}));
  EXPECT_EQ(tank.structureSize, 120u);
  EXPECT_EQ(tanks.info, 3);
  EXPECT_EQ(tanks.type & 0x2000, 0x2000);
}

class TemplateChunks : public TemplateTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(TemplateChunks, CappedRepliesReassembleToTheSameBytes) {
  auto wire = client();
  Template whole = fetch(*wire, templateIdOf("Line1"));
  setOptions([](Options& o) { o.templateBytesPerReply = GetParam(); });
  Template pieces = fetch(*wire, templateIdOf("Line1"));
  EXPECT_EQ(pieces.data, whole.data);
  size_t reads = 0;
  for (const RequestRecord& r : server->requests())
    if (r.service == 0x4C && r.path.rfind("class 0x6C", 0) == 0) ++reads;
  EXPECT_GE(reads, 1 + (whole.data.size() + GetParam() - 1) / GetParam());
}

INSTANTIATE_TEST_SUITE_P(Templates, TemplateChunks, ::testing::Values(1u, 7u, 64u, 500u));

TEST_F(TemplateTest, ShortAskIsAnsweredWholeWithSuccess) {
  auto wire = client();
  Bytes data;
  put32(data, 4);
  put16(data, 10);
  RouterReply reply = wire->request(0x4C, PathBuilder().classId(0x6C).instance(templateIdOf("Message")), data);
  EXPECT_EQ(reply.status, 0x00);
  EXPECT_EQ(reply.data.size(), 10u);
}

TEST_F(TemplateTest, ReadTemplateErrors) {
  auto wire = client();
  uint16_t id = templateIdOf("Message");
  Template t = fetch(*wire, id);
  auto read = [&](uint32_t offset, uint16_t count) {
    Bytes data;
    put32(data, offset);
    put16(data, count);
    return wire->request(0x4C, PathBuilder().classId(0x6C).instance(id), data);
  };
  RouterReply past = read(static_cast<uint32_t>(t.data.size()), 10);
  EXPECT_EQ(past.status, 0xFF);
  EXPECT_EQ(past.additional, (std::vector<uint16_t>{0x2105}));
  EXPECT_EQ(read(0, 0).status, 0x03);
  EXPECT_EQ(wire->request(0x4C, PathBuilder().classId(0x6C).instance(id), Bytes{0, 0, 0}).status, 0x13);
}

TEST_F(TemplateTest, UnknownAttributesGetTheirOwnStatus) {
  auto wire = client();
  Bytes ask;
  put16(ask, 3);
  for (uint16_t attribute : {2, 3, 1}) put16(ask, attribute);
  RouterReply reply = wire->request(0x03, PathBuilder().classId(0x6C).instance(templateIdOf("Message")), ask);
  EXPECT_EQ(reply.status, 0x0A);
  ASSERT_EQ(reply.data.size(), 2u + 6 + 4 + 6u);
  EXPECT_EQ(get16(reply.data, 2), 2);
  EXPECT_EQ(get16(reply.data, 6), 2);   // member count of STRING
  EXPECT_EQ(get16(reply.data, 8), 3);
  EXPECT_EQ(get16(reply.data, 10), 0x14);
  EXPECT_EQ(get16(reply.data, 12), 1);
  EXPECT_EQ(get16(reply.data, 14), 0);
}

// ---- Template overrides: layouts no real controller serves -------------------------

// Template data: one 8-byte row per member, then "name", NUL, the member names each with NUL.
TemplateOverride overrideOf(const std::string& name, const std::vector<TemplateMember>& members) {
  TemplateOverride given;
  given.memberCount = static_cast<uint16_t>(members.size());
  for (const TemplateMember& m : members) {
    put16(given.data, m.info);
    put16(given.data, m.type);
    put32(given.data, m.offset);
  }
  given.data.insert(given.data.end(), name.begin(), name.end());
  given.data.push_back(0);
  for (const TemplateMember& m : members) {
    given.data.insert(given.data.end(), m.name.begin(), m.name.end());
    given.data.push_back(0);
  }
  return given;
}

TEST_F(TemplateTest, OverrideReplacesATemplateThatThenContainsItself) {
  auto wire = client();
  uint16_t id = templateIdOf("Motors");
  Template real = fetch(*wire, id);
  auto self = static_cast<uint16_t>(0x8000 | id);
  TemplateOverride given = overrideOf("Loop;n12345678", {{0, 0xC4, 0, "Count"}, {0, self, 4, "Again"}});
  setOptions([&](Options& o) { o.templateOverrides[id] = given; });

  Template t = fetch(*wire, id);
  EXPECT_EQ(t.data, given.data);
  EXPECT_EQ(t.memberCount, 2);
  EXPECT_EQ(t.definitionWords, (given.data.size() + 23 + 3) / 4);
  EXPECT_NE(t.handle, 0);
  EXPECT_NE(t.handle, real.handle);
  EXPECT_EQ(t.structureSize, real.structureSize);  // the database type's own
  ASSERT_EQ(t.members.size(), 2u);
  EXPECT_EQ(t.members[1].type, self);
  EXPECT_EQ(t.members[1].name, "Again");

  // Other templates, and tag data, are the database's.
  EXPECT_EQ(fetch(*wire, templateIdOf("Message")).name.substr(0, 7), "STRING;");
  EXPECT_EQ(wire->request(readTagRequest("Motors[0].Speed")).status, 0x00);
  setOptions([](Options& o) { o.templateOverrides.clear(); });
  EXPECT_EQ(fetch(*wire, id).data, real.data);
}

TEST_F(TemplateTest, OverrideServesAnIdTheDatabaseLacks) {
  auto wire = client();
  const uint16_t id = 0xABC;
  Bytes ask{1, 0, 2, 0};
  EXPECT_EQ(wire->request(0x03, PathBuilder().classId(0x6C).instance(id), ask).status, 0x05);
  // Two- and three-dimensional member type words, served as given.
  TemplateOverride given = overrideOf("Grid", {{6, 0x40C4, 0, "Plane"}, {2, 0x60C4, 96, "Cube"}});
  setOptions([&](Options& o) { o.templateOverrides[id] = given; });
  Template t = fetch(*wire, id);
  ASSERT_EQ(t.members.size(), 2u);
  EXPECT_EQ(t.members[0].type, 0x40C4);
  EXPECT_EQ(t.members[1].type, 0x60C4);
  EXPECT_EQ(t.name, "Grid");
  EXPECT_EQ(t.structureSize, 0u);
}

// 70001 bytes: the definition size says exactly that many (70001 + 23 is a multiple of 4),
// and the bytes come back whole through the reply limit in 0x06 chunks.
TEST_F(TemplateTest, LargeOverrideIsReadInChunks) {
  auto wire = client();
  uint16_t id = templateIdOf("Motors");
  TemplateOverride given = overrideOf("Wide", {{0, 0xC4, 0, "A"}});
  for (size_t i = 0; given.data.size() < 70001; ++i) given.data.push_back(static_cast<uint8_t>('a' + i % 26));
  setOptions([&](Options& o) { o.templateOverrides[id] = given; });
  Template t = fetch(*wire, id);
  EXPECT_EQ(t.definitionWords * 4 - 23, 70001u);
  EXPECT_EQ(t.data, given.data);
  size_t partial = 0;
  for (const RequestRecord& r : server->requests())
    if (r.service == 0x4C && r.generalStatus == 0x06) ++partial;
  EXPECT_GE(partial, 70001u / 504);
}

}  // namespace
}  // namespace quillon::sim::test
