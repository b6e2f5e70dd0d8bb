// Message-router request encoding and response decoding.
#include <gtest/gtest.h>

#include <string>

#include "alloc.h"
#include "bytes.hpp"
#include "label_name.hpp"
#include "cip.h"
#include "test_allocator.hpp"

namespace {

using quillon::testing::Bytes;
using quillon::testing::bytesOf;
using quillon::testing::join;
using quillon::testing::TestAllocator;

struct EncodeCase {
  const char* label;
  uint8_t service;
  uint32_t pathLength;  // bytes of a path filled with 0x20 0x01 pairs
  Bytes data;
  zoltc_logix_status status;
};

class EncodeRequest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeRequest, WritesServicePathWordsPathAndData) {
  const EncodeCase& c = GetParam();
  Bytes path(c.pathLength);
  for (std::size_t i = 0; i < path.size(); ++i) {
    path[i] = i % 2 == 0 ? 0x20 : 0x01;
  }
  const zoltc_logix_cip_request request{c.service, path.empty() ? nullptr : path.data(),
                                        c.pathLength, c.data.empty() ? nullptr : c.data.data(),
                                        static_cast<uint32_t>(c.data.size())};
  uint8_t marker = 0;
  zoltc_logix_buffer out{&marker, 99};
  ASSERT_EQ(zoltc_logix_cip_encode_request(&request, &out), c.status);
  if (c.status != ZOLTC_LOGIX_STATUS_OK) {
    EXPECT_EQ(out.data, nullptr);
    EXPECT_EQ(out.length, 0u);
    return;
  }
  const Bytes expected =
      join({{c.service, static_cast<uint8_t>(c.pathLength / 2)}, path, c.data});
  EXPECT_EQ(bytesOf(out), expected);
  zoltc_logix_buffer_free(&out);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, EncodeRequest,
    ::testing::Values(
        EncodeCase{"no_path_no_data_is_two_bytes", 0x4C, 0, {}, ZOLTC_LOGIX_STATUS_OK},
        EncodeCase{"path_and_data", 0x4C, 4, {0x01, 0x00}, ZOLTC_LOGIX_STATUS_OK},
        EncodeCase{"data_without_path", 0x0A, 0, {1, 2, 3}, ZOLTC_LOGIX_STATUS_OK},
        EncodeCase{"path_510_is_255_words", 0x01, 510, {}, ZOLTC_LOGIX_STATUS_OK},
        EncodeCase{"path_512_too_large", 0x01, 512, {}, ZOLTC_LOGIX_STATUS_TOO_LARGE},
        EncodeCase{"odd_path", 0x01, 3, {}, ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT},
        EncodeCase{"odd_and_too_long", 0x01, 513, {}, ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT}),
    quillon::testing::LabelName{});

TEST(EncodeRequestArguments, NullPointersAndMismatchedLengths) {
  const uint8_t byte = 0;
  zoltc_logix_buffer out{};
  const zoltc_logix_cip_request good{0x01, nullptr, 0, nullptr, 0};
  EXPECT_EQ(zoltc_logix_cip_encode_request(nullptr, &out), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_cip_encode_request(&good, nullptr), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  const zoltc_logix_cip_request pathless{0x01, nullptr, 2, nullptr, 0};
  EXPECT_EQ(zoltc_logix_cip_encode_request(&pathless, &out), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  const zoltc_logix_cip_request dataless{0x01, nullptr, 0, nullptr, 1};
  EXPECT_EQ(zoltc_logix_cip_encode_request(&dataless, &out), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  // A total beyond 32 bits is refused before anything is allocated or read.
  const zoltc_logix_cip_request huge{0x01, &byte, 2, &byte, 0xFFFFFFFFu};
  EXPECT_EQ(zoltc_logix_cip_encode_request(&huge, &out), ZOLTC_LOGIX_STATUS_TOO_LARGE);
  EXPECT_EQ(out.data, nullptr);
}

TEST(EncodeRequestArguments, AllocationFailureLeavesTheOutputEmpty) {
  TestAllocator allocator;
  allocator.failAt(1);
  const uint8_t path[] = {0x20, 0x01};
  const zoltc_logix_cip_request request{0x01, path, 2, nullptr, 0};
  zoltc_logix_buffer out{};
  EXPECT_EQ(zoltc_logix_cip_encode_request(&request, &out), ZOLTC_LOGIX_STATUS_NO_MEMORY);
  EXPECT_EQ(out.data, nullptr);
  EXPECT_EQ(out.length, 0u);
}

struct DecodeCase {
  const char* label;
  Bytes bytes;
  zoltc_logix_status status;
  Bytes additional;
  Bytes data;
};

class DecodeResponse : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeResponse, SplitsStatusWordsFromData) {
  const DecodeCase& c = GetParam();
  uint8_t marker = 0;
  zoltc_logix_cip_response response{9, 9, 9, {&marker, 1}, {&marker, 1}};
  EXPECT_EQ(zoltc_logix_cip_decode_response(c.bytes.data(),
                                            static_cast<uint32_t>(c.bytes.size()), &response),
            c.status);
  EXPECT_EQ(bytesOf(response.additional_status), c.additional);
  EXPECT_EQ(bytesOf(response.data), c.data);
  if (c.status == ZOLTC_LOGIX_STATUS_OK) {
    EXPECT_EQ(response.service, c.bytes[0]);
    EXPECT_EQ(response.reserved, c.bytes[1]);
    EXPECT_EQ(response.general_status, c.bytes[2]);
  } else {
    EXPECT_EQ(response.service, 0);
    EXPECT_EQ(response.general_status, 0);
    EXPECT_EQ(response.additional_status.data, nullptr);
    EXPECT_EQ(response.data.data, nullptr);
  }
  zoltc_logix_cip_response_free(&response);
}

INSTANTIATE_TEST_SUITE_P(
    Responses, DecodeResponse,
    ::testing::Values(
        DecodeCase{"empty", {}, ZOLTC_LOGIX_STATUS_BAD_REPLY, {}, {}},
        DecodeCase{"three_bytes", {0xCC, 0, 0}, ZOLTC_LOGIX_STATUS_BAD_REPLY, {}, {}},
        DecodeCase{"exactly_four", {0xCC, 0, 0, 0}, ZOLTC_LOGIX_STATUS_OK, {}, {}},
        DecodeCase{"status_word_six_bytes", {0x81, 0, 0x05, 1, 0x34, 0x12},
                   ZOLTC_LOGIX_STATUS_OK, {0x34, 0x12}, {}},
        DecodeCase{"status_word_seven_bytes", {0x81, 0, 0x05, 1, 0x34, 0x12, 0x77},
                   ZOLTC_LOGIX_STATUS_OK, {0x34, 0x12}, {0x77}},
        DecodeCase{"status_word_five_bytes", {0x81, 0, 0x05, 1, 0x34},
                   ZOLTC_LOGIX_STATUS_BAD_REPLY, {}, {}},
        DecodeCase{"max_status_words_missing", {0x81, 0, 0x05, 0xFF, 1, 2},
                   ZOLTC_LOGIX_STATUS_BAD_REPLY, {}, {}},
        DecodeCase{"reserved_byte_kept", {0xCC, 0x5A, 0, 0, 0xC4, 0, 1, 0, 0, 0},
                   ZOLTC_LOGIX_STATUS_OK, {}, {0xC4, 0, 1, 0, 0, 0}},
        DecodeCase{"error_status_with_data", {0xCC, 0, 0x1E, 0, 0xAA}, ZOLTC_LOGIX_STATUS_OK,
                   {}, {0xAA}}),
    quillon::testing::LabelName{});

// A valid frame cut at every length: service, reserved, general status, size,
// two additional status words, then data. Every cut before the end of the
// status words is malformed; every later cut is a shorter data block.
TEST(DecodeResponseLadder, EveryCutOfAValidFrame) {
  const Bytes frame{0xCC, 0x00, 0x00, 0x02, 0xA1, 0xA2, 0xA3, 0xA4, 0xD1, 0xD2, 0xD3};
  for (std::size_t cut = 0; cut <= frame.size(); ++cut) {
    SCOPED_TRACE(cut);
    zoltc_logix_cip_response response{};
    const zoltc_logix_status status =
        zoltc_logix_cip_decode_response(frame.data(), static_cast<uint32_t>(cut), &response);
    if (cut < 8) {
      EXPECT_EQ(status, ZOLTC_LOGIX_STATUS_BAD_REPLY);
      EXPECT_EQ(response.additional_status.data, nullptr);
      EXPECT_EQ(response.data.data, nullptr);
    } else {
      EXPECT_EQ(status, ZOLTC_LOGIX_STATUS_OK);
      EXPECT_EQ(bytesOf(response.additional_status), (Bytes{0xA1, 0xA2, 0xA3, 0xA4}));
      EXPECT_EQ(bytesOf(response.data), Bytes(frame.begin() + 8, frame.begin() + cut));
    }
    zoltc_logix_cip_response_free(&response);
  }
}

TEST(DecodeResponseFailures, NullResponseAndEveryAllocationFailure) {
  const Bytes frame{0xCC, 0x00, 0x00, 0x01, 0xA1, 0xA2, 0xD1};
  EXPECT_EQ(zoltc_logix_cip_decode_response(frame.data(), 7, nullptr),
            ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  TestAllocator allocator;
  const uint64_t failures = quillon::testing::sweepAllocationFailures(allocator, [&] {
    zoltc_logix_cip_response response{};
    const zoltc_logix_status status = zoltc_logix_cip_decode_response(frame.data(), 7, &response);
    if (allocator.injected()) {
      EXPECT_EQ(status, ZOLTC_LOGIX_STATUS_NO_MEMORY);
      EXPECT_EQ(response.additional_status.data, nullptr);
      EXPECT_EQ(response.data.data, nullptr);
    } else {
      EXPECT_EQ(status, ZOLTC_LOGIX_STATUS_OK);
    }
    zoltc_logix_cip_response_free(&response);
  });
  EXPECT_EQ(failures, 2u);
}

TEST(ResponseFree, ZeroesAndIgnoresNull) {
  const Bytes frame{0xCC, 0x00, 0x00, 0x01, 0xA1, 0xA2, 0xD1};
  zoltc_logix_cip_response response{};
  ASSERT_EQ(zoltc_logix_cip_decode_response(frame.data(), 7, &response), ZOLTC_LOGIX_STATUS_OK);
  zoltc_logix_cip_response_free(&response);
  EXPECT_EQ(response.service, 0);
  EXPECT_EQ(response.additional_status.length, 0u);
  EXPECT_EQ(response.data.data, nullptr);
  zoltc_logix_cip_response_free(&response);
  zoltc_logix_cip_response_free(nullptr);
}

}  // namespace
