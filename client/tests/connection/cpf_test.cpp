// The search for the unconnected data item in SendRRData reply data.
#include <gtest/gtest.h>

#include <string>

#include "alloc.h"
#include "bytes.hpp"
#include "label_name.hpp"
#include "cip.h"

namespace {

using quillon::testing::appendU16;
using quillon::testing::appendU32;
using quillon::testing::Bytes;
using quillon::testing::bytesOf;
using quillon::testing::join;

Bytes cpfHeader(uint16_t count, uint32_t interfaceHandle = 0, uint16_t timeout = 0) {
  Bytes out;
  appendU32(out, interfaceHandle);
  appendU16(out, timeout);
  appendU16(out, count);
  return out;
}

Bytes item(uint16_t type, const Bytes& data) {
  Bytes out;
  appendU16(out, type);
  appendU16(out, static_cast<uint16_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

// An item header that announces more bytes than follow.
Bytes itemHeader(uint16_t type, uint16_t length) {
  Bytes out;
  appendU16(out, type);
  appendU16(out, length);
  return out;
}

const Bytes kMessage{0xCC, 0x00, 0x00, 0x00, 0xC4, 0x00, 0x2A, 0x00, 0x00, 0x00};

struct CpfCase {
  const char* label;
  Bytes bytes;
  zoltc_logix_status status;
  Bytes found;
};

class FindUnconnectedItem : public ::testing::TestWithParam<CpfCase> {};

TEST_P(FindUnconnectedItem, TakesTheFirstUnconnectedDataItem) {
  const CpfCase& c = GetParam();
  uint8_t marker = 0;
  zoltc_logix_buffer found{&marker, 1};
  EXPECT_EQ(zoltc_logix_cpf_find_unconnected_item(c.bytes.data(),
                                                  static_cast<uint32_t>(c.bytes.size()), &found),
            c.status);
  EXPECT_EQ(bytesOf(found), c.found);
  if (c.status != ZOLTC_LOGIX_STATUS_OK) {
    EXPECT_EQ(found.data, nullptr);
  }
  zoltc_logix_buffer_free(&found);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, FindUnconnectedItem,
    ::testing::Values(
        CpfCase{"usual_reply", join({cpfHeader(2), item(0, {}), item(0xB2, kMessage)}),
                ZOLTC_LOGIX_STATUS_OK, kMessage},
        CpfCase{"timeout_field_ignored",
                join({cpfHeader(2, 0, 0x1234), item(0, {}), item(0xB2, kMessage)}),
                ZOLTC_LOGIX_STATUS_OK, kMessage},
        CpfCase{"other_items_skipped",
                join({cpfHeader(3), item(0x8000, {1, 2, 3, 4}), item(0, {}),
                      item(0xB2, kMessage)}),
                ZOLTC_LOGIX_STATUS_OK, kMessage},
        CpfCase{"first_of_two_taken",
                join({cpfHeader(2), item(0xB2, {1, 2, 3, 4}), item(0xB2, kMessage)}),
                ZOLTC_LOGIX_STATUS_OK, Bytes({1, 2, 3, 4})},
        CpfCase{"bytes_after_the_counted_items_ignored",
                join({cpfHeader(1), item(0xB2, kMessage), Bytes{0xFF, 0xFF, 0xFF}}),
                ZOLTC_LOGIX_STATUS_OK, kMessage},
        CpfCase{"empty_item_found_but_empty", join({cpfHeader(1), item(0xB2, {})}),
                ZOLTC_LOGIX_STATUS_OK, {}},
        CpfCase{"no_data", {}, ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
        CpfCase{"seven_bytes", Bytes(7, 0), ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
        CpfCase{"count_zero", join({cpfHeader(0), item(0xB2, kMessage)}),
                ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
        CpfCase{"connected_item_only", join({cpfHeader(2), item(0, {}), item(0xB1, kMessage)}),
                ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
        CpfCase{"interface_handle_not_zero",
                join({cpfHeader(2, 1), item(0, {}), item(0xB2, kMessage)}),
                ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
        CpfCase{"item_beyond_the_count",
                join({cpfHeader(1), item(0, {}), item(0xB2, kMessage)}),
                ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
        CpfCase{"count_beyond_the_items", join({cpfHeader(3), item(0, {}), item(0x8000, {1, 2})}),
                ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
        CpfCase{"huge_count_short_data", join({cpfHeader(0xFFFF), item(0, {})}),
                ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
        CpfCase{"item_length_past_the_end",
                join({cpfHeader(2), item(0, {}), itemHeader(0xB2, 0xFFFF), Bytes{1, 2}}),
                ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
        CpfCase{"skipped_item_past_the_end",
                join({cpfHeader(2), itemHeader(0x8000, 100), item(0xB2, kMessage)}),
                ZOLTC_LOGIX_STATUS_BAD_REPLY, {}}),
    quillon::testing::LabelName{});

// Cutting the usual reply anywhere before its end leaves the data item
// incomplete or missing.
TEST(FindUnconnectedItemLadder, EveryCutOfTheUsualReply) {
  const Bytes reply = join({cpfHeader(2), item(0, {}), item(0xB2, kMessage)});
  for (std::size_t cut = 0; cut <= reply.size(); ++cut) {
    SCOPED_TRACE(cut);
    zoltc_logix_buffer found{};
    const zoltc_logix_status status =
        zoltc_logix_cpf_find_unconnected_item(reply.data(), static_cast<uint32_t>(cut), &found);
    EXPECT_EQ(status, cut == reply.size() ? ZOLTC_LOGIX_STATUS_OK : ZOLTC_LOGIX_STATUS_BAD_REPLY);
    zoltc_logix_buffer_free(&found);
  }
}

TEST(FindUnconnectedItemArguments, NullOutputIsRejected) {
  const Bytes reply = join({cpfHeader(1), item(0xB2, kMessage)});
  EXPECT_EQ(zoltc_logix_cpf_find_unconnected_item(reply.data(),
                                                  static_cast<uint32_t>(reply.size()), nullptr),
            ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
}

}  // namespace
