// Symbol object: Get Instance Attribute List in pages.
#include "fixture.hpp"

namespace quillon::sim::test {
namespace {

struct Entry {
  uint32_t instance;
  std::string name;
  uint16_t type;
  std::array<uint32_t, 3> dims;
};

Bytes attributes(std::initializer_list<uint16_t> ids) {
  Bytes data;
  put16(data, static_cast<uint16_t>(ids.size()));
  for (uint16_t id : ids) put16(data, id);
  return data;
}

// Pages through a scope with attributes 1, 2, 8; checks each page's framing on the way.
std::vector<Entry> browse(WireClient& wire, const std::string& program, size_t& pages, size_t replyLimit = 0) {
  std::vector<Entry> entries;
  uint32_t start = 0;
  pages = 0;
  for (;;) {
    PathBuilder path;
    if (!program.empty()) path.symbol("Program:" + program);
    path.classId(0x6B).instance(start);
    Bytes request = routerRequest(0x55, path, attributes({1, 2, 8}));
    std::optional<Bytes> raw = wire.sendRR(request);
    if (!raw) {
      ADD_FAILURE() << "no reply";
      return entries;
    }
    if (replyLimit) {
      EXPECT_LE(raw->size(), replyLimit);
    }
    RouterReply reply = parseRouterReply(*raw);
    ++pages;
    EXPECT_TRUE(reply.status == 0x00 || reply.status == 0x06) << int(reply.status);
    size_t at = 0;
    while (at < reply.data.size()) {
      Entry entry;
      entry.instance = get32(reply.data, at);
      uint16_t length = get16(reply.data, at + 4);
      entry.name.assign(reply.data.begin() + static_cast<ptrdiff_t>(at + 6),
                        reply.data.begin() + static_cast<ptrdiff_t>(at + 6 + length));
      entry.type = get16(reply.data, at + 6 + length);
      for (size_t d = 0; d < 3; ++d) entry.dims[d] = get32(reply.data, at + 8 + length + 4 * d);
      EXPECT_GE(entry.instance, start);
      start = entry.instance + 1;
      entries.push_back(entry);
      at += 20 + length;
    }
    if (reply.status == 0x00 || pages > 100000) return entries;
    EXPECT_FALSE(reply.data.empty()) << "0x06 without entries";
  }
}

void expectSame(const std::vector<Entry>& got, const std::vector<SymbolInfo>& expected) {
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].instance, expected[i].instanceId);
    EXPECT_EQ(got[i].name, expected[i].name);
    EXPECT_EQ(got[i].type, expected[i].type);
    EXPECT_EQ(got[i].dims, expected[i].dims);
  }
}

class SymbolPaging : public SimTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(SymbolPaging, PagesJoinToTheWholeScope) {
  setOptions([](Options& o) { o.symbolsPerPage = GetParam(); });
  auto wire = client();
  size_t pages = 0;
  std::vector<Entry> entries = browse(*wire, "", pages, 504);
  expectSame(entries, sampleController().symbols());
  if (GetParam() == 1) {
    EXPECT_EQ(pages, entries.size());
  }
  if (GetParam() == 0) {
    EXPECT_GT(pages, 1u);  // the reply size limit alone makes pages
  }
}

INSTANTIATE_TEST_SUITE_P(Symbols, SymbolPaging, ::testing::Values(0u, 1u, 2u, 7u, 1000u));

TEST_F(SimTest, SampleListsProgramsSystemSymbolsAndWideInstanceIds) {
  std::vector<SymbolInfo> symbols = sampleController().symbols();
  auto find = [&](const std::string& name) {
    for (const SymbolInfo& s : symbols)
      if (s.name == name) return s;
    ADD_FAILURE() << name << " missing";
    return SymbolInfo{};
  };
  EXPECT_EQ(find("Program:MainProgram").type, 0x1068);
  EXPECT_EQ(find("__SysDiagnostics").type, 0x10C4);
  EXPECT_EQ(find("__CONTAINER").type, 0x00C4);
  EXPECT_EQ(find("Task:MainTask").type, 0x1070);
  EXPECT_EQ(find("Inputs").type, 0x20D3);  // BOOL[64] as two DWORDs
  EXPECT_EQ(find("Inputs").dims, (std::array<uint32_t, 3>{2, 0, 0}));
  EXPECT_EQ(find("Cube").type, 0x60C3);
  EXPECT_EQ(find("Cube").dims, (std::array<uint32_t, 3>{2, 3, 4}));
  EXPECT_EQ(find("Matrix").type, 0x40C4);
  EXPECT_EQ(find("Motors").type & 0xF000, 0xA000);
  EXPECT_EQ(find("ArchivedCount").instanceId, 70000u);
  bool above255 = false;
  for (size_t i = 1; i < symbols.size(); ++i) {
    EXPECT_LT(symbols[i - 1].instanceId, symbols[i].instanceId);
    above255 = above255 || (symbols[i].instanceId > 255 && symbols[i].instanceId < 65536);
  }
  EXPECT_TRUE(above255);
  EXPECT_EQ(sampleController().programs(), (std::vector<std::string>{"MainProgram", "Conveyor", "Packaging"}));
}

TEST_F(SimTest, PagingCrossesThe16And32BitInstanceForms) {
  setOptions([](Options& o) { o.symbolsPerPage = 3; });
  auto wire = client();
  size_t pages = 0;
  browse(*wire, "", pages);
  bool sawWord = false, sawLong = false;
  for (const RequestRecord& record : server->requests()) {
    if (record.service != 0x55) continue;
    uint32_t instance = std::stoul(record.path.substr(record.path.rfind(' ') + 1));
    sawWord = sawWord || (instance > 255 && instance <= 65535);
    sawLong = sawLong || instance > 65535;
  }
  EXPECT_TRUE(sawWord);
  EXPECT_TRUE(sawLong);
}

TEST_F(SimTest, ProgramScopesListTheirOwnTags) {
  auto wire = client();
  for (const std::string& program : sampleController().programs()) {
    size_t pages = 0;
    expectSame(browse(*wire, program, pages), sampleController().symbols(program));
  }
  RouterReply unknown = wire->request(0x55, PathBuilder().symbol("Program:Nothing").classId(0x6B).instance(0),
                                      attributes({1, 2}));
  EXPECT_EQ(unknown.status, 0x04);
}

TEST_F(SimTest, AttributesComeInTheOrderAsked) {
  setOptions([](Options& o) { o.symbolsPerPage = 1; });
  auto wire = client();
  SymbolInfo first = sampleController().symbols().front();
  RouterReply reply = wire->request(0x55, PathBuilder().classId(0x6B).instance(0), attributes({2, 1}));
  ASSERT_EQ(reply.status, 0x06);
  ASSERT_EQ(reply.data.size(), 4u + 2 + 2 + first.name.size());
  EXPECT_EQ(get32(reply.data, 0), first.instanceId);
  EXPECT_EQ(get16(reply.data, 4), first.type);
  EXPECT_EQ(get16(reply.data, 6), first.name.size());
}

TEST_F(SimTest, SymbolListingErrors) {
  auto wire = client();
  auto list = [&](const Bytes& data) {
    return wire->request(0x55, PathBuilder().classId(0x6B).instance(0), data).status;
  };
  EXPECT_EQ(list(attributes({1, 3})), 0x14);
  EXPECT_EQ(list({}), 0x13);
  EXPECT_EQ(list({2, 0, 1, 0}), 0x13);
  EXPECT_EQ(list({1, 0, 1, 0, 9}), 0x15);
  EXPECT_EQ(wire->request(0x4B, PathBuilder().classId(0x6B).instance(0), attributes({1})).status, 0x08);
}

TEST_F(SimTest, PastTheLastInstanceIsAnEmptyLastPage) {
  auto wire = client();
  RouterReply reply = wire->request(0x55, PathBuilder().classId(0x6B).instance(0xFFFFFFF0), attributes({1, 2}));
  EXPECT_EQ(reply.status, 0x00);
  EXPECT_TRUE(reply.data.empty());
}

TEST_F(SimTest, EmptyLastPageKnobEndsWithAnEmptyPage) {
  setOptions([](Options& o) {
    o.symbolsPerPage = 1000;
    o.replyLimit = 0;
    o.emptyLastPage = true;
  });
  auto wire = client();
  size_t pages = 0;
  std::vector<Entry> entries = browse(*wire, "Packaging", pages);
  EXPECT_EQ(entries.size(), 3u);
  EXPECT_EQ(pages, 2u);
}

// A broken controller: pages from the given start instance on say "more" but carry nothing.
TEST_F(SimTest, StuckPagesSayMoreWithoutEntries) {
  auto wire = client();
  auto page = [&](uint32_t start) {
    return wire->request(0x55, PathBuilder().classId(0x6B).instance(start), attributes({1, 2, 8}));
  };
  setOptions([](Options& o) { o.symbolsPerPage = 1; });
  RouterReply first = page(0);
  ASSERT_EQ(first.status, 0x06);
  ASSERT_FALSE(first.data.empty());
  uint32_t next = get32(first.data, 0) + 1;

  setOptions([&](Options& o) { o.stuckSymbolPagesFrom = next; });
  RouterReply again = page(0);
  EXPECT_EQ(again.status, 0x06);
  EXPECT_EQ(again.data, first.data);
  for (uint32_t start : {next, next + 1, 0xFFFFFFF0u}) {
    RouterReply stuck = page(start);
    EXPECT_EQ(stuck.status, 0x06) << start;
    EXPECT_TRUE(stuck.data.empty()) << start;
  }
  setOptions([](Options& o) { o.stuckSymbolPagesFrom = 0; });
  EXPECT_EQ(page(0).status, 0x06);
  EXPECT_TRUE(page(0).data.empty());
  EXPECT_TRUE(wire->request(0x55, PathBuilder().symbol("Program:Packaging").classId(0x6B).instance(0),
                            attributes({1}))
                  .data.empty());
}

TEST_F(SimTest, ReadByInstanceId) {
  auto wire = client();
  Bytes count{1, 0};
  RouterReply reply = wire->request(0x4C, PathBuilder().classId(0x6B).instance(70000), count);
  ASSERT_EQ(reply.status, 0);
  EXPECT_EQ(reply.data, (Bytes{0xC4, 0, 99, 0, 0, 0}));
  EXPECT_EQ(wire->request(0x4C, PathBuilder().classId(0x6B).instance(69999), count).status, 0x05);
}

TEST(GeneratedSymbols, LargeControllerPagesWithinTheLimit) {
  Controller controller = generateController(parseGenerateSpec("tags=8000,types=20,programs=2,programTags=5"));
  Server server(controller);
  WireClient wire(server.start());
  ASSERT_NE(wire.registerSession(), 0u);
  size_t pages = 0;
  std::vector<Entry> entries = browse(wire, "", pages, 504);
  EXPECT_EQ(entries.size(), 8002u);
  expectSame(entries, controller.symbols());
  EXPECT_GT(entries.back().instance, 65535u);
}

}  // namespace
}  // namespace quillon::sim::test
