// The connection layer's pure parts: the allocation table, buffers and the path builder,
// request path segments, message-router requests and responses, the common packet format,
// the identity reply and the result codes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "alloc.h"
#include "bytes.hpp"
#include "cip.h"
#include "identity.h"
#include "test_allocator.hpp"

namespace {

using namespace quillon::testing;

TEST(Memory, DefaultTableZeroSizesAndRealloc) {
  EXPECT_EQ(zoltc_logix_alloc(0), nullptr);
  auto* block = static_cast<uint8_t*>(zoltc_logix_realloc(nullptr, 8));
  ASSERT_NE(block, nullptr);
  std::memset(block, 0xAB, 8);
  EXPECT_EQ(zoltc_logix_realloc(block, 0), nullptr);
  EXPECT_EQ(block[7], 0xAB);  // still allocated: the sanitizer build would see a use after free
  auto* grown = static_cast<uint8_t*>(zoltc_logix_realloc(block, 64));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(grown[0], 0xAB);
  zoltc_logix_free(grown);
}

TEST(Memory, TablesSwapAndMissingHooksFailSafely) {
  const zoltc_logix_allocator* original = zoltc_logix_set_allocator(nullptr);
  {
    TestAllocator allocator;
    void* block = zoltc_logix_alloc_array(3, 5);
    EXPECT_EQ(allocator.liveBytes(), 15u);
    EXPECT_EQ(zoltc_logix_alloc_array(SIZE_MAX / 2 + 1, 2), nullptr);  // overflow: no attempt
    EXPECT_EQ(allocator.attempts(), 1u);
    zoltc_logix_free(block);
  }
  EXPECT_EQ(zoltc_logix_set_allocator(nullptr), original);
  const zoltc_logix_allocator empty{nullptr, nullptr, nullptr, nullptr};
  const zoltc_logix_allocator* previous = zoltc_logix_set_allocator(&empty);
  EXPECT_EQ(zoltc_logix_alloc(8), nullptr);
  EXPECT_EQ(zoltc_logix_realloc(nullptr, 8), nullptr);
  zoltc_logix_path path{};
  EXPECT_EQ(zoltc_logix_path_add_class(&path, 1), ZOLTC_LOGIX_STATUS_NO_MEMORY);
  zoltc_logix_set_allocator(previous);
}

TEST(Memory, BufferCopyAndFree) {
  TestAllocator allocator;
  uint8_t marker = 0;
  zoltc_logix_buffer buffer{&marker, 7};
  EXPECT_EQ(zoltc_logix_buffer_copy(nullptr, 0, &buffer), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(buffer.data, &marker);  // nothing to copy: left alone, nothing allocated
  EXPECT_EQ(allocator.attempts(), 0u);
  const Bytes source{1, 2, 3};
  buffer = {};
  ASSERT_EQ(zoltc_logix_buffer_copy(source.data(), 3, &buffer), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(bytesOf(buffer), source);
  zoltc_logix_buffer_free(&buffer);
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.length, 0u);
}

// Capacity starts at 16 and doubles until the request fits; past 0x80000000 it becomes exactly
// the need (those requests are failed, so nothing that large is allocated).
TEST(PathBuilder, Growth) {
  TestAllocator allocator;
  zoltc_logix_path path{};
  for (auto [reserve, use, capacity] : {std::array<uint32_t, 3>{5, 16, 16}, {20, 36, 64}, {28, 64, 64},
                                        {1, 65, 128}, {0, 65, 128}}) {
    ASSERT_EQ(zoltc_logix_path_reserve(&path, reserve), ZOLTC_LOGIX_STATUS_OK);
    EXPECT_EQ(path.capacity, capacity) << reserve;
    EXPECT_EQ(allocator.liveBytes(), capacity);
    path.length = use;
  }
  zoltc_logix_path_free(&path);
  EXPECT_EQ(path.capacity, 0u);
  zoltc_logix_path huge{nullptr, 0xFFFFFFF0u, 0xFFFFFFF0u};
  EXPECT_EQ(zoltc_logix_path_reserve(&huge, 0x20), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  for (auto [length, capacity, reserve, requested] :
       {std::array<uint64_t, 4>{0x40000000u, 0x40000000u, 1, 0x80000000u}, {0x7FFFFFF0u, 0x80000000u, 0x20, 0x80000010u},
        {0x30000000u, 0x60000000u, 0x40000000u, 0xC0000000u}, {0xC0000000u, 0xC0000000u, 0x3FFFFFFFu, 0xFFFFFFFFu}}) {
    TestAllocator failing;
    failing.failAt(1);
    zoltc_logix_path big{nullptr, static_cast<uint32_t>(length), static_cast<uint32_t>(capacity)};
    EXPECT_EQ(zoltc_logix_path_reserve(&big, static_cast<uint32_t>(reserve)), ZOLTC_LOGIX_STATUS_NO_MEMORY);
    EXPECT_EQ(failing.largestRequest(), requested);
    EXPECT_EQ(big.capacity, capacity);
  }
}

TEST(PathBuilder, FailedGrowthKeepsTheContents) {
  TestAllocator allocator;
  zoltc_logix_path path{};
  ASSERT_EQ(zoltc_logix_path_add_symbol(&path, "abcdefghijklm"), ZOLTC_LOGIX_STATUS_OK);
  const Bytes before = bytesOf(path);
  allocator.failAt(1);
  EXPECT_EQ(zoltc_logix_path_add_symbol(&path, "xyz"), ZOLTC_LOGIX_STATUS_NO_MEMORY);
  allocator.failAt(1);
  EXPECT_EQ(zoltc_logix_path_add_element(&path, 70000), ZOLTC_LOGIX_STATUS_NO_MEMORY);
  EXPECT_EQ(bytesOf(path), before);
  zoltc_logix_path_free(&path);
}

struct SymbolCase {
  const char* label;
  std::string name;
  zoltc_logix_status status;
  Bytes bytes;  // after a class segment 20 6B
};

class SymbolSegment : public ::testing::TestWithParam<SymbolCase> {};

TEST_P(SymbolSegment, EncodesOrRejectsLeavingTheBuilderAlone) {
  const SymbolCase& c = GetParam();
  zoltc_logix_path path{};
  ASSERT_EQ(zoltc_logix_path_add_class(&path, 0x6B), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(zoltc_logix_path_add_symbol(&path, c.name.c_str()), c.status);
  EXPECT_EQ(bytesOf(path), join({hex("20 6B"), c.bytes}));
  zoltc_logix_path_free(&path);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SymbolSegment,
    ::testing::Values(SymbolCase{"OddPadded", "abc", ZOLTC_LOGIX_STATUS_OK, hex("91 03 61 62 63 00")},
                      SymbolCase{"EvenUnpadded", "abcd", ZOLTC_LOGIX_STATUS_OK, hex("91 04 61 62 63 64")},
                      SymbolCase{"BeyondAscii", "T\xC3\xA9", ZOLTC_LOGIX_STATUS_OK, hex("91 03 54 C3 A9 00")},
                      SymbolCase{"Max255", std::string(255, 'x'), ZOLTC_LOGIX_STATUS_OK,
                                 join({hex("91 FF"), Bytes(255, 'x'), Bytes{0}})},
                      SymbolCase{"TooLong256", std::string(256, 'x'), ZOLTC_LOGIX_STATUS_TOO_LARGE, {}},
                      SymbolCase{"Empty", "", ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT, {}}),
    LabelName{});

TEST(LogicalSegment, SizeFromTheValueAndOneBuilder) {
  const std::pair<uint32_t, Bytes> elements[] = {
      {0, hex("28 00")}, {255, hex("28 FF")}, {256, hex("29 00 00 01")}, {65535, hex("29 00 FF FF")},
      {65536, hex("2A 00 00 00 01 00")}, {0x12345678u, hex("2A 00 78 56 34 12")}};
  for (const auto& [value, bytes] : elements) {
    zoltc_logix_path path{};
    ASSERT_EQ(zoltc_logix_path_add_element(&path, value), ZOLTC_LOGIX_STATUS_OK);
    EXPECT_EQ(bytesOf(path), bytes) << value;
    zoltc_logix_path_free(&path);
  }
  zoltc_logix_path path{};
  ASSERT_EQ(zoltc_logix_path_add_class(&path, 0x02), ZOLTC_LOGIX_STATUS_OK);
  ASSERT_EQ(zoltc_logix_path_add_instance(&path, 300), ZOLTC_LOGIX_STATUS_OK);
  ASSERT_EQ(zoltc_logix_path_add_logical(&path, ZOLTC_LOGIX_SEGMENT_CLASS, 70000), ZOLTC_LOGIX_STATUS_OK);
  for (uint32_t i = 0; i < 40; ++i) ASSERT_EQ(zoltc_logix_path_add_element(&path, 1), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(Bytes(path.data, path.data + 12), hex("20 02 25 00 2C 01 22 00 70 11 01 00"));
  EXPECT_EQ(path.length, 92u);
  EXPECT_EQ(path.capacity, 128u);
  zoltc_logix_path_free(&path);
  zoltc_logix_path full{nullptr, 0xFFFFFFFEu, 0xFFFFFFFEu};  // would pass 32 bits: refused, nothing allocated
  EXPECT_EQ(zoltc_logix_path_add_class(&full, 70000), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(full.length, 0xFFFFFFFEu);
}

struct EncodeCase {
  const char* label;
  uint32_t pathLength;  // bytes of a path of 20 01 pairs
  uint32_t dataLength;
  zoltc_logix_status status;
};

class EncodeRequest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeRequest, WritesServicePathWordsPathAndData) {
  const EncodeCase& c = GetParam();
  Bytes path(c.pathLength), data(c.dataLength, 0x77);
  for (size_t i = 0; i < path.size(); ++i) path[i] = i % 2 == 0 ? 0x20 : 0x01;
  const zoltc_logix_cip_request request{0x4C, path.empty() ? nullptr : path.data(), c.pathLength,
                                        data.empty() ? nullptr : data.data(), c.dataLength};
  uint8_t marker = 0;
  zoltc_logix_buffer out{&marker, 99};
  ASSERT_EQ(zoltc_logix_cip_encode_request(&request, &out), c.status);
  const Bytes expected = c.status != ZOLTC_LOGIX_STATUS_OK ? Bytes{} : join({{0x4C, static_cast<uint8_t>(c.pathLength / 2)}, path, data});
  EXPECT_EQ(bytesOf(out), expected);
  EXPECT_EQ(out.length, expected.size());
  zoltc_logix_buffer_free(&out);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, EncodeRequest,
    ::testing::Values(EncodeCase{"Bare", 0, 0, ZOLTC_LOGIX_STATUS_OK}, EncodeCase{"PathAndData", 4, 2, ZOLTC_LOGIX_STATUS_OK},
                      EncodeCase{"DataWithoutPath", 0, 3, ZOLTC_LOGIX_STATUS_OK},
                      EncodeCase{"Path510", 510, 0, ZOLTC_LOGIX_STATUS_OK},
                      EncodeCase{"Path512", 512, 0, ZOLTC_LOGIX_STATUS_TOO_LARGE},
                      EncodeCase{"OddPath", 3, 0, ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT},
                      EncodeCase{"OddAndTooLong", 513, 0, ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT}),
    LabelName{});

struct DecodeCase { std::string label; Bytes bytes; zoltc_logix_status status; Bytes additional, data; };

class DecodeResponse : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeResponse, SplitsStatusWordsFromData) {
  const DecodeCase& c = GetParam();
  uint8_t marker = 0;
  zoltc_logix_cip_response response{9, 9, 9, {&marker, 1}, {&marker, 1}};
  EXPECT_EQ(zoltc_logix_cip_decode_response(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), &response), c.status);
  EXPECT_EQ(bytesOf(response.additional_status), c.additional);
  EXPECT_EQ(bytesOf(response.data), c.data);
  const bool ok = c.status == ZOLTC_LOGIX_STATUS_OK;
  EXPECT_EQ(response.service, ok ? c.bytes[0] : 0);
  EXPECT_EQ(response.reserved, ok ? c.bytes[1] : 0);
  EXPECT_EQ(response.general_status, ok ? c.bytes[2] : 0);
  zoltc_logix_cip_response_free(&response);
  EXPECT_EQ(response.data.data, nullptr);
}

// A valid frame (11 bytes: two status words, three data bytes) cut at every length: every cut
// before the end of the status words is malformed, every later one a shorter data block.
std::vector<DecodeCase> decodeCases() {
  std::vector<DecodeCase> cases{
      {"ExactlyFour", hex("CC 00 00 00"), ZOLTC_LOGIX_STATUS_OK, {}, {}},
      {"ReservedByteKept", hex("CC 5A 1E 00 AA"), ZOLTC_LOGIX_STATUS_OK, {}, hex("AA")},
      {"MaxStatusWordsMissing", hex("81 00 05 FF 01 02"), ZOLTC_LOGIX_STATUS_BAD_REPLY, {}, {}}};
  const Bytes frame = hex("CC 00 00 02 A1 A2 A3 A4 D1 D2 D3");
  for (size_t cut = 0; cut <= frame.size(); ++cut) {
    const bool ok = cut >= 8;
    cases.push_back({"Cut" + std::to_string(cut), Bytes(frame.begin(), frame.begin() + static_cast<long>(cut)),
                     ok ? ZOLTC_LOGIX_STATUS_OK : ZOLTC_LOGIX_STATUS_BAD_REPLY, ok ? hex("A1 A2 A3 A4") : Bytes{},
                     ok ? Bytes(frame.begin() + 8, frame.begin() + static_cast<long>(cut)) : Bytes{}});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Responses, DecodeResponse, ::testing::ValuesIn(decodeCases()), LabelName{});

Bytes item(uint16_t type, const Bytes& data, int length = -1) {
  Bytes out;
  appendU16(out, type);
  appendU16(out, static_cast<uint16_t>(length < 0 ? data.size() : static_cast<size_t>(length)));
  return join({out, data});
}
Bytes cpf(uint16_t count, uint32_t handle = 0, uint16_t timeout = 0) {
  Bytes out;
  appendU32(out, handle);
  appendU16(out, timeout);
  appendU16(out, count);
  return out;
}

const Bytes kMessage = hex("CC 00 00 00 C4 00 2A 00 00 00");

struct CpfCase { std::string label; Bytes bytes; zoltc_logix_status status; Bytes found; };

class UnconnectedItem : public ::testing::TestWithParam<CpfCase> {};

TEST_P(UnconnectedItem, IsTheFirstUnconnectedDataItem) {
  const CpfCase& c = GetParam();
  uint8_t marker = 0;
  zoltc_logix_buffer found{&marker, 1};
  EXPECT_EQ(zoltc_logix_cpf_find_unconnected_item(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), &found), c.status);
  EXPECT_EQ(bytesOf(found), c.found);
  zoltc_logix_buffer_free(&found);
}

std::vector<CpfCase> cpfCases() {
  const Bytes usual = join({cpf(2), item(0, {}), item(0xB2, kMessage)});
  std::vector<CpfCase> cases{
      {"Usual", usual, ZOLTC_LOGIX_STATUS_OK, kMessage},
      {"OthersSkipped", join({cpf(3), item(0x8000, hex("01 02")), item(0, {}), item(0xB2, kMessage)}), ZOLTC_LOGIX_STATUS_OK, kMessage},
      {"FirstOfTwo", join({cpf(2), item(0xB2, hex("01 02")), item(0xB2, kMessage)}), ZOLTC_LOGIX_STATUS_OK, hex("01 02")},
      {"BytesAfterTheItemsIgnored", join({cpf(1), item(0xB2, kMessage), hex("FF FF")}), ZOLTC_LOGIX_STATUS_OK, kMessage},
      {"EmptyItem", join({cpf(1), item(0xB2, {})}), ZOLTC_LOGIX_STATUS_OK, {}},
      {"CountZero", join({cpf(0), item(0xB2, kMessage)}), ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
      {"ConnectedItemOnly", join({cpf(2), item(0, {}), item(0xB1, kMessage)}), ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
      {"InterfaceHandle", join({cpf(2, 1), item(0, {}), item(0xB2, kMessage)}), ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
      {"ItemBeyondTheCount", join({cpf(1), item(0, {}), item(0xB2, kMessage)}), ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
      {"HugeCount", join({cpf(0xFFFF), item(0, {})}), ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
      {"ItemPastTheEnd", join({cpf(2), item(0, {}), item(0xB2, hex("01 02"), 0xFFFF)}), ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
      {"SkippedItemPastTheEnd", join({cpf(2), item(0x8000, {}, 100), item(0xB2, kMessage)}), ZOLTC_LOGIX_STATUS_BAD_REPLY, {}}};
  for (size_t cut = 0; cut < usual.size(); ++cut) {
    cases.push_back({"Cut" + std::to_string(cut), Bytes(usual.begin(), usual.begin() + static_cast<long>(cut)),
                     ZOLTC_LOGIX_STATUS_BAD_REPLY, {}});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Replies, UnconnectedItem, ::testing::ValuesIn(cpfCases()), LabelName{});

// Identity data: vendor 1, device type 0x0E, product 0x95, revision 32.11, status 0x3160, serial
// 0x04030201 (lowest byte first), then the name with an announced length.
Bytes identityData(const std::string& name, size_t announced) {
  return join({hex("01 00 0E 00 95 00 20 0B 60 31 01 02 03 04"), Bytes{static_cast<uint8_t>(announced)}, text(name)});
}

zoltc_logix_cip_response responseWith(Bytes& data) {
  zoltc_logix_cip_response response{};
  response.service = 0x81;
  response.data = {data.empty() ? nullptr : data.data(), static_cast<uint32_t>(data.size())};
  return response;
}

TEST(Identity, RequestAndDecode) {
  zoltc_logix_buffer encoded{};
  ASSERT_EQ(zoltc_logix_cip_encode_request(zoltc_logix_identity_request(), &encoded), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(bytesOf(encoded), hex("01 02 20 01 24 01"));
  zoltc_logix_buffer_free(&encoded);
  const struct {
    Bytes data;
    zoltc_logix_status status;
    const char* name;
  } rows[] = {{identityData("1756-L83E/B", 11), ZOLTC_LOGIX_STATUS_OK, "1756-L83E/B"},
              {identityData("", 0), ZOLTC_LOGIX_STATUS_OK, ""},
              {identityData("PLC\x01\x02", 3), ZOLTC_LOGIX_STATUS_OK, "PLC"},
              {identityData("St \xC3\xBC\xFF", 6), ZOLTC_LOGIX_STATUS_OK, "St \xC3\xBC\xFF"},
              {identityData("abc", 4), ZOLTC_LOGIX_STATUS_BAD_REPLY, nullptr},
              {Bytes(14, 0), ZOLTC_LOGIX_STATUS_BAD_REPLY, nullptr},
              {{}, ZOLTC_LOGIX_STATUS_BAD_REPLY, nullptr}};
  for (auto row : rows) {
    zoltc_logix_identity identity{};
    zoltc_logix_cip_response response = responseWith(row.data);
    ASSERT_EQ(zoltc_logix_identity_decode(&response, &identity), row.status) << row.data.size();
    if (row.name == nullptr) {
      EXPECT_EQ(identity.product_name, nullptr);
      EXPECT_EQ(identity.vendor_id, 0);
      continue;
    }
    EXPECT_STREQ(identity.product_name, row.name);
    EXPECT_EQ(std::tuple(identity.vendor_id, identity.device_type, identity.product_code, identity.revision_major,
                         identity.revision_minor, identity.status, identity.serial_number),
              std::tuple(1, 0x0E, 0x95, 32, 11, 0x3160, 0x04030201u));
    zoltc_logix_identity_clear(&identity);
  }
}

TEST(Identity, SuccessReplacesAndFailureKeepsTheEarlierIdentity) {
  TestAllocator allocator;
  zoltc_logix_identity identity{};
  Bytes first = identityData("First", 5), bad = identityData("Second", 9), second = identityData("Second", 6);
  bad[0] = 0x77;
  zoltc_logix_cip_response response = responseWith(first);
  ASSERT_EQ(zoltc_logix_identity_decode(&response, &identity), ZOLTC_LOGIX_STATUS_OK);
  response = responseWith(bad);
  EXPECT_EQ(zoltc_logix_identity_decode(&response, &identity), ZOLTC_LOGIX_STATUS_BAD_REPLY);
  EXPECT_EQ(identity.vendor_id, 1);
  response = responseWith(second);
  allocator.failAt(1);
  EXPECT_EQ(zoltc_logix_identity_decode(&response, &identity), ZOLTC_LOGIX_STATUS_NO_MEMORY);
  EXPECT_STREQ(identity.product_name, "First");
  ASSERT_EQ(zoltc_logix_identity_decode(&response, &identity), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_STREQ(identity.product_name, "Second");
  EXPECT_EQ(allocator.liveBlocks(), 1u);
  zoltc_logix_identity_clear(&identity);
  EXPECT_EQ(identity.product_name, nullptr);
}

// Each status's own result is checked where the library meets it; statuses without one are
// unknown. A name, and the name of no result.
TEST(Results, FromStatusesAndNames) {
  for (auto [status, result] : {std::pair(0, ZOLTC_LOGIX_OK), {6, ZOLTC_LOGIX_ERR_UNKNOWN}, {255, ZOLTC_LOGIX_ERR_UNKNOWN}}) {
    EXPECT_EQ(zoltc_logix_result_from_status(static_cast<zoltc_logix_status>(status)), result) << status;
  }
  EXPECT_STREQ(zoltc_logix_result_name(ZOLTC_LOGIX_ERR_NO_CONNECTION), "no connection");
  for (int unnamed : {11, 14, 23, 255}) EXPECT_STREQ(zoltc_logix_result_name(static_cast<zoltc_logix_result>(unnamed)), "unknown result");
}

}  // namespace
