// Reading tags, packets of requests and strings against the simulator: every path form, packing
// and splitting, per-item outcomes, strings in fragments of many sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "bytes.hpp"
#include "simulator.hpp"

namespace {

using namespace quillon::testing;
using quillon::sim::Options;
using quillon::sim::RequestRecord;

constexpr uint8_t kPacket = 0x0A, kReadTag = 0x4C, kFragmented = 0x52;

// Ten-character DINT names, Tag_000001 on, tag i valued i.
std::string tagName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "Tag_%06d", i);
  return name;
}
std::string sampleText(size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += static_cast<char>('a' + i % 26);
  return out;
}

// Atomic tags, arrays, structures with members, a program, texts of 0, 95 and 96 characters in
// a structure with room for 200; of the BOOL[50] bits 0, 37 and 49 are set.
quillon::sim::Controller readController() {
  std::string bits;
  for (int i = 0; i < 50; ++i) bits += std::string(i ? "," : "") + (i == 0 || i == 37 || i == 49 ? "true" : "false");
  std::string json = R"({"types": [
    {"name": "Point", "members": [{"name": "X", "type": "REAL"}, {"name": "Y", "type": "REAL"}]},
    {"name": "Station", "members": [{"name": "Level", "type": "REAL"}, {"name": "Count", "type": "DINT"},
      {"name": "Ready", "type": "BOOL"}, {"name": "Label", "type": "STRING"}, {"name": "Where", "type": "Point"}]},
    {"name": "LongText", "members": [{"name": "LEN", "type": "DINT"}, {"name": "DATA", "type": "SINT", "dim": 200}]}],
  "tags": [{"name": "Flag", "type": "BOOL", "value": true}, {"name": "Inputs", "type": "BOOL", "dims": [50], "value": [)" + bits + R"(]},
    {"name": "Big", "type": "LINT", "value": -9000000000},
    {"name": "Grid", "type": "DINT", "dims": [3, 4], "value": [[1, 2, 3, 4], [5, 6, 7, 8], [9, 10, 11, 12]]},
    {"name": "Stations", "type": "Station", "dims": [3], "value": [{"Count": 11, "Ready": true, "Label": "First"},
      {"Count": 77, "Label": "Second", "Where": {"X": 1.25, "Y": 2.5}}, {"Count": 99}]},
    {"name": "Hello", "type": "STRING", "value": "Hello from line 1"},
    {"name": "Empty", "type": "LongText", "value": ""},)";
  json += R"({"name": "Text95", "type": "LongText", "value": ")" + sampleText(95) + R"("},)";
  json += R"({"name": "Text96", "type": "LongText", "value": ")" + sampleText(96) + R"("},)";
  json += R"({"name": "Data", "type": "DINT", "dims": [400], "value": [)";
  for (int i = 0; i < 400; ++i) json += (i ? "," : "") + std::to_string(i * 10);
  json += "]}";
  for (int i = 1; i <= 30; ++i) json += R"(,{"name": ")" + tagName(i) + R"(", "type": "DINT", "value": )" + std::to_string(i) + "}";
  return quillon::sim::parseController(json + R"(], "programs": [{"name": "MainProgram", "tags": [
    {"name": "Step", "type": "DINT", "value": 10}]}]})");
}

template <typename T>
Bytes valueBytes(T value) {
  Bytes out(8, 0);
  std::memcpy(out.data(), &value, sizeof value);
  return out;
}

class Read : public SimulatorTest {
 protected:
  quillon::sim::Controller makeController() const override { return readController(); }
  // Sets the knobs, connects and forgets the requests of the connect.
  void connectWith(const std::function<void(Options&)>& knobs = nullptr) {
    if (knobs) setOptions(knobs);
    ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
    clearRecords();
  }
  // Items for `texts`, which must outlive them; reads them.
  std::vector<zoltc_logix_read_item> items(const std::vector<std::string>& texts) {
    std::vector<zoltc_logix_read_item> out(texts.size(), {nullptr, 0xEE, 0xEEEE, {}, false, 0, 0});
    for (size_t i = 0; i < texts.size(); ++i) out[i].tag_name = texts[i].c_str();
    return out;
  }
  zoltc_logix_result read(std::vector<zoltc_logix_read_item>& batch) {
    return zoltc_logix_read_tags(client(), batch.data(), static_cast<uint32_t>(batch.size()));
  }
  // The embedded request count of each exchange: 0 for a request on its own.
  std::vector<uint16_t> packets() {
    std::vector<uint16_t> counts;
    for (const RequestRecord& r : records()) counts.push_back(r.service == kPacket ? static_cast<uint16_t>(r.data[0] | r.data[1] << 8) : 0);
    return counts;
  }
};

// Every path form (the widths of every type are the decoder's table, codec_test.cpp); a BOOL[50]
// is served as two 32-bit words, its bit paths read single bits. Each item has its own outcome;
// items refused by their text (or a path no request can carry) are never sent, the rest still
// travel together.
TEST_F(Read, ValuesByEveryPathFormAndPerItemOutcomes) {
  connectWith();
  const std::vector<std::tuple<std::string, uint16_t, Bytes>> table = {
      {"Flag", 0xC1, valueBytes<uint8_t>(1)}, {"Big", 0xC5, valueBytes<int64_t>(-9000000000)},
      {"Data[300]", 0xC4, valueBytes<int32_t>(3000)}, {"Grid[2,3]", 0xC4, valueBytes<int32_t>(12)}, {"Grid[ 1 ][ 0 ]", 0xC4, valueBytes<int32_t>(5)},
      {"Stations[1].Count", 0xC4, valueBytes<int32_t>(77)}, {"Stations[0].Ready", 0xC1, valueBytes<uint8_t>(1)},
      {"Stations[1].Ready", 0xC1, valueBytes<uint8_t>(0)}, {"Stations[1].Where.Y", 0xCA, valueBytes<float>(2.5f)},
      {"Program:MainProgram.Step", 0xC4, valueBytes<int32_t>(10)}, {"Inputs[37]", 0xC1, valueBytes<uint8_t>(1)},
      {"Inputs[1]", 0xC1, valueBytes<uint8_t>(0)}};
  std::vector<std::string> paths;
  for (const auto& row : table) paths.push_back(std::get<0>(row));
  auto batch = items(paths);
  for (auto& item : batch) item.bool_bit = std::string_view(item.tag_name).starts_with("Inputs");
  ASSERT_EQ(read(batch), ZOLTC_LOGIX_OK);
  for (size_t k = 0; k < table.size(); ++k) {
    EXPECT_EQ(std::tuple(batch[k].status, batch[k].type), std::tuple(ZOLTC_LOGIX_OK, std::get<1>(table[k]))) << paths[k];
    EXPECT_EQ(bytesOf(batch[k].value, 8), std::get<2>(table[k])) << paths[k];
  }

  clearRecords();
  std::vector<std::string> names = {tagName(1), "NoSuchTag", "Data[400]", "Stations[0]", "Stations[0].Nope", "Tag_[",
                                    std::string(256, 'x'), std::string(255, 'a') + "." + std::string(255, 'b'), tagName(2), "Inputs"};
  auto outcomes = items(names);
  for (auto& item : outcomes) item.bool_bit = std::string_view(item.tag_name) == "Inputs";  // a bit of no element
  outcomes.push_back({nullptr, 0xEE, 0, {}, false, 0, 0});
  ASSERT_EQ(read(outcomes), ZOLTC_LOGIX_OK);
  // Outcome, type, general and extended status; the structure's type word is its reply's head.
  const std::vector<std::tuple<zoltc_logix_result, uint16_t, uint8_t, uint16_t>> expected = {
      {ZOLTC_LOGIX_OK, 0xC4, 0, 0}, {ZOLTC_LOGIX_ERR_CIP_STATUS, 0, 0x04, 0}, {ZOLTC_LOGIX_ERR_CIP_STATUS, 0, 0x05, 0x2105},
      {ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE, 0x02A0, 0, 0}, {ZOLTC_LOGIX_ERR_CIP_STATUS, 0, 0x04, 0}, {ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, 0, 0, 0},
      {ZOLTC_LOGIX_ERR_TOO_LARGE, 0, 0, 0}, {ZOLTC_LOGIX_ERR_TOO_LARGE, 0, 0, 0}, {ZOLTC_LOGIX_OK, 0xC4, 0, 0},
      {ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, 0, 0, 0}, {ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, 0, 0, 0}};
  for (size_t k = 0; k < outcomes.size(); ++k) {
    EXPECT_EQ(std::tuple(outcomes[k].status, outcomes[k].type, outcomes[k].general_status, outcomes[k].extended_status), expected[k]) << k;
    if (std::get<0>(expected[k]) != ZOLTC_LOGIX_OK) {
      EXPECT_EQ(bytesOf(outcomes[k].value, 8), Bytes(8, 0)) << k;
    }
  }
  EXPECT_EQ(packets(), (std::vector<uint16_t>{6}));

  // Reads split by 0x1A down to bare requests, and get their values through replies too large (0x1B).
  for (bool requestLimit : {true, false}) {
    SCOPED_TRACE(requestLimit ? "request limit" : "reply limit");
    setOptions([&](Options& o) { o.mspRequestLimit = requestLimit ? 20 : 0; o.mspReplyLimit = requestLimit ? 0 : 30; });
    clearRecords();
    std::vector<std::string> dintTexts;
    for (int i = 1; i <= 30; ++i) dintTexts.push_back(tagName(i));
    auto dints = items(dintTexts);
    ASSERT_EQ(read(dints), ZOLTC_LOGIX_OK);
    for (size_t k = 0; k < dints.size(); ++k) {
      EXPECT_EQ(std::tuple(dints[k].status, dints[k].type), std::tuple(ZOLTC_LOGIX_OK, ZOLTC_LOGIX_TYPE_DINT)) << k;
      EXPECT_EQ(bytesOf(dints[k].value, 8), valueBytes<int32_t>(static_cast<int>(k) + 1)) << k;
    }
    const auto sent = records();
    if (requestLimit) {
      EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const RequestRecord& r) { return r.service == kReadTag; }), 30);
    }
  }
}

// Packing and splitting of zoltc_logix_send_requests: Read Tag of tags 1 to 5.
class SendRequests : public Read {
 protected:
  void TearDown() override {
    zoltc_logix_cip_response_list_free(&list);
    for (auto& path : paths) zoltc_logix_path_free(&path);
    Read::TearDown();
  }
  // Read Tag of tags 1 to n; the second may name another tag or carry `largeSecond` data bytes.
  zoltc_logix_result send(size_t n, size_t largeSecond = 0, const char* second = nullptr) {
    for (auto& path : paths) zoltc_logix_path_free(&path);
    paths.assign(n, {});
    large.assign(largeSecond, 0);
    std::vector<zoltc_logix_cip_request> batch;
    for (size_t i = 0; i < n; ++i) {
      EXPECT_EQ(zoltc_logix_encode_tag_path(i == 1 && second ? second : tagName(static_cast<int>(i) + 1).c_str(), &paths[i]), ZOLTC_LOGIX_OK);
      const bool big = i == 1 && largeSecond > 0;
      batch.push_back({kReadTag, paths[i].data, paths[i].length, big ? large.data() : kOne, big ? static_cast<uint32_t>(largeSecond) : 2});
    }
    zoltc_logix_cip_response_list_free(&list);
    return zoltc_logix_send_requests(client(), batch.data(), static_cast<uint32_t>(n), &list);
  }
  static constexpr uint8_t kOne[2] = {1, 0};
  std::vector<zoltc_logix_path> paths;
  Bytes large;
  zoltc_logix_cip_response_list list{};
};

// A request of e = 2 + 12 + 476 = 490 bytes fills a packet alone (8 + 2 + 490 = 500 bytes); one
// of 491 fails the call after the packets before it, with an empty list. A packet of 5 is 8 + 5 *
// 18 = 98 bytes, of 3 62: a controller refusing 98 (0x1A) gets halves. A reply too large (0x1B)
// is not split; embedded errors keep their own statuses.
TEST_F(SendRequests, PacketSizesAndStatuses) {
  QUILLON_SKIP_WHEN_CONNECTED();
  connectWith();
  ASSERT_EQ(send(3, 476), ZOLTC_LOGIX_OK);
  ASSERT_EQ(list.count, 3u);
  EXPECT_EQ(list.responses[0].general_status, 0);
  EXPECT_NE(list.responses[1].general_status, 0);  // too much service data for a read
  EXPECT_EQ(packets(), (std::vector<uint16_t>{1, 1, 1}));
  EXPECT_EQ(records()[1].data.size(), 494u);
  clearRecords();
  EXPECT_EQ(send(3, 477), ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(std::tuple(list.responses, list.count), std::tuple(nullptr, 0u));
  EXPECT_EQ(packets(), (std::vector<uint16_t>{1}));

  setOptions([](Options& o) { o.mspRequestLimit = 97; });
  clearRecords();
  ASSERT_EQ(send(5), ZOLTC_LOGIX_OK);
  ASSERT_EQ(list.count, 5u);
  for (uint32_t i = 0; i < 5; ++i) {
    ASSERT_EQ(list.responses[i].data.length, 6u);
    EXPECT_EQ(list.responses[i].data.data[2], i + 1) << "response " << i << " in request order";
  }
  EXPECT_EQ(packets(), (std::vector<uint16_t>{5, 2, 3}));
  EXPECT_EQ(records()[0].generalStatus, 0x1A);
  setOptions([](Options& o) { o.mspRequestLimit = 20; });  // below a packet of one (26 bytes)
  clearRecords();
  EXPECT_EQ(send(2), ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(list.count, 0u);
  EXPECT_EQ(packets(), (std::vector<uint16_t>{2, 1}));

  setOptions([](Options& o) { o.mspRequestLimit = 0; o.mspReplyLimit = 30; });
  clearRecords();
  EXPECT_EQ(send(4), ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(list.count, 0u);
  ASSERT_EQ(records().size(), 1u);
  EXPECT_EQ(records()[0].generalStatus, 0x1B);
  setOptions([](Options& o) { o.mspReplyLimit = 0; });
  clearRecords();
  ASSERT_EQ(send(3, 0, "NoSuchTag"), ZOLTC_LOGIX_OK);
  ASSERT_EQ(list.count, 3u);
  EXPECT_EQ(std::tuple(list.responses[0].general_status, list.responses[2].general_status), std::tuple(0, 0));
  EXPECT_NE(list.responses[1].general_status, 0);
  EXPECT_EQ(list.responses[1].data.length, 0u);
  EXPECT_EQ(records()[0].generalStatus, 0x1E);
  clearRecords();
  zoltc_logix_cip_response_list_free(&list);  // the call below clears its output without freeing it
  const zoltc_logix_cip_request odd{kReadTag, paths[0].data, 3, kOne, 2};  // an odd path: refused unsent
  EXPECT_EQ(zoltc_logix_send_requests(client(), &odd, 1, &list), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_TRUE(records().empty());
}

// Each text read with fragments of several sizes (0: as many as a reply holds): one request per
// fragment, each where the last ended, none after the counted characters are in. Refusals leave
// the empty text and no count.
TEST_F(Read, StringsReadTheCountedCharactersAndNoMore) {
  struct Row {
    std::string tag;
    zoltc_logix_result expected;
    std::string text;
    uint32_t length;
    uint32_t bytesNeeded;  // structure bytes the read must fetch: the count and the characters; 0 sends nothing
  };
  const std::vector<Row> rows = {{"Empty", ZOLTC_LOGIX_OK, "", 0, 4},
                                 {"Text95", ZOLTC_LOGIX_OK, sampleText(95), 95, 99},
                                 {"Text96", ZOLTC_LOGIX_ERR_BUFFER_TOO_SMALL, "", 96, 4},
                                 {"Hello", ZOLTC_LOGIX_OK, "Hello from line 1", 17, 21},
                                 {"Stations[1].Label", ZOLTC_LOGIX_OK, "Second", 6, 10},
                                 {"NoSuchText", ZOLTC_LOGIX_ERR_CIP_STATUS, "", 0, 1},  // refused at the first request
                                 {"Text95[", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, "", 0, 0}};
  connectWith();
  for (const Row& row : rows) {
    for (uint32_t fragmentBytes : {0u, 1u, 3u, 7u, 64u}) {
      SCOPED_TRACE(row.tag + " in fragments of " + std::to_string(fragmentBytes));
      setOptions([&](Options& o) { o.fragmentBytes = fragmentBytes; });
      clearRecords();
      std::string buffer(96, 'Z');
      uint32_t length = 12345;
      EXPECT_EQ(zoltc_logix_read_string(client(), row.tag.c_str(), buffer.data(), 96, &length), row.expected);
      EXPECT_EQ(std::string(buffer.c_str()), row.text);
      EXPECT_EQ(length, row.length);
      const auto sent = records();
      const uint32_t step = fragmentBytes == 0 || row.bytesNeeded < 2 ? row.bytesNeeded : fragmentBytes;
      ASSERT_EQ(sent.size(), step ? (row.bytesNeeded + step - 1) / step : 0);
      for (uint32_t k = 0; k < sent.size(); ++k) {
        EXPECT_EQ(std::tuple(sent[k].service, sent[k].path), std::tuple(kFragmented, row.tag));
        Bytes data = hex("01 00");
        appendU32(data, k * step);
        EXPECT_EQ(sent[k].data, data);
      }
    }
  }
}

}  // namespace
