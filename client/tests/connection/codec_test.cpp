// The connection layer's pure parts: memory, paths, messages, the packet format, identity, results.
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

TEST(Memory, TablesAndBuffers) {
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
  {
    TestAllocator allocator;
    void* array = zoltc_logix_alloc_array(3, 5);
    EXPECT_EQ(allocator.largestRequest(), 15u);
    EXPECT_EQ(zoltc_logix_alloc_array(SIZE_MAX / 2 + 1, 2), nullptr);  // overflow: no attempt
    zoltc_logix_free(array);
    uint8_t marker = 0;
    zoltc_logix_buffer buffer{&marker, 7};
    EXPECT_EQ(zoltc_logix_buffer_copy(nullptr, 0, &buffer), ZOLTC_LOGIX_STATUS_OK);
    EXPECT_EQ(buffer.data, &marker);  // nothing to copy: left alone, nothing allocated
    EXPECT_EQ(allocator.attempts(), 1u);
    const Bytes source{1, 2, 3};
    ASSERT_EQ(zoltc_logix_buffer_copy(source.data(), 3, &buffer), ZOLTC_LOGIX_STATUS_OK);
    EXPECT_EQ(bytesOf(buffer), source);
    zoltc_logix_buffer_free(&buffer);
    EXPECT_EQ(std::tuple(buffer.data, buffer.length), std::tuple(nullptr, 0u));
  }
  const zoltc_logix_allocator empty{nullptr, nullptr, nullptr, nullptr};
  const zoltc_logix_allocator* previous = zoltc_logix_set_allocator(&empty);
  EXPECT_EQ(zoltc_logix_alloc(8), nullptr);
  EXPECT_EQ(zoltc_logix_realloc(nullptr, 8), nullptr);
  zoltc_logix_path path{};
  EXPECT_EQ(zoltc_logix_path_add_class(&path, 1), ZOLTC_LOGIX_STATUS_NO_MEMORY);
  zoltc_logix_set_allocator(previous);
}

// Capacity starts at 16 and doubles until the request fits; from 0x80000000 on it becomes exactly the
// need (those requests are failed, so nothing that large is allocated). A failed growth keeps all.
TEST(PathBuilder, Growth) {
  TestAllocator allocator;
  zoltc_logix_path path{};
  for (auto [reserve, use, capacity] : {std::array<uint32_t, 3>{5, 16, 16}, {20, 36, 64}, {28, 64, 64}, {1, 65, 128}}) {
    ASSERT_EQ(zoltc_logix_path_reserve(&path, reserve), ZOLTC_LOGIX_STATUS_OK);
    EXPECT_EQ(path.capacity, capacity) << reserve;
    EXPECT_EQ(allocator.largestRequest(), capacity);
    path.length = use;
  }
  std::memset(path.data, 0x5A, path.capacity);
  path.length = path.capacity;
  const Bytes before = bytesOf(path);
  allocator.failAt(1);
  EXPECT_EQ(zoltc_logix_path_add_element(&path, 70000), ZOLTC_LOGIX_STATUS_NO_MEMORY);
  EXPECT_EQ(bytesOf(path), before);
  zoltc_logix_path_free(&path);
  zoltc_logix_path huge{nullptr, 0xFFFFFFF0u, 0xFFFFFFF0u};
  EXPECT_EQ(zoltc_logix_path_reserve(&huge, 0x20), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  for (auto [length, capacity, reserve, requested] :
       {std::array<uint64_t, 4>{0x40000000u, 0x40000000u, 1, 0x80000000u}, {0x7FFFFFF0u, 0x80000000u, 0x20, 0x80000010u}}) {
    allocator.failAt(1);
    zoltc_logix_path big{nullptr, static_cast<uint32_t>(length), static_cast<uint32_t>(capacity)};
    EXPECT_EQ(zoltc_logix_path_reserve(&big, static_cast<uint32_t>(reserve)), ZOLTC_LOGIX_STATUS_NO_MEMORY);
    EXPECT_EQ(allocator.largestRequest(), requested);
    EXPECT_EQ(big.capacity, capacity);
  }
}

TEST(PathBuilder, Segments) {
  for (const auto& [name, status, bytes] :
       {std::tuple(std::string("abc"), ZOLTC_LOGIX_STATUS_OK, hex("91 03 61 62 63 00")),
        {"abcd", ZOLTC_LOGIX_STATUS_OK, hex("91 04 61 62 63 64")},
        {std::string(255, 'x'), ZOLTC_LOGIX_STATUS_OK, join({hex("91 FF"), Bytes(255, 'x'), Bytes{0}})},
        {std::string(256, 'x'), ZOLTC_LOGIX_STATUS_TOO_LARGE, {}}, {"", ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT, {}}}) {
    zoltc_logix_path path{};
    ASSERT_EQ(zoltc_logix_path_add_class(&path, 0x6B), ZOLTC_LOGIX_STATUS_OK);
    EXPECT_EQ(zoltc_logix_path_add_symbol(&path, name.c_str()), status) << name.size();
    EXPECT_EQ(bytesOf(path), join({hex("20 6B"), bytes}));  // a refused name leaves the builder alone
    zoltc_logix_path_free(&path);
  }
  for (const auto& [value, bytes] : {std::pair(0u, hex("28 00")), {255u, hex("28 FF")}, {256u, hex("29 00 00 01")},
                                     {65535u, hex("29 00 FF FF")}, {65536u, hex("2A 00 00 00 01 00")}}) {
    zoltc_logix_path path{};
    ASSERT_EQ(zoltc_logix_path_add_element(&path, value), ZOLTC_LOGIX_STATUS_OK);
    EXPECT_EQ(bytesOf(path), bytes) << value;
    zoltc_logix_path_free(&path);
  }
  zoltc_logix_path path{};
  ASSERT_EQ(zoltc_logix_path_add_class(&path, 0x02), ZOLTC_LOGIX_STATUS_OK);
  ASSERT_EQ(zoltc_logix_path_add_instance(&path, 300), ZOLTC_LOGIX_STATUS_OK);
  ASSERT_EQ(zoltc_logix_path_add_logical(&path, ZOLTC_LOGIX_SEGMENT_CLASS, 0x12345678u), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(bytesOf(path), hex("20 02 25 00 2C 01 22 00 78 56 34 12"));
  zoltc_logix_path_free(&path);
  zoltc_logix_path full{nullptr, 0xFFFFFFFEu, 0xFFFFFFFEu};  // would pass 32 bits: refused, nothing allocated
  EXPECT_EQ(zoltc_logix_path_add_class(&full, 70000), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(full.length, 0xFFFFFFFEu);
}

// Paths of 20 01 pairs and data of 77s; a refused request leaves the output empty.
TEST(Message, EncodeRequest) {
  for (auto [pathLength, dataLength, status] :
       {std::tuple(0u, 0u, ZOLTC_LOGIX_STATUS_OK), {4u, 2u, ZOLTC_LOGIX_STATUS_OK}, {0u, 3u, ZOLTC_LOGIX_STATUS_OK},
        {510u, 0u, ZOLTC_LOGIX_STATUS_OK}, {512u, 0u, ZOLTC_LOGIX_STATUS_TOO_LARGE},
        {3u, 0u, ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT}, {513u, 0u, ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT}}) {
    Bytes path(pathLength), data(dataLength, 0x77);
    for (size_t i = 0; i < path.size(); ++i) path[i] = i % 2 == 0 ? 0x20 : 0x01;
    const zoltc_logix_cip_request request{0x4C, path.empty() ? nullptr : path.data(), pathLength,
                                          data.empty() ? nullptr : data.data(), dataLength};
    uint8_t marker = 0;
    zoltc_logix_buffer out{&marker, 99};
    ASSERT_EQ(zoltc_logix_cip_encode_request(&request, &out), status) << pathLength << " " << dataLength;
    const Bytes expected = status != ZOLTC_LOGIX_STATUS_OK ? Bytes{} : join({{0x4C, static_cast<uint8_t>(pathLength / 2)}, path, data});
    EXPECT_EQ(bytesOf(out), expected);
    EXPECT_EQ(out.length, expected.size());
    zoltc_logix_buffer_free(&out);
  }
}

// A frame of two status words and three data bytes cut at every length: every cut before the end
// of the status words is malformed, every later one a shorter data block.
TEST(Message, DecodeResponse) {
  const Bytes frame = hex("CC 5A 1E 02 A1 A2 A3 A4 D1 D2 D3");
  for (size_t cut = 0; cut <= frame.size(); ++cut) {
    const Bytes bytes(frame.begin(), frame.begin() + static_cast<long>(cut));
    const bool ok = cut >= 8;
    uint8_t marker = 0;
    zoltc_logix_cip_response response{9, 9, 9, {&marker, 1}, {&marker, 1}};
    EXPECT_EQ(zoltc_logix_cip_decode_response(bytes.data(), static_cast<uint32_t>(cut), &response),
              ok ? ZOLTC_LOGIX_STATUS_OK : ZOLTC_LOGIX_STATUS_BAD_REPLY) << cut;
    EXPECT_EQ(bytesOf(response.additional_status), ok ? hex("A1 A2 A3 A4") : Bytes{}) << cut;
    EXPECT_EQ(bytesOf(response.data), ok ? Bytes(bytes.begin() + 8, bytes.end()) : Bytes{}) << cut;
    EXPECT_EQ(std::tuple(response.service, response.reserved, response.general_status),
              ok ? std::tuple(0xCC, 0x5A, 0x1E) : std::tuple(0, 0, 0)) << cut;
    zoltc_logix_cip_response_free(&response);
    EXPECT_EQ(response.data.data, nullptr);
  }
}

Bytes item(uint16_t type, const Bytes& data, int length = -1) {
  const auto n = static_cast<uint16_t>(length < 0 ? data.size() : static_cast<size_t>(length));
  return join({Bytes{uint8_t(type), uint8_t(type >> 8), uint8_t(n), uint8_t(n >> 8)}, data});
}
// Interface handle, timeout 0, item count.
Bytes cpf(uint16_t count, uint8_t handle = 0) { return {handle, 0, 0, 0, 0, 0, uint8_t(count), uint8_t(count >> 8)}; }

const Bytes kMessage = hex("CC 00 00 00 C4 00 2A 00 00 00");

// The first unconnected data item's copy, or a bad reply; every cut of the usual reply is refused.
TEST(UnconnectedItem, IsTheFirstUnconnectedDataItem) {
  const Bytes usual = join({cpf(2), item(0, {}), item(0xB2, kMessage)});
  std::vector<std::tuple<std::string, Bytes, zoltc_logix_status, Bytes>> rows{
      {"Usual", usual, ZOLTC_LOGIX_STATUS_OK, kMessage},
      {"OthersSkipped", join({cpf(3), item(0x8000, hex("01 02")), item(0, {}), item(0xB2, kMessage)}), ZOLTC_LOGIX_STATUS_OK, kMessage},
      {"FirstOfTwo", join({cpf(2), item(0xB2, hex("01 02")), item(0xB2, kMessage)}), ZOLTC_LOGIX_STATUS_OK, hex("01 02")},
      {"EmptyItem", join({cpf(1), item(0xB2, {})}), ZOLTC_LOGIX_STATUS_OK, {}},
      {"ConnectedItemOnly", join({cpf(2), item(0, {}), item(0xB1, kMessage)}), ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
      {"InterfaceHandle", join({cpf(2, 1), item(0, {}), item(0xB2, kMessage)}), ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
      {"ItemBeyondTheCount", join({cpf(1), item(0, {}), item(0xB2, kMessage)}), ZOLTC_LOGIX_STATUS_BAD_REPLY, {}},
      {"ItemPastTheEnd", join({cpf(2), item(0, {}), item(0xB2, hex("01 02"), 0xFFFF)}), ZOLTC_LOGIX_STATUS_BAD_REPLY, {}}};
  for (size_t cut = 0; cut < usual.size(); ++cut) {
    rows.emplace_back("Cut" + std::to_string(cut), Bytes(usual.begin(), usual.begin() + static_cast<long>(cut)),
                      ZOLTC_LOGIX_STATUS_BAD_REPLY, Bytes{});
  }
  for (const auto& [label, bytes, status, expected] : rows) {
    uint8_t marker = 0;
    zoltc_logix_buffer found{&marker, 1};
    EXPECT_EQ(zoltc_logix_cpf_find_unconnected_item(bytes.data(), static_cast<uint32_t>(bytes.size()), &found), status) << label;
    EXPECT_EQ(bytesOf(found), expected) << label;
    zoltc_logix_buffer_free(&found);
  }
}

// Identity data: vendor 1, device type 0x0E, product 0x95, revision 32.11, status 0x3160, serial
// 0x04030201 (lowest byte first), then the name with an announced length.
Bytes identityData(const std::string& name, size_t announced, uint8_t vendor = 1) {
  return join({Bytes{vendor}, hex("00 0E 00 95 00 20 0B 60 31 01 02 03 04"), Bytes{static_cast<uint8_t>(announced)}, text(name)});
}

// A success replaces the earlier identity; a failure, of the reply or of memory, keeps it.
TEST(Identity, RequestAndDecode) {
  zoltc_logix_buffer encoded{};
  ASSERT_EQ(zoltc_logix_cip_encode_request(zoltc_logix_identity_request(), &encoded), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(bytesOf(encoded), hex("01 02 20 01 24 01"));
  zoltc_logix_buffer_free(&encoded);
  TestAllocator allocator;
  zoltc_logix_identity identity{};
  for (auto [data, status, name] :
       {std::tuple(identityData("", 0), ZOLTC_LOGIX_STATUS_OK, ""), {identityData("PLC\x01\x02", 3), ZOLTC_LOGIX_STATUS_OK, "PLC"},
        {identityData("abc", 4, 0x77), ZOLTC_LOGIX_STATUS_BAD_REPLY, "PLC"}, {Bytes(14, 0), ZOLTC_LOGIX_STATUS_BAD_REPLY, "PLC"},
        {identityData("1756-L83E/B", 11, 0x77), ZOLTC_LOGIX_STATUS_NO_MEMORY, "PLC"},
        {identityData("1756-L83E/B", 11), ZOLTC_LOGIX_STATUS_OK, "1756-L83E/B"}}) {
    zoltc_logix_cip_response response{};
    response.data = {data.empty() ? nullptr : data.data(), static_cast<uint32_t>(data.size())};
    allocator.failAt(status == ZOLTC_LOGIX_STATUS_NO_MEMORY ? 1 : 0);
    ASSERT_EQ(zoltc_logix_identity_decode(&response, &identity), status) << name;
    EXPECT_STREQ(identity.product_name, name);
    EXPECT_EQ(std::tuple(identity.vendor_id, identity.device_type, identity.product_code, identity.revision_major,
                         identity.revision_minor, identity.status, identity.serial_number),
              std::tuple(1, 0x0E, 0x95, 32, 11, 0x3160, 0x04030201u));
  }
  EXPECT_EQ(allocator.liveBlocks(), 1u);
  zoltc_logix_identity_clear(&identity);
  EXPECT_EQ(identity.product_name, nullptr);
}

// Each status's own result is checked where the library meets it; statuses without one are unknown.
TEST(Results, FromStatusesAndNames) {
  for (auto [status, result] : {std::pair(0, ZOLTC_LOGIX_OK), {6, ZOLTC_LOGIX_ERR_UNKNOWN}, {255, ZOLTC_LOGIX_ERR_UNKNOWN}}) {
    EXPECT_EQ(zoltc_logix_result_from_status(static_cast<zoltc_logix_status>(status)), result) << status;
  }
  EXPECT_STREQ(zoltc_logix_result_name(ZOLTC_LOGIX_ERR_NO_CONNECTION), "no connection");
  for (int unnamed : {11, 14, 23, 255}) EXPECT_STREQ(zoltc_logix_result_name(static_cast<zoltc_logix_result>(unnamed)), "unknown result");
}

}  // namespace
