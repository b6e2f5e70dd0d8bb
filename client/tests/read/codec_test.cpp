// Reading's pure parts: tag paths, packets of requests and their replies, values, strings, BOOL
// array bits, and the controller's statuses in words.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bytes.hpp"
extern "C" {  // headers without C++ guards
#include "batch.h"
#include "read.h"
}

namespace {

using namespace quillon::testing;

Bytes symbol(const std::string& name) {
  return join({Bytes{0x91, static_cast<uint8_t>(name.size())}, text(name), Bytes(name.size() % 2, 0)});
}

constexpr zoltc_logix_result kOk = ZOLTC_LOGIX_OK, kInvalid = ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;

// One text per way a text is encoded or refused, and the edges of its limits. The builder
// held a longer path before: only the new one is left.
TEST(TagPath, EncodesExactBytesOrGivesItsCode) {
  const std::string k255(255, 'n'), k256(256, 'n');
  const std::vector<std::tuple<std::string, zoltc_logix_result, Bytes>> rows{
      {"Counter", kOk, hex("91 07 43 6F 75 6E 74 65 72 00")},
      {"a[4294967295]", kOk, join({symbol("a"), hex("2A 00 FF FF FF FF")})},
      {"a[1][2]", kOk, join({symbol("a"), hex("28 01 28 02")})},
      {"a[\t1\n,\v2\f,\r3 ]", kOk, join({symbol("a"), hex("28 01 28 02 28 03")})},
      {"a[1].b.c[2,3].d", kOk, join({symbol("a"), hex("28 01"), symbol("b"), symbol("c"), hex("28 02 28 03"), symbol("d")})},
      {"a [1]", kOk, join({hex("91 02"), text("a "), hex("28 01")})},
      {"a." + k255, kOk, join({symbol("a"), symbol(k255)})},
      {"a." + k256, ZOLTC_LOGIX_ERR_TOO_LARGE, {}},
      {k256 + "[1]", ZOLTC_LOGIX_ERR_TOO_LARGE, {}},
      {std::string(256, ' ') + "[1]", kInvalid, {}}};
  for (const auto& [text, expected, bytes] : rows) {
    zoltc_logix_path path{};
    ASSERT_EQ(zoltc_logix_encode_tag_path("A_rather_long_tag_name.With.Members[1,2,3]", &path), kOk);
    EXPECT_EQ(zoltc_logix_encode_tag_path(text.c_str(), &path), expected) << text;
    if (expected == kOk) {
      EXPECT_EQ(bytesOf(path), bytes) << text;
    }
    zoltc_logix_path_free(&path);
  }
  for (const char* text : {" \t\n\v\f\r", "a[ ]", "a[1,]", "a[-1]", "a[0x1]", "a[4294967296]", "a[1]b", "a.", ".a", "a]",
                           "a[1", "[1]", "a. .b"}) {
    zoltc_logix_path path{};
    EXPECT_EQ(zoltc_logix_encode_tag_path(text, &path), kInvalid) << text;
    zoltc_logix_path_free(&path);
  }
}

zoltc_logix_cip_request request(uint8_t service, const Bytes& path, const Bytes& data) {
  return {service, path.empty() ? nullptr : path.data(), static_cast<uint32_t>(path.size()),
          data.empty() ? nullptr : data.data(), static_cast<uint32_t>(data.size())};
}

const Bytes kCounter = hex("91 07 43 6F 75 6E 74 65 72 00"), kOneElement = hex("01 00"), kNone;

// Offsets count from the count field: 2 + 2 * 3 = 8, then + 14, then + 2.
TEST(PacketEncode, HeaderCountOffsetsAndRequests) {
  zoltc_logix_buffer out{};
  const std::vector<zoltc_logix_cip_request> three = {request(0x4C, kCounter, kOneElement), request(0x01, kNone, kNone),
                                                      request(0x4C, kCounter, kOneElement)};
  ASSERT_EQ(zoltc_logix_msp_encode(three.data(), 3, &out), ZOLTC_LOGIX_STATUS_OK);
  const Bytes read = join({hex("4C 05"), kCounter, kOneElement});
  EXPECT_EQ(bytesOf(out), join({hex("0A 02 20 02 24 01 03 00 08 00 16 00 18 00"), read, hex("01 00"), read}));
  zoltc_logix_buffer_free(&out);
  const Bytes path510(510, 0);
  const zoltc_logix_cip_request longest = request(0x4C, path510, kOneElement);
  ASSERT_EQ(zoltc_logix_msp_encode(&longest, 1, &out), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(out.data[6 + 4 + 1], 255u);  // path size in words
  zoltc_logix_buffer_free(&out);
}

const uint8_t kSome[65536] = {};
const zoltc_logix_cip_request kBare{0x01, nullptr, 0, nullptr, 0};
constexpr zoltc_logix_status kTooLarge = ZOLTC_LOGIX_STATUS_TOO_LARGE;

// A bad request in a packet is refused as the message encoder would; the output is cleared. One
// request carries 2 + 2 + e bytes of data; 65529 is the most a packet may carry.
TEST(PacketEncode, Limits) {
  // copies 0: the request after a good one.
  const struct { const char* label; zoltc_logix_cip_request request; uint32_t copies; zoltc_logix_status expected;
                 uint32_t length; } rows[] = {{"NullPath", {0x4C, nullptr, 4, kSome, 2}, 0, ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT, 0},
              {"OddPath", {0x4C, kSome, 3, kSome, 2}, 0, ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT, 0},
              {"Path512", {0x4C, kSome, 512, kSome, 2}, 0, kTooLarge, 0},
              {"SizeBeyond32Bits", {0x4C, kSome, 510, kSome, 0xFFFFFFFFu}, 0, kTooLarge, 0},
              {"DataFits", {0x4C, nullptr, 0, kSome, 65523}, 1, ZOLTC_LOGIX_STATUS_OK, 6 + 65529},
              {"DataOneByteOver", {0x4C, nullptr, 0, kSome, 65524}, 1, kTooLarge, 0},
              {"TableTooLarge", kBare, 32764, kTooLarge, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    uint8_t marker = 0;
    zoltc_logix_buffer out{&marker, 1};
    const zoltc_logix_cip_request good{0x4C, kSome, 4, kSome, 2};
    const std::vector<zoltc_logix_cip_request> requests = row.copies ? std::vector(row.copies, row.request) : std::vector{good, row.request};
    EXPECT_EQ(zoltc_logix_msp_encode(requests.data(), static_cast<uint32_t>(requests.size()), &out), row.expected);
    EXPECT_EQ(out.length, row.length);
    EXPECT_EQ(out.data == nullptr, row.expected != ZOLTC_LOGIX_STATUS_OK);
    zoltc_logix_buffer_free(&out);
  }
}

// Two responses: a DINT value, then status 0x05 with one additional status word.
const Bytes kTwo = hex("02 00 06 00 10 00  CC 00 00 00 C4 00 2A 00 00 00  CC 00 05 01 34 12");

TEST(PacketReply, SplitAtTheOffsetsOrRefused) {
  std::vector<std::tuple<std::string, Bytes, uint32_t>> rows{
      {"Two", kTwo, 2}, {"DataToTheEnd", hex("01 00 04 00 CC 00 00 00 C1 00 01"), 1},
      {"GapBeforeFirst", hex("01 00 06 00 FF FF CC 00 00 00"), 1}, {"CountZero", hex("00 00 CC 00 00 00"), 0},
      {"TableLongerThanData", hex("03 00 08 00 0C 00"), 0}, {"OffsetInsideTable", hex("02 00 04 00 0A 00 CC 00 00 00 CC 00 00 00"), 0},
      {"OffsetsBackwards", hex("02 00 0A 00 06 00 CC 00 00 00 CC 00 00 00"), 0},
      {"OffsetPastEnd", hex("02 00 06 00 20 00 CC 00 00 00 CC 00 00 00"), 0},
      {"SliceOfThree", hex("02 00 06 00 09 00 CC 00 00 CC 00 00 00"), 0}};
  for (size_t cut = 0; cut < kTwo.size(); ++cut) {
    rows.emplace_back("Cut" + std::to_string(cut), Bytes(kTwo.begin(), kTwo.begin() + static_cast<long>(cut)), 0);
  }
  for (const auto& [label, bytes, count] : rows) {
    zoltc_logix_cip_response_list list{};
    EXPECT_EQ(zoltc_logix_msp_decode(bytes.data(), static_cast<uint32_t>(bytes.size()), &list),
              count ? ZOLTC_LOGIX_STATUS_OK : ZOLTC_LOGIX_STATUS_BAD_REPLY) << label;
    EXPECT_EQ(list.count, count) << label;
    EXPECT_EQ(list.responses == nullptr, count == 0) << label;
    zoltc_logix_cip_response_list_free(&list);
    EXPECT_EQ(list.responses, nullptr);
  }
}

zoltc_logix_cip_response borrowed(uint8_t generalStatus, const Bytes& data, uint8_t service = 0xCC) {
  zoltc_logix_cip_response response{};
  response.service = service;
  response.general_status = generalStatus;
  response.data = {data.empty() ? nullptr : const_cast<uint8_t*>(data.data()), static_cast<uint32_t>(data.size())};
  return response;
}

// A packet's reply is taken only when it answers the packet: its service, the count and the
// services of the embedded replies; the responses land in request order.
TEST(PacketReply, IsCheckedAgainstThePacket) {
  for (auto [service, n, requestService, expected] :
       {std::tuple(0x8A, 2u, 0x4C, ZOLTC_LOGIX_STATUS_OK), {0x8B, 2u, 0x4C, ZOLTC_LOGIX_STATUS_BAD_REPLY},
        {0x8A, 3u, 0x4C, ZOLTC_LOGIX_STATUS_BAD_REPLY}, {0x8A, 2u, 0x52, ZOLTC_LOGIX_STATUS_BAD_REPLY}}) {
    const zoltc_logix_cip_response reply = borrowed(0x1E, kTwo, static_cast<uint8_t>(service));
    std::vector<zoltc_logix_cip_response> responses(n);
    const std::vector<zoltc_logix_cip_request> requests(n, {static_cast<uint8_t>(requestService), nullptr, 0, nullptr, 0});
    EXPECT_EQ(zoltc_logix_msp_take_reply(&reply, requests.data(), n, responses.data()), expected) << service << n << requestService;
    if (expected == ZOLTC_LOGIX_STATUS_OK) {
      EXPECT_EQ(bytesOf(responses[0].data), hex("C4 00 2A 00 00 00"));
      EXPECT_EQ(std::tuple(responses[0].general_status, responses[1].general_status), std::tuple(0, 5));
      EXPECT_EQ(bytesOf(responses[1].additional_status), hex("34 12"));
    }
    for (auto& response : responses) {
      if (expected != ZOLTC_LOGIX_STATUS_OK) {
        EXPECT_EQ(response.data.data, nullptr);  // nothing moved
      }
      zoltc_logix_cip_response_free(&response);
    }
  }
}

constexpr zoltc_logix_result kUnsupported = ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE, kBad = ZOLTC_LOGIX_ERR_BAD_REPLY;

TEST(ReadItem, GivesOutcomeTypeAndValue) {
  // value: the first bytes; the rest of the 8 are zero.
  const struct { const char* label; uint8_t generalStatus; Bytes data; zoltc_logix_result expected; uint16_t type; Bytes value; } rows[] = {
      {"BoolFF", 0, hex("C1 00 FF"), kOk, 0xC1, hex("01")}, {"BoolZero", 0, hex("C1 00 00"), kOk, 0xC1, {}},
      {"DintThreeBytes", 0, hex("C4 00 01 02 03"), kBad, 0xC4, {}},
      {"TypeWordOnly", 0, hex("C4 00"), kBad, 0, {}},
      {"CodeD0", 0, hex("D0 00 00 00 00 00"), kUnsupported, 0xD0, {}},
      {"BelowRange", 0, hex("C0 00 00 00 00 00"), kUnsupported, 0xC0, {}},
      {"AboveRange", 0, hex("D5 00 00 00 00 00"), kUnsupported, 0xD5, {}},
      {"Refused", 0x05, hex("C4 00 2A 00 00 00"), ZOLTC_LOGIX_ERR_CIP_STATUS, 0, {}}};
  for (const auto& row : rows) {
    const zoltc_logix_cip_response response = borrowed(row.generalStatus, row.data);
    zoltc_logix_read_item item{"x", 0xEE, 0xBEEF, {}, false, 0, 0};
    std::fill(std::begin(item.value), std::end(item.value), 0xEE);
    EXPECT_EQ(zoltc_logix_read_item_decode(&response, &item), row.expected) << row.label;
    EXPECT_EQ(item.type, row.type) << row.label;
    Bytes value = row.value;
    value.resize(8, 0);
    EXPECT_EQ(bytesOf(item.value, 8), value) << row.label;
    EXPECT_EQ(item.status, 0xEE);  // the caller's to set
  }
  // Every atomic code's width: the value takes that many bytes of a reply that carries more.
  for (auto [code, width] : {std::pair(0xC2, 1), {0xC3, 2}, {0xC4, 4}, {0xC5, 8}, {0xC6, 1}, {0xC7, 2}, {0xC8, 4}, {0xC9, 8},
                             {0xCA, 4}, {0xCB, 8}, {0xD1, 1}, {0xD2, 2}, {0xD3, 4}, {0xD4, 8}}) {
    const Bytes data = join({Bytes{static_cast<uint8_t>(code), 0}, hex("01 02 03 04 05 06 07 08 09")});
    const zoltc_logix_cip_response response = borrowed(0, data);
    zoltc_logix_read_item item{"x", 0xEE, 0, {}, false, 0, 0};
    EXPECT_EQ(zoltc_logix_read_item_decode(&response, &item), kOk) << code;
    Bytes value(data.begin() + 2, data.begin() + 2 + width);
    value.resize(8, 0);
    EXPECT_EQ(bytesOf(item.value, 8), value) << code;
  }
}

// A fragment of structure 0x1234 (or another handle): A0 02, the handle, the payload.
std::pair<uint8_t, Bytes> part(uint8_t generalStatus, const Bytes& payload, uint16_t handle = 0x1234) {
  return {generalStatus, join({hex("A0 02"), Bytes{static_cast<uint8_t>(handle), static_cast<uint8_t>(handle >> 8)}, payload})};
}
Bytes count(uint32_t n) { return {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)}; }

constexpr zoltc_logix_result kSmall = ZOLTC_LOGIX_ERR_BUFFER_TOO_SMALL;

TEST(StringReader, GathersFragments) {
  // The result of the last fragment fed; the text in the buffer when complete.
  const struct { const char* label; uint32_t bufferSize; std::vector<std::pair<uint8_t, Bytes>> fragments; zoltc_logix_result expected;
                 std::string text; uint32_t length; } rows[] = {
      {"OneFragment", 96, {part(0, join({count(5), text("hello")}))}, kOk, "hello", 5},
      {"RestOfStructureIgnored", 96, {part(0, join({count(2), hex("68 69 00 00 41 42")}))}, kOk, "hi", 2},
      {"CountStraddlesFragments", 96, {part(6, hex("05 00")), part(6, hex("00 00 68 65")), part(0, hex("6C 6C 6F 00"))},
       kOk, "hello", 5},
      {"DoneWhilePartial", 96, {part(6, join({count(1), hex("7A")}))}, kOk, "z", 1},
      {"CountZero", 96, {part(0, join({count(0), hex("00 00 00")}))}, kOk, "", 0},
      {"Fits95In96", 96, {part(0, join({count(95), Bytes(95, 'q')}))}, kOk, std::string(95, 'q'), 95},
      {"Count96TooLarge", 96, {part(6, count(96))}, kSmall, "", 96},
      {"CountAbove65535", 1000000, {part(6, count(65536))}, kBad, "", 0},
      {"Count65535", 65536, {part(6, count(65535)), part(0, Bytes(65535, 'a'))}, kOk, std::string(65535, 'a'), 65535},
      {"LastFragmentEndsEarly", 96, {part(6, join({count(5), hex("68")})), part(0, hex("65 6C"))}, kBad, "", 5},
      {"HandleChanges", 96, {part(6, hex("05 00")), part(6, hex("00 00"), 0x9999)}, kBad, "", 0},
      {"EmptyPayload", 96, {part(6, {})}, kBad, "", 0},
      {"NotAStructure", 96, {{0, hex("C4 00 2A 00 00 00")}}, ZOLTC_LOGIX_ERR_TYPE_MISMATCH, "", 0},
      {"Refused", 96, {{0x05, {}}}, ZOLTC_LOGIX_ERR_CIP_STATUS, "", 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    std::vector<char> buffer(row.bufferSize, 'Z');
    uint32_t length = 12345;
    zoltc_logix_string_reader reader;
    zoltc_logix_string_reader_init(&reader, buffer.data(), row.bufferSize, &length);
    EXPECT_EQ(std::tuple(buffer[0], length), std::tuple('\0', 0u));
    zoltc_logix_result result = kOk;
    bool done = false;
    uint32_t offset = 0;
    for (size_t i = 0; i < row.fragments.size(); ++i) {
      ASSERT_FALSE(done) << "finished before fragment " << i;
      EXPECT_EQ(reader.offset, offset) << "offset asked for fragment " << i;
      const zoltc_logix_cip_response response = borrowed(row.fragments[i].first, row.fragments[i].second);
      result = zoltc_logix_string_reader_feed(&reader, &response, &done);
      if (i + 1 < row.fragments.size()) {
        ASSERT_EQ(result, kOk) << "fragment " << i;
      }
      if (row.fragments[i].second.size() > 4) offset += static_cast<uint32_t>(row.fragments[i].second.size() - 4);
    }
    EXPECT_EQ(result, row.expected);
    EXPECT_EQ(done, row.expected == kOk);
    EXPECT_EQ(length, row.length);
    if (done) {
      EXPECT_EQ(std::string(buffer.data()), row.text);
    }
  }
}

// A BOOL[50] is listed as two 32-bit words; bit 37 is bit 5 of word 1.
TEST(BoolArray, ElementOfABit) {
  zoltc_logix_tag_info record{};
  record.type = 0x20D3;
  record.dims[0] = 2;
  zoltc_logix_bool_element where{};
  ASSERT_TRUE(zoltc_logix_bool_array_element(&record, 37, &where));
  EXPECT_EQ(std::tuple(where.element, where.bit), std::tuple(1u, 5));
  EXPECT_FALSE(zoltc_logix_bool_array_element(&record, 64, &where));
  record.type = 0x40D3;
  EXPECT_FALSE(zoltc_logix_bool_array_element(&record, 1, &where));
  record.type = 0x20C4;
  EXPECT_FALSE(zoltc_logix_bool_array_element(&record, 1, &where));
}

TEST(StatusText, NamesTheStatusAndCutsToTheBuffer) {
  for (auto [general, extended, expected] :
       {std::tuple(0x0F, 0, "privilege violation"), {0x16, 0, "object does not exist"}, {0xFF, 0x2107, "data type mismatch"},
        {0x05, 0x1234, "path destination unknown (extended 0x1234)"}, {0x42, 0, "CIP status 0x42"}}) {
    char buffer[64];
    const size_t length = zoltc_logix_cip_status_text(static_cast<uint8_t>(general), static_cast<uint16_t>(extended), buffer, sizeof buffer);
    EXPECT_STREQ(buffer, expected);
    EXPECT_EQ(length, std::strlen(expected));
    EXPECT_EQ(zoltc_logix_cip_status_text(static_cast<uint8_t>(general), static_cast<uint16_t>(extended), nullptr, 0), length);
  }
  char small[8];
  EXPECT_EQ(zoltc_logix_cip_status_text(0x0F, 0, small, sizeof small), 19u);
  EXPECT_STREQ(small, "privile");
}

}  // namespace
