// Multiple Service Packet codecs: exact request bytes and limits, and the
// response decoder against malformed offset tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "label_name.hpp"
#include "read_test_util.hpp"

extern "C" {
#include "batch.h"
}

namespace {

using readtest::Bytes;
using readtest::join;
using readtest::hex;
using readtest::toHex;

const Bytes kCounterPath = hex("91 07 43 6F 75 6E 74 65 72 00");
const Bytes kOneElement = hex("01 00");

zoltc_logix_cip_request request(uint8_t service, const Bytes& path, const Bytes& data) {
  return {service, path.empty() ? nullptr : path.data(), static_cast<uint32_t>(path.size()),
          data.empty() ? nullptr : data.data(), static_cast<uint32_t>(data.size())};
}

class MspEncode : public ::testing::Test {
 protected:
  void TearDown() override { zoltc_logix_buffer_free(&out); }
  Bytes bytes() const { return Bytes(out.data, out.data + out.length); }
  zoltc_logix_status encode(const std::vector<zoltc_logix_cip_request>& requests) {
    zoltc_logix_buffer_free(&out);
    return zoltc_logix_msp_encode(requests.data(), static_cast<uint32_t>(requests.size()), &out);
  }

  zoltc_logix_buffer out{};
};

TEST_F(MspEncode, WritesHeaderCountOffsetsAndRequests) {
  Bytes empty;
  ASSERT_EQ(encode({request(0x4C, kCounterPath, kOneElement), request(0x01, empty, empty),
                    request(0x4C, kCounterPath, kOneElement)}),
            ZOLTC_LOGIX_STATUS_OK);
  // Offsets count from the count field: 2 + 2 * 3 = 8, then + 14, then + 2.
  Bytes readCounter = join({hex("4C 05"), kCounterPath, kOneElement});
  EXPECT_EQ(toHex(bytes()), toHex(join({hex("0A 02 20 02 24 01"), hex("03 00 08 00 16 00 18 00"),
                                          readCounter, hex("01 00"), readCounter})));
}

TEST_F(MspEncode, PacketSizeIsEightPlusTwoPlusEachRequest) {
  // The packing budget rests on this: 27 Read Tags of a 10-character name (e = 16)
  // make exactly 8 + 27 * 18 = 494 bytes, and one request of e = 490 makes 500.
  const Bytes tenChars = hex("91 0A 54 61 67 5F 30 30 30 30 30 31");
  std::vector<zoltc_logix_cip_request> requests(27, request(0x4C, tenChars, kOneElement));
  ASSERT_EQ(encode(requests), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(out.length, 494u);

  const Bytes data488(488, 0x5A);
  ASSERT_EQ(encode({request(0x4C, {}, data488)}), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(out.length, 500u);
}

TEST_F(MspEncode, RefusesBadArgumentsAndClearsTheOutput) {
  Bytes path = hex("91 01 61 00");
  zoltc_logix_cip_request one = request(0x4C, path, kOneElement);
  ASSERT_EQ(encode({one}), ZOLTC_LOGIX_STATUS_OK);
  zoltc_logix_buffer earlier = out;
  EXPECT_EQ(zoltc_logix_msp_encode(&one, 0, &out), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(out.data, nullptr);
  EXPECT_EQ(out.length, 0u);
  zoltc_logix_buffer_free(&earlier);
  EXPECT_EQ(zoltc_logix_msp_encode(nullptr, 1, &out), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_msp_encode(&one, 1, nullptr), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
}

struct BadRequest {
  friend void PrintTo(const BadRequest& row, std::ostream* os) { *os << row.label; }
  const char* label;
  zoltc_logix_cip_request request;
  zoltc_logix_status expected;
};

class MspEncodeBadRequest : public MspEncode, public ::testing::WithParamInterface<BadRequest> {};

TEST_P(MspEncodeBadRequest, IsRefusedAsTheMessageEncoderWould) {
  Bytes path = hex("91 01 61 00");
  zoltc_logix_cip_request requests[] = {request(0x4C, path, kOneElement), GetParam().request};
  EXPECT_EQ(zoltc_logix_msp_encode(requests, 2, &out), GetParam().expected);
  EXPECT_EQ(out.data, nullptr);
}

const uint8_t kSome[600] = {};

INSTANTIATE_TEST_SUITE_P(
    Table, MspEncodeBadRequest,
    ::testing::Values(
        BadRequest{"NullPath", {0x4C, nullptr, 4, kSome, 2}, ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT},
        BadRequest{"NullData", {0x4C, kSome, 4, nullptr, 2}, ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT},
        BadRequest{"OddPath", {0x4C, kSome, 3, kSome, 2}, ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT},
        BadRequest{"Path512", {0x4C, kSome, 512, kSome, 2}, ZOLTC_LOGIX_STATUS_TOO_LARGE},
        BadRequest{"SizeBeyond32Bits", {0x4C, kSome, 510, kSome, 0xFFFFFFFFu},
                   ZOLTC_LOGIX_STATUS_TOO_LARGE}),
    quillon::testing::LabelName{});

TEST_F(MspEncode, Path510IsAccepted) {
  Bytes path(510, 0);
  ASSERT_EQ(encode({request(0x4C, path, kOneElement)}), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(out.data[6 + 4 + 1], 255u) << "path size in words";
}

TEST_F(MspEncode, PacketDataLimit) {
  // One request: 2 + 2 + e bytes of data; 65529 is the most a packet may carry.
  Bytes fits(65529 - 4 - 2, 0x11);
  ASSERT_EQ(encode({request(0x4C, {}, fits)}), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(out.length, 6u + 65529u);
  Bytes tooMuch(fits.size() + 1, 0x11);
  EXPECT_EQ(encode({request(0x4C, {}, tooMuch)}), ZOLTC_LOGIX_STATUS_TOO_LARGE);
  EXPECT_EQ(out.data, nullptr);
}

TEST_F(MspEncode, RequestCountLimits) {
  Bytes empty;
  // 2 + 2n may be at most 65529: n = 32764 is refused before any request is looked at.
  std::vector<zoltc_logix_cip_request> many(32764, request(0x01, empty, empty));
  EXPECT_EQ(encode(many), ZOLTC_LOGIX_STATUS_TOO_LARGE);
  many.resize(65536, request(0x01, empty, empty));
  EXPECT_EQ(encode(many), ZOLTC_LOGIX_STATUS_TOO_LARGE);
  // n = 32763 fits the table (65528 bytes) but its requests (2 bytes each) do not.
  many.resize(32763);
  EXPECT_EQ(encode(many), ZOLTC_LOGIX_STATUS_TOO_LARGE);
  // 16382 two-byte requests: 2 + 2n + 2n = 65530, one byte over; 16381 fit.
  many.resize(16382);
  EXPECT_EQ(encode(many), ZOLTC_LOGIX_STATUS_TOO_LARGE);
  many.resize(16381);
  ASSERT_EQ(encode(many), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(out.length, 6u + 2u + 4u * 16381u);
}

// ---- decoding

class MspDecode : public ::testing::Test {
 protected:
  void TearDown() override { zoltc_logix_cip_response_list_free(&list); }
  zoltc_logix_status decode(const Bytes& bytes) {
    zoltc_logix_cip_response_list_free(&list);
    return zoltc_logix_msp_decode(bytes.empty() ? nullptr : bytes.data(),
                                  static_cast<uint32_t>(bytes.size()), &list);
  }

  zoltc_logix_cip_response_list list{};
};

// Two responses: a DINT value, then status 0x05 with one additional status word.
const Bytes kTwo = hex("02 00 06 00 10 00  CC 00 00 00 C4 00 2A 00 00 00  CC 00 05 01 34 12");

TEST_F(MspDecode, SplitsAtTheOffsets) {
  ASSERT_EQ(decode(kTwo), ZOLTC_LOGIX_STATUS_OK);
  ASSERT_EQ(list.count, 2u);
  const zoltc_logix_cip_response& first = list.responses[0];
  EXPECT_EQ(first.service, 0xCC);
  EXPECT_EQ(first.general_status, 0x00);
  EXPECT_EQ(toHex(first.data.data, first.data.length), "C4 00 2A 00 00 00");
  const zoltc_logix_cip_response& second = list.responses[1];
  EXPECT_EQ(second.general_status, 0x05);
  EXPECT_EQ(toHex(second.additional_status.data, second.additional_status.length), "34 12");
  EXPECT_EQ(second.data.length, 0u);
}

TEST_F(MspDecode, EveryCutOfAValidReplyIsRefused) {
  for (size_t length = 0; length < kTwo.size(); ++length) {
    Bytes cut(kTwo.begin(), kTwo.begin() + static_cast<long>(length));
    EXPECT_EQ(decode(cut), ZOLTC_LOGIX_STATUS_BAD_REPLY) << "cut at " << length;
    EXPECT_EQ(list.responses, nullptr);
    EXPECT_EQ(list.count, 0u);
  }
}

struct DecodeRow {
  friend void PrintTo(const DecodeRow& row, std::ostream* os) { *os << row.label; }
  const char* label;
  Bytes bytes;
  zoltc_logix_status expected;
  uint32_t count;
};

class MspDecodeTable : public MspDecode, public ::testing::WithParamInterface<DecodeRow> {};

TEST_P(MspDecodeTable, GivesItsStatus) {
  const DecodeRow& row = GetParam();
  EXPECT_EQ(decode(row.bytes), row.expected);
  EXPECT_EQ(list.count, row.count);
  EXPECT_EQ(list.responses == nullptr, row.count == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MspDecodeTable,
    ::testing::Values(
        DecodeRow{"One", hex("01 00 04 00 CC 00 00 00"), ZOLTC_LOGIX_STATUS_OK, 1},
        DecodeRow{"DataToTheEnd", hex("01 00 04 00 CC 00 00 00 C1 00 01"), ZOLTC_LOGIX_STATUS_OK,
                  1},
        DecodeRow{"GapBeforeFirst", hex("01 00 06 00 FF FF CC 00 00 00"), ZOLTC_LOGIX_STATUS_OK, 1},
        DecodeRow{"CountZero", hex("00 00 CC 00 00 00"), ZOLTC_LOGIX_STATUS_BAD_REPLY, 0},
        DecodeRow{"TableLongerThanData", hex("03 00 08 00 0C 00"), ZOLTC_LOGIX_STATUS_BAD_REPLY,
                  0},
        DecodeRow{"OffsetInsideTable", hex("02 00 04 00 0A 00 CC 00 00 00 CC 00 00 00"),
                  ZOLTC_LOGIX_STATUS_BAD_REPLY, 0},
        DecodeRow{"OffsetsBackwards", hex("02 00 0A 00 06 00 CC 00 00 00 CC 00 00 00"),
                  ZOLTC_LOGIX_STATUS_BAD_REPLY, 0},
        DecodeRow{"OffsetPastEnd", hex("02 00 06 00 20 00 CC 00 00 00 CC 00 00 00"),
                  ZOLTC_LOGIX_STATUS_BAD_REPLY, 0},
        DecodeRow{"EqualOffsetsEmptySlice", hex("02 00 06 00 06 00 CC 00 00 00"),
                  ZOLTC_LOGIX_STATUS_BAD_REPLY, 0},
        DecodeRow{"SliceOfThree", hex("02 00 06 00 09 00 CC 00 00 CC 00 00 00"),
                  ZOLTC_LOGIX_STATUS_BAD_REPLY, 0},
        DecodeRow{"StatusWordsBeyondSlice", hex("02 00 06 00 0C 00 CC 00 00 02 00 00 CC 00 00 00"),
                  ZOLTC_LOGIX_STATUS_BAD_REPLY, 0},
        DecodeRow{"LastSliceEmpty", hex("02 00 06 00 0A 00 CC 00 00 00"),
                  ZOLTC_LOGIX_STATUS_BAD_REPLY, 0},
        DecodeRow{"OneByte", hex("01"), ZOLTC_LOGIX_STATUS_BAD_REPLY, 0}),
    quillon::testing::LabelName{});

TEST_F(MspDecode, NullArguments) {
  EXPECT_EQ(zoltc_logix_msp_decode(nullptr, 4, &list), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_msp_decode(nullptr, 0, &list), ZOLTC_LOGIX_STATUS_BAD_REPLY);
  EXPECT_EQ(zoltc_logix_msp_decode(kTwo.data(), static_cast<uint32_t>(kTwo.size()), nullptr),
            ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
}

TEST_F(MspDecode, CountBeyondWhatOffsetsCanReachIsRefused) {
  // 65535 responses of 4 bytes each.
  const uint32_t n = 65535;
  Bytes bytes{0xFF, 0xFF};
  // Offsets are 16-bit: only the first few can point past the table's 131072 bytes,
  // so such a reply is always refused, never read out of bounds.
  for (uint32_t i = 0; i < n; ++i) {
    bytes.push_back(0xFF);
    bytes.push_back(0xFF);
  }
  for (uint32_t i = 0; i < n; ++i) {
    bytes.insert(bytes.end(), {0xCC, 0, 0, 0});
  }
  EXPECT_EQ(decode(bytes), ZOLTC_LOGIX_STATUS_BAD_REPLY);
  EXPECT_EQ(list.count, 0u);
}

TEST(ResponseList, FreeReleasesAndZeroes) {
  zoltc_logix_cip_response_list list{};
  zoltc_logix_cip_response_list_free(nullptr);
  zoltc_logix_cip_response_list_free(&list);
  ASSERT_EQ(zoltc_logix_msp_decode(kTwo.data(), static_cast<uint32_t>(kTwo.size()), &list),
            ZOLTC_LOGIX_STATUS_OK);
  zoltc_logix_cip_response_list_free(&list);
  EXPECT_EQ(list.responses, nullptr);
  EXPECT_EQ(list.count, 0u);
  zoltc_logix_cip_response_list_free(&list);  // twice is harmless
}

// ---- a packet's reply checked against the packet

struct TakeRow {
  friend void PrintTo(const TakeRow& row, std::ostream* os) { *os << row.label; }
  const char* label;
  uint8_t service;
  uint32_t n;
  zoltc_logix_status expected;
  uint8_t requestService = 0x4C;  // of every request in the packet
};

std::vector<zoltc_logix_cip_request> requestsOf(uint8_t service, uint32_t n) {
  return std::vector<zoltc_logix_cip_request>(n, zoltc_logix_cip_request{service, nullptr, 0, nullptr, 0});
}

class MspTakeReply : public ::testing::TestWithParam<TakeRow> {};

TEST_P(MspTakeReply, MovesOnlyAMatchingReply) {
  const TakeRow& row = GetParam();
  Bytes data = kTwo;
  zoltc_logix_cip_response reply = readtest::borrowedResponse(0x00, data);
  reply.service = row.service;
  std::vector<zoltc_logix_cip_response> responses(row.n, zoltc_logix_cip_response{});
  auto requests = requestsOf(row.requestService, row.n);
  EXPECT_EQ(zoltc_logix_msp_take_reply(&reply, requests.data(), row.n, responses.data()), row.expected);
  for (uint32_t i = 0; i < row.n; ++i) {
    if (row.expected != ZOLTC_LOGIX_STATUS_OK) {
      EXPECT_EQ(responses[i].data.data, nullptr) << "nothing moved";
    }
    zoltc_logix_cip_response_free(&responses[i]);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, MspTakeReply,
    ::testing::Values(TakeRow{"Matching", 0x8A, 2, ZOLTC_LOGIX_STATUS_OK},
                      TakeRow{"OtherService", 0x8B, 2, ZOLTC_LOGIX_STATUS_BAD_REPLY},
                      TakeRow{"RequestService", 0x0A, 2, ZOLTC_LOGIX_STATUS_BAD_REPLY},
                      TakeRow{"FewerThanSent", 0x8A, 3, ZOLTC_LOGIX_STATUS_BAD_REPLY},
                      TakeRow{"MoreThanSent", 0x8A, 1, ZOLTC_LOGIX_STATUS_BAD_REPLY},
                      TakeRow{"ItemsForAnotherService", 0x8A, 2, ZOLTC_LOGIX_STATUS_BAD_REPLY, 0x52}),
    quillon::testing::LabelName{});

TEST(MspTakeReplyValues, ResponsesLandInRequestOrder) {
  Bytes data = kTwo;
  zoltc_logix_cip_response reply = readtest::borrowedResponse(0x1E, data);
  reply.service = 0x8A;
  zoltc_logix_cip_response responses[2] = {};
  auto requests = requestsOf(0x4C, 2);
  ASSERT_EQ(zoltc_logix_msp_take_reply(&reply, requests.data(), 2, responses), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(responses[0].general_status, 0x00);
  EXPECT_EQ(toHex(responses[0].data.data, responses[0].data.length), "C4 00 2A 00 00 00");
  EXPECT_EQ(responses[1].general_status, 0x05);
  zoltc_logix_cip_response_free(&responses[0]);
  zoltc_logix_cip_response_free(&responses[1]);
}

}  // namespace
