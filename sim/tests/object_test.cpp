// The Symbol object (Get Instance Attribute List in pages) and the Template object (attributes,
// Read Template in chunks, the layout of template bytes, and served overrides).
#include "sim_test.hpp"

namespace quillon::sim::test {
namespace {

Bytes attributes(std::initializer_list<uint16_t> ids) {
  Bytes data = le(ids.size(), 2);
  for (uint16_t id : ids) data = join(data, le(id, 2));
  return data;
}

RouterReply page(WireClient& wire, uint32_t start, const std::string& program = "") {
  PathBuilder path;
  if (!program.empty()) path.symbol("Program:" + program);
  return wire.request(0x55, path.classId(0x6B).instance(start), attributes({1, 2, 8}));
}

// Instance, name, type and dimensions of each listed symbol.
using Entries = std::vector<std::tuple<uint32_t, std::string, uint16_t, std::array<uint32_t, 3>>>;
Entries entriesOf(const std::vector<SymbolInfo>& symbols) {
  Entries out;
  for (const SymbolInfo& s : symbols) out.emplace_back(s.instanceId, s.name, s.type, s.dims);
  return out;
}

// Pages through a scope with attributes 1, 2, 8, checking each page's framing on the way.
Entries browse(WireClient& wire, const std::string& program, size_t& pages) {
  Entries entries;
  uint32_t start = 0;
  for (pages = 1;; ++pages) {
    const RouterReply reply = page(wire, start, program);
    EXPECT_TRUE(reply.status == 0x00 || reply.status == 0x06) << int(reply.status);
    EXPECT_LE(reply.data.size() + 4, 504u);
    for (size_t at = 0; at < reply.data.size();) {
      const uint32_t instance = get32(reply.data, at), length = get16(reply.data, at + 4);
      EXPECT_GE(instance, start);
      entries.emplace_back(instance, std::string(reply.data.begin() + static_cast<long>(at + 6), reply.data.begin() + static_cast<long>(at + 6 + length)),
                           get16(reply.data, at + 6 + length), std::array<uint32_t, 3>{get32(reply.data, at + 8 + length), get32(reply.data, at + 12 + length), get32(reply.data, at + 16 + length)});
      start = instance + 1;
      at += 20 + length;
    }
    if (reply.status != 0x06 || pages > 100000) return entries;
    EXPECT_FALSE(reply.data.empty()) << "0x06 without entries";
  }
}

using Objects = SimTest;

// Pages of every size join to the whole scope, within the reply limit; the limit alone makes
// pages; programs list their own tags.
TEST_F(Objects, SymbolListing) {
  for (uint32_t perPage : {0u, 1u, 3u, 1000u}) {
    setOptions([&](Options& o) { o.symbolsPerPage = perPage; });
    auto wire = client();
    size_t pages = 0;
    const Entries entries = browse(*wire, "", pages);
    EXPECT_EQ(entries, entriesOf(sampleController().symbols())) << perPage;
    // One entry a page; with no count the reply limit alone makes pages.
    EXPECT_TRUE(perPage > 1 || (perPage == 1 ? pages == entries.size() : pages > 1)) << perPage << ": " << pages << " pages";
  }
  auto wire = client();
  size_t pages = 0;
  for (const std::string& program : sampleController().programs()) {
    EXPECT_EQ(browse(*wire, program, pages), entriesOf(sampleController().symbols(program))) << program;
  }
  setOptions([](Options& o) { o.symbolsPerPage = 1000; o.replyLimit = 0; o.emptyLastPage = true; });
  EXPECT_EQ(browse(*wire, "Packaging", pages).size(), 3u);
  EXPECT_EQ(pages, 2u);  // the empty last page
  // Attributes in the order asked, refusals, reads by instance id; a broken controller's pages
  // from the given start instance on say "more" but carry nothing.
  setOptions([](Options& o) { o = Options{}; o.symbolsPerPage = 1; });
  const SymbolInfo first = sampleController().symbols().front();
  const RouterReply reply = wire->request(0x55, PathBuilder().classId(0x6B).instance(0), attributes({2, 1}));
  EXPECT_EQ(std::tuple(reply.status, reply.data.size(), get32(reply.data, 0), get16(reply.data, 4), get16(reply.data, 6)),
            std::tuple(0x06, 8 + first.name.size(), first.instanceId, first.type, first.name.size()));
  const auto list = [&](const Bytes& data) { return wire->request(0x55, PathBuilder().classId(0x6B).instance(0), data).status; };
  EXPECT_EQ(std::tuple(list(attributes({1, 3})), list({}), list({2, 0, 1, 0}), list({1, 0, 1, 0, 9})), std::tuple(0x14, 0x13, 0x13, 0x15));
  EXPECT_EQ(wire->request(0x4B, PathBuilder().classId(0x6B).instance(0), attributes({1})).status, 0x08);
  EXPECT_EQ(page(*wire, 0, "Nothing").status, 0x04);
  const RouterReply past = page(*wire, 0xFFFFFFF0);  // past the last instance: an empty last page
  EXPECT_EQ(std::tuple(past.status, past.data.size()), std::tuple(0x00, 0u));
  const Bytes count{1, 0};
  EXPECT_EQ(wire->request(0x4C, PathBuilder().classId(0x6B).instance(70000), count).data, (Bytes{0xC4, 0, 99, 0, 0, 0}));  // by instance id
  EXPECT_EQ(wire->request(0x4C, PathBuilder().classId(0x6B).instance(69999), count).status, 0x05);
  const RouterReply firstPage = page(*wire, 0);
  const uint32_t next = get32(firstPage.data, 0) + 1;
  setOptions([&](Options& o) { o.stuckSymbolPagesFrom = next; });
  EXPECT_EQ(page(*wire, 0).data, firstPage.data);
  for (uint32_t start : {next, next + 1, 0xFFFFFFF0u}) {
    const RouterReply stuck = page(*wire, start);
    EXPECT_EQ(std::tuple(stuck.status, stuck.data.size()), std::tuple(0x06, 0u)) << start;
  }
  setOptions([](Options& o) { o.stuckSymbolPagesFrom = 0; });
  const RouterReply fromZero = page(*wire, 0);
  EXPECT_EQ(std::tuple(fromZero.status, fromZero.data.size(), page(*wire, 0, "Packaging").data.size()), std::tuple(0x06, 0u, 0u));
}

struct Member {
  uint16_t info, type;
  uint32_t offset;
  std::string name;
  bool operator==(const Member&) const = default;
};

struct Template {
  uint16_t handle = 0, memberCount = 0;
  uint32_t definitionWords = 0, structureSize = 0;
  Bytes data;
  std::string name;  // as written, with its ";n..." suffix
  std::vector<Member> members;
};

// Attributes 1, 2, 4, 5, then the template bytes in as many reads as the server takes.
Template fetch(WireClient& wire, uint16_t id) {
  const RouterReply a = wire.request(0x03, PathBuilder().classId(0x6C).instance(id), attributes({1, 2, 4, 5}));
  if (a.status != 0 || a.data.size() != 30) {
    ADD_FAILURE() << "attribute reply " << int(a.status) << " of " << a.data.size() << " bytes";
    return {};
  }
  EXPECT_EQ(std::tuple(get16(a.data, 0), get16(a.data, 2), get16(a.data, 4), get16(a.data, 8), get16(a.data, 14), get16(a.data, 22)),
            std::tuple(4, 1, 0, 2, 4, 5));
  Template t{get16(a.data, 6), get16(a.data, 12), get32(a.data, 18), get32(a.data, 26), {}, {}, {}};
  const uint32_t size = t.definitionWords * 4 - 23;
  for (int guard = 0; guard < 100000; ++guard) {
    const auto ask = static_cast<uint16_t>(std::min<uint32_t>(65535, size - static_cast<uint32_t>(t.data.size())));
    const RouterReply reply = wire.request(0x4C, PathBuilder().classId(0x6C).instance(id), le({{t.data.size(), 4}, {ask, 2}}));
    EXPECT_TRUE(reply.status == 0 || reply.status == 6) << int(reply.status);
    EXPECT_LE(reply.data.size(), ask);
    t.data.insert(t.data.end(), reply.data.begin(), reply.data.end());
    if (reply.data.empty() || reply.status == 0) break;
  }
  EXPECT_LE(size - t.data.size(), 3u) << "definition size and data disagree";  // it counts whole words
  size_t at = 8u * t.memberCount;
  const auto nextText = [&] {
    std::string text;
    while (at < t.data.size() && t.data[at] != 0) text += static_cast<char>(t.data[at++]);
    EXPECT_LT(at++, t.data.size()) << "unterminated name";
    return text;
  };
  t.name = nextText();
  for (size_t i = 0; i < t.memberCount; ++i) t.members.push_back({get16(t.data, 8 * i), get16(t.data, 8 * i + 2), get32(t.data, 8 * i + 4), nextText()});
  return t;
}

// The template data of `members` named `name`, as an override serves it.
TemplateOverride overrideOf(const std::string& name, const std::vector<Member>& members) {
  TemplateOverride given{static_cast<uint16_t>(members.size()), {}};
  Bytes names(name.begin(), name.end() + 1);  // with its NUL
  for (const Member& m : members) {
    given.data = join(given.data, le({{m.info, 2}, {m.type, 2}, {m.offset, 4}}));
    names.insert(names.end(), m.name.c_str(), m.name.c_str() + m.name.size() + 1);
  }
  given.data = join(given.data, names);
  return given;
}

// STRING is the built-in layout, its handle its type id; members are aligned, BOOLs packed into
// hidden hosts, 8-byte members aligned to 8.
TEST_F(Objects, TemplateLayoutsReadsAndOverrides) {
  auto wire = client();
  const Template text = fetch(*wire, templateOf("Message"));
  EXPECT_EQ(std::tuple(text.handle, text.name.substr(0, 8), text.name.size(), text.structureSize), std::tuple(0x0FCE, std::string("STRING;n"), 12u, 88u));
  EXPECT_EQ(text.members, (std::vector<Member>{{0, 0xC4, 0, "LEN"}, {82, 0x20C2, 4, "DATA"}}));
  Template motor = fetch(*wire, templateOf("Motors"));
  EXPECT_EQ(std::tuple(motor.name.substr(0, 11), motor.structureSize, motor.members.at(8).type & 0xF000), std::tuple(std::string("MotorData;n"), 136u, 0x8000));
  motor.members[8].type = 0;  // Position: a structure of its own
  EXPECT_EQ(motor.members, (std::vector<Member>{{0, static_cast<uint16_t>(0x8000 | templateOf("Message")), 0, "Name"},
      {0, 0xC2, 88, "ZZZZZZZZZZMotorData0"}, {0, 0xC1, 88, "Running"}, {1, 0xC1, 88, "Faulted"}, {2, 0xC1, 88, "Forward"},
      {0, 0xCA, 92, "Speed"}, {0, 0xCA, 96, "Current"}, {0, 0xC4, 100, "RunHours"}, {0, 0, 104, "Position"},
      {1, 0x20D3, 116, "Alarms"}, {8, 0x20C3, 120, "History"}}));
  const Template line = fetch(*wire, templateOf("Line1"));
  const Member& tanks = line.members.back();
  EXPECT_EQ(std::tuple(tanks.name, tanks.info, tanks.type & 0x2000), std::tuple(std::string("Tanks"), 3, 0x2000));
  const Template tank = fetch(*wire, tanks.type & 0x0FFF);
  ASSERT_EQ(tank.members.size(), 8u);  // after Level (REAL), the LREAL Temperature aligned to 8
  EXPECT_EQ(std::tuple(tank.members[1].name, tank.members[1].offset, tank.members[7].offset, tank.structureSize), std::tuple("Temperature", 8u, 112u, 120u));
  // Capped replies reassemble to the same bytes, a short ask is answered whole, and reads past
  // the end, of nothing or without their fields are refused; unknown attributes get their own
  // status. Served overrides: a template that contains itself (other templates and tag data stay
  // the database's), an id the database lacks with 2- and 3-dimensional members, and 70001 bytes
  // (70001 + 23 a multiple of 4) read whole through the reply limit in 0x06 chunks.
  const Template& whole = line;
  for (uint32_t perReply : {1u, 7u, 500u}) {
    setOptions([&](Options& o) { o.templateBytesPerReply = perReply; });
    clearRecords();
    EXPECT_EQ(fetch(*wire, templateOf("Line1")).data, whole.data) << perReply;
    size_t reads = 0;
    for (const RequestRecord& r : records()) reads += r.service == 0x4C;
    EXPECT_EQ(reads, (whole.data.size() + perReply - 1) / perReply) << perReply;
  }
  setOptions([](Options& o) { o.templateBytesPerReply = 0; });
  const uint16_t string = templateOf("Message");
  const auto read = [&](uint32_t offset, uint16_t count) {
    return wire->request(0x4C, PathBuilder().classId(0x6C).instance(string), le({{offset, 4}, {count, 2}}));
  };
  EXPECT_EQ(std::tuple(read(4, 10).status, read(4, 10).data.size()), std::tuple(0, 10u));
  const RouterReply past = read(static_cast<uint32_t>(text.data.size()), 10);
  EXPECT_EQ(std::tuple(past.status, past.additional), std::tuple(0xFF, std::vector<uint16_t>{0x2105}));
  EXPECT_EQ(read(0, 0).status, 0x03);
  EXPECT_EQ(wire->request(0x4C, PathBuilder().classId(0x6C).instance(string), Bytes{0, 0, 0}).status, 0x13);
  const RouterReply mixed = wire->request(0x03, PathBuilder().classId(0x6C).instance(string), attributes({2, 3, 1}));
  EXPECT_EQ(std::tuple(mixed.status, mixed.data), std::tuple(0x0A, Bytes{3, 0, 2, 0, 0, 0, 2, 0, 3, 0, 0x14, 0, 1, 0, 0, 0, 0xCE, 0x0F}));
  const uint16_t id = templateOf("Motors");
  const Template real = fetch(*wire, id);
  const auto self = static_cast<uint16_t>(0x8000 | id);
  const TemplateOverride loop = overrideOf("Loop;n12345678", {{0, 0xC4, 0, "Count"}, {0, self, 4, "Again"}});
  setOptions([&](Options& o) { o.templateOverrides[id] = loop; });
  const Template t = fetch(*wire, id);
  EXPECT_EQ(std::tuple(t.data, t.memberCount, t.structureSize, t.members.at(1).type), std::tuple(loop.data, 2, real.structureSize, self));
  EXPECT_NE(t.handle, real.handle);
  EXPECT_EQ(fetch(*wire, string).name.substr(0, 7), "STRING;");
  EXPECT_EQ(wire->request(readTagRequest("Motors[0].Speed")).status, 0x00);
  EXPECT_EQ(wire->request(0x03, PathBuilder().classId(0x6C).instance(0xABC), attributes({2})).status, 0x05);
  const TemplateOverride grid = overrideOf("Grid", {{6, 0x40C4, 0, "Plane"}, {2, 0x60C4, 96, "Cube"}});
  TemplateOverride wide = overrideOf("Wide", {{0, 0xC4, 0, "A"}});
  for (size_t i = 0; wide.data.size() < 70001; ++i) wide.data.push_back(static_cast<uint8_t>('a' + i % 26));
  setOptions([&](Options& o) { o.templateOverrides = {{0xABC, grid}, {id, wide}}; });
  const Template served = fetch(*wire, 0xABC);
  EXPECT_EQ(std::tuple(served.name, served.members.at(0).type, served.members.at(1).type, served.structureSize), std::tuple(std::string("Grid"), 0x40C4, 0x60C4, 0u));
  clearRecords();
  EXPECT_EQ(fetch(*wire, id).data, wide.data);
  size_t partial = 0;
  for (const RequestRecord& r : records()) partial += r.service == 0x4C && r.generalStatus == 0x06;
  EXPECT_GE(partial, 70001u / 504);
  setOptions([](Options& o) { o.templateOverrides.clear(); });
  EXPECT_EQ(fetch(*wire, id).data, real.data);
}

}  // namespace
}  // namespace quillon::sim::test
