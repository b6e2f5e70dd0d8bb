// The identity request and the decoding of its reply.
#include <gtest/gtest.h>

#include <string>

#include "alloc.h"
#include "bytes.hpp"
#include "label_name.hpp"
#include "cip.h"
#include "identity.h"
#include "test_allocator.hpp"

namespace {

using quillon::testing::appendText;
using quillon::testing::Bytes;
using quillon::testing::bytesOf;
using quillon::testing::TestAllocator;

// Identity data: vendor 1, device type 0x0E, product code 0x0095, revision
// 32.11, status 0x3160, serial 0x04030201, then the name with its length byte.
Bytes identityData(const std::string& name, std::size_t announced) {
  Bytes out{0x01, 0x00, 0x0E, 0x00, 0x95, 0x00, 32, 11, 0x60, 0x31, 0x01, 0x02, 0x03, 0x04,
            static_cast<uint8_t>(announced)};
  appendText(out, name);
  return out;
}

zoltc_logix_cip_response responseWith(Bytes& data) {
  zoltc_logix_cip_response response{};
  response.service = 0x81;
  response.data.data = data.empty() ? nullptr : data.data();
  response.data.length = static_cast<uint32_t>(data.size());
  return response;
}

TEST(IdentityRequest, IsGetAttributesAllOnIdentityInstanceOne) {
  const zoltc_logix_cip_request* request = zoltc_logix_identity_request();
  ASSERT_NE(request, nullptr);
  zoltc_logix_buffer encoded{};
  ASSERT_EQ(zoltc_logix_cip_encode_request(request, &encoded), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(bytesOf(encoded), (Bytes{0x01, 0x02, 0x20, 0x01, 0x24, 0x01}));
  zoltc_logix_buffer_free(&encoded);
}

struct IdentityCase {
  const char* label;
  Bytes data;
  zoltc_logix_status status;
  std::string name;
};

class IdentityDecode : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(IdentityDecode, ReadsFieldsAndName) {
  IdentityCase c = GetParam();
  zoltc_logix_identity identity{};
  zoltc_logix_cip_response response = responseWith(c.data);
  ASSERT_EQ(zoltc_logix_identity_decode(&response, &identity), c.status);
  if (c.status == ZOLTC_LOGIX_STATUS_OK) {
    EXPECT_EQ(identity.vendor_id, 1);
    EXPECT_EQ(identity.device_type, 0x0E);
    EXPECT_EQ(identity.product_code, 0x95);
    EXPECT_EQ(identity.revision_major, 32);
    EXPECT_EQ(identity.revision_minor, 11);
    EXPECT_EQ(identity.status, 0x3160);
    EXPECT_EQ(identity.serial_number, 0x04030201u);
    ASSERT_NE(identity.product_name, nullptr);
    EXPECT_EQ(std::string(identity.product_name), c.name);
  } else {
    EXPECT_EQ(identity.product_name, nullptr);
    EXPECT_EQ(identity.vendor_id, 0);
  }
  zoltc_logix_identity_clear(&identity);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, IdentityDecode,
    ::testing::Values(
        IdentityCase{"usual", identityData("1756-L83E/B", 11), ZOLTC_LOGIX_STATUS_OK,
                     "1756-L83E/B"},
        IdentityCase{"empty_name_exactly_15", identityData("", 0), ZOLTC_LOGIX_STATUS_OK, ""},
        IdentityCase{"later_attributes_ignored", identityData("PLC\x01\x02\x03", 3),
                     ZOLTC_LOGIX_STATUS_OK, "PLC"},
        IdentityCase{"bytes_beyond_ascii", identityData("Steuerung \xC3\xBC\xFF", 13),
                     ZOLTC_LOGIX_STATUS_OK, "Steuerung \xC3\xBC\xFF"},
        IdentityCase{"name_length_20_in_30_bytes", identityData("123456789012345", 20),
                     ZOLTC_LOGIX_STATUS_BAD_REPLY, ""},
        IdentityCase{"name_one_short", identityData("abc", 4), ZOLTC_LOGIX_STATUS_BAD_REPLY, ""},
        IdentityCase{"fourteen_bytes", Bytes(14, 0), ZOLTC_LOGIX_STATUS_BAD_REPLY, ""},
        IdentityCase{"no_data", {}, ZOLTC_LOGIX_STATUS_BAD_REPLY, ""}),
    quillon::testing::LabelName{});

// The serial number's lowest byte comes first on the wire.
TEST(IdentityDecodeFields, SerialNumberIsLittleEndian) {
  Bytes data = identityData("x", 1);
  data[10] = 0xEF;
  data[13] = 0x12;
  zoltc_logix_identity identity{};
  zoltc_logix_cip_response response = responseWith(data);
  ASSERT_EQ(zoltc_logix_identity_decode(&response, &identity), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(identity.serial_number, 0x120302EFu);
  zoltc_logix_identity_clear(&identity);
}

TEST(IdentityDecodeFields, SuccessReplacesAndFailureKeepsTheEarlierIdentity) {
  TestAllocator allocator;
  zoltc_logix_identity identity{};
  Bytes first = identityData("First", 5);
  zoltc_logix_cip_response response = responseWith(first);
  ASSERT_EQ(zoltc_logix_identity_decode(&response, &identity), ZOLTC_LOGIX_STATUS_OK);

  Bytes shortData = identityData("Second", 9);
  shortData[0] = 0x77;
  response = responseWith(shortData);
  EXPECT_EQ(zoltc_logix_identity_decode(&response, &identity), ZOLTC_LOGIX_STATUS_BAD_REPLY);
  EXPECT_STREQ(identity.product_name, "First");
  EXPECT_EQ(identity.vendor_id, 1);

  Bytes second = identityData("Second", 6);
  response = responseWith(second);
  allocator.failAt(1);
  EXPECT_EQ(zoltc_logix_identity_decode(&response, &identity), ZOLTC_LOGIX_STATUS_NO_MEMORY);
  EXPECT_STREQ(identity.product_name, "First");
  ASSERT_EQ(zoltc_logix_identity_decode(&response, &identity), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_STREQ(identity.product_name, "Second");
  EXPECT_EQ(allocator.liveBlocks(), 1u);

  zoltc_logix_identity_clear(&identity);
  EXPECT_EQ(identity.product_name, nullptr);
  zoltc_logix_identity_clear(&identity);
  zoltc_logix_identity_clear(nullptr);
}

TEST(IdentityDecodeFields, NullArgumentsAreRejected) {
  Bytes data = identityData("x", 1);
  zoltc_logix_cip_response response = responseWith(data);
  zoltc_logix_identity identity{};
  EXPECT_EQ(zoltc_logix_identity_decode(nullptr, &identity), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(zoltc_logix_identity_decode(&response, nullptr), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
}

}  // namespace
