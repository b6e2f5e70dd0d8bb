// zoltc_logix_read_tags and zoltc_logix_send_requests against the simulator:
// values, packing, splitting, per-item outcomes and failing batches.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "read_fixture.hpp"

namespace {

using quillon::sim::RequestRecord;
using readtest::Bytes;
using readtest::itemsFor;
using readtest::packetCount;
using readtest::ReadSimTest;
using readtest::tagName;
using readtest::toHex;

constexpr uint8_t kMultiple = 0x0A;
constexpr uint8_t kReadTag = 0x4C;

template <typename T>
Bytes valueBytes(T value) {
  Bytes out(8, 0);
  std::memcpy(out.data(), &value, sizeof value);
  return out;
}

std::vector<std::string> dintNames(int first, int count) {
  std::vector<std::string> names;
  for (int i = first; i < first + count; ++i) {
    names.push_back(tagName(i));
  }
  return names;
}

// Every item read tag i's value i.
void expectDintValues(const std::vector<zoltc_logix_read_item>& items, int first) {
  for (size_t k = 0; k < items.size(); ++k) {
    SCOPED_TRACE(items[k].tag_name);
    EXPECT_EQ(items[k].status, ZOLTC_LOGIX_OK);
    EXPECT_EQ(items[k].type, 0xC4);
    EXPECT_EQ(toHex(items[k].value, 8), toHex(valueBytes<int32_t>(first + static_cast<int>(k))));
  }
}

std::vector<uint16_t> packetCounts(const std::vector<RequestRecord>& records) {
  std::vector<uint16_t> counts;
  for (const RequestRecord& record : records) {
    counts.push_back(record.service == kMultiple ? packetCount(record) : 0);
  }
  return counts;
}

struct Expected {
  std::string path;
  uint16_t type;
  Bytes value;
};

TEST_F(ReadSimTest, ReadsEveryAtomicTypeByEveryPathForm) {
  connectAndForget();
  const std::vector<Expected> table = {
      {"Flag", 0xC1, valueBytes<uint8_t>(1)},
      {"Small", 0xC2, valueBytes<int8_t>(-5)},
      {"Short", 0xC3, valueBytes<int16_t>(-1234)},
      {"Big", 0xC5, valueBytes<int64_t>(-9000000000)},
      {"Ubyte", 0xC6, valueBytes<uint8_t>(200)},
      {"Uint", 0xC7, valueBytes<uint16_t>(60000)},
      {"Udint", 0xC8, valueBytes<uint32_t>(4000000000u)},
      {"Ulint", 0xC9, valueBytes<uint64_t>(18000000000000000000u)},
      {"Ratio", 0xCA, valueBytes<float>(1.5f)},
      {"Precise", 0xCB, valueBytes<double>(3.25)},
      {"Bits8", 0xD1, valueBytes<uint8_t>(0xA5)},
      {"Bits16", 0xD2, valueBytes<uint16_t>(0xBEEF)},
      {"Bits32", 0xD3, valueBytes<uint32_t>(0xDEADBEEF)},
      {"Bits64", 0xD4, valueBytes<uint64_t>(0x0123456789ABCDEF)},
      {"Data[5]", 0xC4, valueBytes<int32_t>(50)},
      {"Data[300]", 0xC4, valueBytes<int32_t>(3000)},
      {"Grid[2,3]", 0xC4, valueBytes<int32_t>(12)},
      {"Grid[2][3]", 0xC4, valueBytes<int32_t>(12)},
      {"Grid[ 1 , 0 ]", 0xC4, valueBytes<int32_t>(5)},
      {"Stations[1].Count", 0xC4, valueBytes<int32_t>(77)},
      {"Stations[0].Ready", 0xC1, valueBytes<uint8_t>(1)},
      {"Stations[1].Ready", 0xC1, valueBytes<uint8_t>(0)},
      {"Stations[1].Where.Y", 0xCA, valueBytes<float>(2.5f)},
      {"Program:MainProgram.Step", 0xC4, valueBytes<int32_t>(10)},
  };
  std::vector<std::string> paths;
  for (const Expected& row : table) {
    paths.push_back(row.path);
  }
  auto items = itemsFor(paths);
  ASSERT_EQ(zoltc_logix_read_tags(client(), items.data(), static_cast<uint32_t>(items.size())),
            ZOLTC_LOGIX_OK);
  for (size_t k = 0; k < table.size(); ++k) {
    SCOPED_TRACE(table[k].path);
    EXPECT_EQ(items[k].status, ZOLTC_LOGIX_OK);
    EXPECT_EQ(items[k].type, table[k].type);
    EXPECT_EQ(toHex(items[k].value, 8), toHex(table[k].value));
  }
}

TEST_F(ReadSimTest, ThirtyOneItemsGoAsTwoPacketsThenOneBareRequest) {
  QUILLON_SKIP_WHEN_CONNECTED();
  connectAndForget();
  auto names = dintNames(1, 31);
  auto items = itemsFor(names);
  ASSERT_EQ(zoltc_logix_read_tags(client(), items.data(), 31), ZOLTC_LOGIX_OK);
  expectDintValues(items, 1);

  // A batch of 30 ten-character names packs as 27 + 3; the 31st goes alone
  // without a packet around it.
  std::vector<RequestRecord> sent = exchanges();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(packetCounts(sent), (std::vector<uint16_t>{27, 3, 0}));
  EXPECT_EQ(sent[2].service, kReadTag);
  EXPECT_EQ(sent[2].path, tagName(31));
  EXPECT_EQ(toHex(sent[2].data), "01 00") << "one element";
  // 2 + 2 * 27 + 27 * 16 bytes of packet data: 494 bytes with the 6-byte head.
  EXPECT_EQ(sent[0].data.size(), 488u);
  EXPECT_EQ(embedded().size(), 30u);
}

TEST_F(ReadSimTest, ThreeItemsWithAnInvalidSecondTravelAsOneBatchOfTwo) {
  connectAndForget();
  std::vector<std::string> names = {tagName(1), "Tag[", tagName(3)};
  auto items = itemsFor(names);
  ASSERT_EQ(zoltc_logix_read_tags(client(), items.data(), 3), ZOLTC_LOGIX_OK);
  EXPECT_EQ(items[0].status, ZOLTC_LOGIX_OK);
  EXPECT_EQ(items[1].status, ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(items[1].type, 0);
  EXPECT_EQ(items[2].status, ZOLTC_LOGIX_OK);
  EXPECT_EQ(items[2].value[0], 3);
  EXPECT_EQ(packetCounts(exchanges()), (std::vector<uint16_t>{2}));
}

TEST_F(ReadSimTest, PerItemFailuresMixWithSuccesses) {
  connectAndForget();
  std::vector<std::string> names = {tagName(1),     "NoSuchTag",         "Data[400]",
                                    "Stations[0]",  "Stations[0].Nope",  "Tag_[",
                                    std::string(256, 'x'), tagName(2)};
  auto items = itemsFor(names);
  for (auto& item : items) {
    std::memset(item.value, 0xEE, sizeof item.value);
    item.type = 0xEEEE;
  }
  ASSERT_EQ(zoltc_logix_read_tags(client(), items.data(), 8), ZOLTC_LOGIX_OK);
  const std::vector<zoltc_logix_result> expected = {
      ZOLTC_LOGIX_OK,
      ZOLTC_LOGIX_ERR_CIP_STATUS,        // unknown tag
      ZOLTC_LOGIX_ERR_CIP_STATUS,        // index out of range
      ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE,  // a whole structure
      ZOLTC_LOGIX_ERR_CIP_STATUS,        // unknown member
      ZOLTC_LOGIX_ERR_INVALID_ARGUMENT,  // never sent
      ZOLTC_LOGIX_ERR_TOO_LARGE,         // never sent
      ZOLTC_LOGIX_OK};
  for (size_t k = 0; k < items.size(); ++k) {
    SCOPED_TRACE(names[k].substr(0, 20));
    EXPECT_EQ(items[k].status, expected[k]);
    if (expected[k] != ZOLTC_LOGIX_OK) {
      EXPECT_EQ(toHex(items[k].value, 8), toHex(Bytes(8, 0))) << "no value";
    }
  }
  EXPECT_EQ(items[3].type, 0x02A0) << "a structure reply's head, taken as a type word";
  EXPECT_EQ(items[1].type, 0);
  EXPECT_EQ(packetCounts(exchanges()), (std::vector<uint16_t>{6}));
  // The controller's own statuses, and the words engineers read them in.
  const std::vector<std::pair<size_t, std::string>> refusals = {
      {1, "tag not found (path segment error)"}, {2, "index out of range"},
      {4, "tag not found (path segment error)"}};
  for (const auto& [k, text] : refusals) {
    char buffer[64];
    zoltc_logix_cip_status_text(items[k].general_status, items[k].extended_status, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer), text) << names[k];
  }
  EXPECT_EQ(items[2].extended_status, 0x2105);
  EXPECT_EQ(items[0].general_status, 0);
}

// A BOOL[50] is served as two 32-bit words; its bit paths read single bits.
TEST_F(ReadSimTest, BoolArrayPathsReadBits) {
  connectAndForget();
  std::vector<std::string> names = {"Inputs[0]", "Inputs[1]", "Inputs[37]", "Inputs[49]", "Inputs[64]", "Inputs"};
  auto items = itemsFor(names);
  for (auto& item : items) {
    item.bool_bit = true;
  }
  ASSERT_EQ(zoltc_logix_read_tags(client(), items.data(), static_cast<uint32_t>(items.size())), ZOLTC_LOGIX_OK);
  const std::vector<std::pair<zoltc_logix_result, uint8_t>> expected = {
      {ZOLTC_LOGIX_OK, 1}, {ZOLTC_LOGIX_OK, 0}, {ZOLTC_LOGIX_OK, 1}, {ZOLTC_LOGIX_OK, 1},
      {ZOLTC_LOGIX_ERR_CIP_STATUS, 0}, {ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, 0}};
  for (size_t k = 0; k < items.size(); ++k) {
    EXPECT_EQ(items[k].status, expected[k].first) << names[k];
    EXPECT_EQ(items[k].value[0], expected[k].second) << names[k];
    if (expected[k].first == ZOLTC_LOGIX_OK) {
      EXPECT_EQ(items[k].type, ZOLTC_LOGIX_TYPE_BOOL) << names[k];
    }
  }
  // The record of a BOOL[50] as listed: type 0x20D3 of two words.
  zoltc_logix_tag_info record{};
  record.type = 0x20D3;
  record.dims[0] = 2;
  zoltc_logix_bool_element where{};
  ASSERT_TRUE(zoltc_logix_bool_array_element(&record, 37, &where));
  EXPECT_EQ(where.element, 1u);
  EXPECT_EQ(where.bit, 5u);
  EXPECT_FALSE(zoltc_logix_bool_array_element(&record, 64, &where));
  record.type = 0x20C4;
  EXPECT_FALSE(zoltc_logix_bool_array_element(&record, 1, &where));
}

TEST_F(ReadSimTest, APathNoRequestCanCarryFailsOnlyItsItem) {
  connectAndForget();
  // Two 255-byte names make a 514-byte path: beyond what a request may carry.
  std::vector<std::string> names = {tagName(1), std::string(255, 'a') + "." + std::string(255, 'b'),
                                    tagName(2)};
  auto items = itemsFor(names);
  ASSERT_EQ(zoltc_logix_read_tags(client(), items.data(), 3), ZOLTC_LOGIX_OK);
  EXPECT_EQ(items[0].status, ZOLTC_LOGIX_OK);
  EXPECT_EQ(items[1].status, ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(items[2].status, ZOLTC_LOGIX_OK);
  EXPECT_EQ(packetCounts(exchanges()), (std::vector<uint16_t>{2}));
}

TEST_F(ReadSimTest, EveryTagPathRejectionIsReportedAndNothingIsSent) {
  connectAndForget();
  const std::vector<std::pair<std::string, zoltc_logix_result>> rejected = {
      {"", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},        {"   ", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},
      {"a[]", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},     {"a[ ]", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},
      {"a[1,]", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},   {"a[-1]", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},
      {"a[0x1]", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},  {"a[4294967296]", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},
      {"a[1]b", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},   {"a.", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},
      {".a", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},      {"a..b", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},
      {"a]", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},      {"a[1", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},
      {"a[1.2]", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT},  {std::string(256, 'n'), ZOLTC_LOGIX_ERR_TOO_LARGE},
  };
  std::vector<std::string> names;
  for (const auto& row : rejected) {
    names.push_back(row.first);
  }
  auto items = itemsFor(names);
  items.push_back({});  // a null text
  ASSERT_EQ(zoltc_logix_read_tags(client(), items.data(), static_cast<uint32_t>(items.size())),
            ZOLTC_LOGIX_OK);
  for (size_t k = 0; k < rejected.size(); ++k) {
    EXPECT_EQ(items[k].status, rejected[k].second) << '"' << rejected[k].first.substr(0, 20) << '"';
  }
  EXPECT_EQ(items.back().status, ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_TRUE(exchanges().empty());
}

TEST_F(ReadSimTest, ReadTagsChecksItsArguments) {
  auto names = dintNames(1, 2);
  auto items = itemsFor(names);
  items[0].status = 0xEE;
  EXPECT_EQ(zoltc_logix_read_tags(nullptr, items.data(), 2), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_read_tags(client(), nullptr, 2), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_read_tags(client(), items.data(), 0), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(items[0].status, 0xEE) << "items untouched";

  // Before any connect every item carries the batch's result.
  EXPECT_EQ(zoltc_logix_read_tags(client(), items.data(), 2), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  EXPECT_EQ(items[0].status, ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  EXPECT_EQ(items[1].status, ZOLTC_LOGIX_ERR_NOT_CONNECTED);
}

// ---- packing and splitting

zoltc_logix_cip_request readRequest(const zoltc_logix_path& path, const Bytes& data) {
  return {kReadTag, path.data, path.length, data.data(), static_cast<uint32_t>(data.size())};
}

class SendRequestsTest : public ReadSimTest {
 protected:
  void SetUp() override {
    ReadSimTest::SetUp();
    for (int i = 0; i < 5; ++i) {
      zoltc_logix_path path{};
      ASSERT_EQ(zoltc_logix_encode_tag_path(tagName(i + 1).c_str(), &path), ZOLTC_LOGIX_OK);
      paths_.push_back(path);
    }
  }
  void TearDown() override {
    zoltc_logix_cip_response_list_free(&list_);
    for (auto& path : paths_) {
      zoltc_logix_path_free(&path);
    }
    ReadSimTest::TearDown();
  }
  // Read Tag of tag 1..5, with `data` as service data.
  std::vector<zoltc_logix_cip_request> requests(size_t n, const Bytes& data) const {
    std::vector<zoltc_logix_cip_request> out;
    for (size_t i = 0; i < n; ++i) {
      out.push_back(readRequest(paths_[i % paths_.size()], data));
    }
    return out;
  }
  zoltc_logix_result send(const std::vector<zoltc_logix_cip_request>& requests) {
    zoltc_logix_cip_response_list_free(&list_);
    return zoltc_logix_send_requests(client(), requests.data(),
                                     static_cast<uint32_t>(requests.size()), &list_);
  }

  // Three reads whose second carries `dataBytes` of service data.
  zoltc_logix_result sendWithLargeSecond(size_t dataBytes) {
    large_.assign(dataBytes, 0x00);
    auto batch = requests(3, oneElement_);
    batch[1] = readRequest(paths_[1], large_);
    return send(batch);
  }

  const Bytes oneElement_{0x01, 0x00};
  Bytes large_;
  std::vector<zoltc_logix_path> paths_;
  zoltc_logix_cip_response_list list_{};
};

TEST_F(SendRequestsTest, ARequestOf490BytesFillsAPacketAlone) {
  QUILLON_SKIP_WHEN_CONNECTED();
  connectAndForget();
  // e = 2 + 12 (path) + 476 = 490: 8 + 2 + 490 = 500 bytes.
  ASSERT_EQ(sendWithLargeSecond(476), ZOLTC_LOGIX_OK);
  ASSERT_EQ(list_.count, 3u);
  EXPECT_EQ(list_.responses[0].general_status, 0x00);
  EXPECT_NE(list_.responses[1].general_status, 0x00) << "too much service data for a read";
  EXPECT_EQ(list_.responses[2].general_status, 0x00);
  std::vector<RequestRecord> sent = exchanges();
  EXPECT_EQ(packetCounts(sent), (std::vector<uint16_t>{1, 1, 1}));
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[1].data.size(), 494u) << "the whole packet is 500 bytes";
}

TEST_F(SendRequestsTest, ARequestOf491BytesFailsAfterThePacketsBeforeIt) {
  QUILLON_SKIP_WHEN_CONNECTED();
  connectAndForget();
  EXPECT_EQ(sendWithLargeSecond(477), ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(list_.responses, nullptr);
  EXPECT_EQ(list_.count, 0u);
  EXPECT_EQ(packetCounts(exchanges()), (std::vector<uint16_t>{1}));
}

TEST_F(SendRequestsTest, RequestTooLargeSplitsFiveIntoTwoAndThree) {
  // A packet of 5 is 8 + 5 * 18 = 98 bytes, of 3 is 62.
  quillon::sim::Options options;
  options.mspRequestLimit = 97;
  connectAndForget(options);
  ASSERT_EQ(send(requests(5, oneElement_)), ZOLTC_LOGIX_OK);
  ASSERT_EQ(list_.count, 5u);
  for (uint32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(list_.responses[i].general_status, 0x00);
    ASSERT_EQ(list_.responses[i].data.length, 6u);
    EXPECT_EQ(list_.responses[i].data.data[2], i + 1) << "response " << i << " in request order";
  }
  std::vector<RequestRecord> sent = exchanges();
  EXPECT_EQ(packetCounts(sent), (std::vector<uint16_t>{5, 2, 3}));
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].generalStatus, 0x1A);
}

TEST_F(SendRequestsTest, RequestTooLargeForOneRequestIsTooLarge) {
  quillon::sim::Options options;
  options.mspRequestLimit = 20;  // below a packet of one (26 bytes)
  connectAndForget(options);
  EXPECT_EQ(send(requests(2, oneElement_)), ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(list_.count, 0u);
  EXPECT_EQ(packetCounts(exchanges()), (std::vector<uint16_t>{2, 1}));
}

TEST_F(SendRequestsTest, ResponseTooLargeIsTooLargeWithoutSplitting) {
  quillon::sim::Options options;
  options.mspReplyLimit = 30;
  connectAndForget(options);
  EXPECT_EQ(send(requests(4, oneElement_)), ZOLTC_LOGIX_ERR_TOO_LARGE);
  EXPECT_EQ(list_.count, 0u);
  std::vector<RequestRecord> sent = exchanges();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].generalStatus, 0x1B);
}

TEST_F(SendRequestsTest, EmbeddedErrorsKeepTheirOwnStatuses) {
  connectAndForget();
  zoltc_logix_path unknown{};
  ASSERT_EQ(zoltc_logix_encode_tag_path("NoSuchTag", &unknown), ZOLTC_LOGIX_OK);
  auto batch = requests(3, oneElement_);
  batch[1] = readRequest(unknown, oneElement_);
  zoltc_logix_result result = send(batch);
  zoltc_logix_path_free(&unknown);
  ASSERT_EQ(result, ZOLTC_LOGIX_OK);
  ASSERT_EQ(list_.count, 3u);
  EXPECT_EQ(list_.responses[0].general_status, 0x00);
  EXPECT_NE(list_.responses[1].general_status, 0x00);
  EXPECT_EQ(list_.responses[1].data.length, 0u);
  EXPECT_EQ(list_.responses[2].general_status, 0x00);
  std::vector<RequestRecord> sent = exchanges();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].generalStatus, 0x1E);
}

TEST_F(SendRequestsTest, ChecksItsArguments) {
  auto batch = requests(1, oneElement_);
  list_.count = 7;
  EXPECT_EQ(zoltc_logix_send_requests(nullptr, batch.data(), 1, &list_),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(list_.count, 0u) << "the list is cleared";
  EXPECT_EQ(zoltc_logix_send_requests(client(), nullptr, 1, &list_),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_send_requests(client(), batch.data(), 0, &list_),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_send_requests(client(), batch.data(), 1, nullptr),
            ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(send(batch), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  connectAndForget();
  batch[0].path_length = 3;
  EXPECT_EQ(send(batch), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_TRUE(exchanges().empty());
}

TEST_F(ReadSimTest, ReadsSplitByRequestTooLargeDownToBareRequests) {
  quillon::sim::Options options;
  options.mspRequestLimit = 20;  // no packet passes
  connectAndForget(options);
  auto names = dintNames(1, 5);
  auto items = itemsFor(names);
  ASSERT_EQ(zoltc_logix_read_tags(client(), items.data(), 5), ZOLTC_LOGIX_OK);
  expectDintValues(items, 1);
  int bare = 0;
  for (const RequestRecord& record : exchanges()) {
    if (record.service == kReadTag) {
      ++bare;
    } else {
      EXPECT_EQ(record.generalStatus, 0x1A);
    }
  }
  EXPECT_EQ(bare, 5);
}

TEST_F(ReadSimTest, ReadsFallBackToBareRequestsWhenRepliesAreTooLarge) {
  quillon::sim::Options options;
  options.mspReplyLimit = 30;
  connectAndForget(options);
  auto names = dintNames(1, 30);
  auto items = itemsFor(names);
  ASSERT_EQ(zoltc_logix_read_tags(client(), items.data(), 30), ZOLTC_LOGIX_OK);
  expectDintValues(items, 1);
}

// ---- failing batches

TEST_F(ReadSimTest, ABatchFailingMidWayFailsItselfAndEveryLaterOne) {
  QUILLON_SKIP_WHEN_CONNECTED();
  // RegisterSession and the identity are requests 1 and 2; the first batch
  // (27 + 3) is 3 and 4; the connection closes after the second batch's first
  // packet.
  quillon::sim::Options options;
  options.closeAfterRequests = 5;
  connectAndForget(options);
  std::vector<std::string> names = dintNames(1, 72);
  names[5] = "bad[";
  names[40] = "bad]";
  names[70] = "";
  auto items = itemsFor(names);
  EXPECT_EQ(zoltc_logix_read_tags(client(), items.data(), 72), ZOLTC_LOGIX_ERR_CONNECTION_LOST);
  for (size_t k = 0; k < items.size(); ++k) {
    SCOPED_TRACE(names[k]);
    if (k == 5 || k == 40 || k == 70) {
      EXPECT_EQ(items[k].status, ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
    } else if (k <= 30) {
      EXPECT_EQ(items[k].status, ZOLTC_LOGIX_OK);
      EXPECT_EQ(items[k].value[0], k + 1);
    } else {
      EXPECT_EQ(items[k].status, ZOLTC_LOGIX_ERR_CONNECTION_LOST);
      EXPECT_EQ(items[k].type, 0);
    }
  }
  EXPECT_EQ(packetCounts(exchanges()), (std::vector<uint16_t>{27, 3, 27}));

  // The connection is gone: the next read fails whole.
  EXPECT_EQ(zoltc_logix_read_tags(client(), items.data(), 72), ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  EXPECT_EQ(items[0].status, ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  EXPECT_EQ(items[71].status, ZOLTC_LOGIX_ERR_NOT_CONNECTED);
  EXPECT_EQ(items[5].status, ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
}

TEST_F(ReadSimTest, AnUnansweredFirstBatchTimesOutEveryLaterItem) {
  // Long enough for a connect on a busy machine; every later wait times out after it.
  ASSERT_EQ(connect(1000), ZOLTC_LOGIX_OK);
  quillon::sim::Options options;
  options.stall = true;
  server().setOptions(options);
  std::vector<std::string> names = dintNames(1, 40);
  names[35] = "a..b";
  auto items = itemsFor(names);
  EXPECT_EQ(zoltc_logix_read_tags(client(), items.data(), 40), ZOLTC_LOGIX_ERR_TIMEOUT);
  for (size_t k = 0; k < items.size(); ++k) {
    EXPECT_EQ(items[k].status,
              k == 35 ? ZOLTC_LOGIX_ERR_INVALID_ARGUMENT : ZOLTC_LOGIX_ERR_TIMEOUT)
        << names[k];
  }
}

}  // namespace
