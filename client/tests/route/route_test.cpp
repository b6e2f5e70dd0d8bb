// Route path texts, the Unconnected Send wrapper, routing failures in words, and the
// decoder of ListIdentity replies.
#include <gtest/gtest.h>

#include <string>

#include "bytes.hpp"
#include "cip.h"
#include "client.h"
#include "discover.h"
#include "identity.h"
#include "label_name.hpp"
#include "route.h"

namespace {

using quillon::testing::appendText;
using quillon::testing::appendU16;
using quillon::testing::Bytes;
using quillon::testing::bytesOf;

struct TextCase {
  const char* label;
  std::string text;
  zoltc_logix_result result;
  Bytes encoded;        // when accepted
  const char* message;  // part of the message when refused
};

class RouteText : public ::testing::TestWithParam<TextCase> {};

TEST_P(RouteText, EncodesPortSegmentsOrSaysWhatIsWrong) {
  const TextCase& c = GetParam();
  zoltc_logix_buffer out{};
  char message[160];
  EXPECT_EQ(zoltc_logix_parse_route(c.text.c_str(), &out, message, sizeof message), c.result);
  if (c.result == ZOLTC_LOGIX_OK) {
    EXPECT_EQ(bytesOf(out), c.encoded);
    EXPECT_STREQ(message, "");
  } else {
    EXPECT_EQ(out.data, nullptr);
    EXPECT_NE(std::string(message).find(c.message), std::string::npos) << message;
  }
  zoltc_logix_buffer_free(&out);
}

Bytes ipHop(uint8_t segment, const std::string& address) {
  Bytes out{segment, static_cast<uint8_t>(address.size())};
  appendText(out, address);
  if (out.size() % 2 != 0) out.push_back(0);
  return out;
}

Bytes concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RouteText,
    ::testing::Values(
        TextCase{"backplane_slot_0", "1,0", ZOLTC_LOGIX_OK, {0x01, 0x00}, ""},
        TextCase{"empty_is_direct", "  ", ZOLTC_LOGIX_OK, {}, ""},
        TextCase{"spaces_around_items", " 1 , 2 ", ZOLTC_LOGIX_OK, {0x01, 0x02}, ""},
        TextCase{"port_14_in_segment", "14,255", ZOLTC_LOGIX_OK, {0x0E, 0xFF}, ""},
        TextCase{"port_15_extended", "15,3", ZOLTC_LOGIX_OK, {0x0F, 0x0F, 0x00, 0x03}, ""},
        TextCase{"odd_address_padded", "2,10.0.0.7", ZOLTC_LOGIX_OK, ipHop(0x12, "10.0.0.7"), ""},
        TextCase{"even_address_unpadded", "2,10.0.0.17", ZOLTC_LOGIX_OK, ipHop(0x12, "10.0.0.17"), ""},
        TextCase{"extended_port_and_address", "300,1.2.3.4", ZOLTC_LOGIX_OK,
                 Bytes{0x1F, 7, 0x2C, 0x01, '1', '.', '2', '.', '3', '.', '4', 0}, ""},
        TextCase{"three_hops", "1,0,2,10.0.0.7,1,2", ZOLTC_LOGIX_OK,
                 concat(concat(Bytes{0x01, 0x00}, ipHop(0x12, "10.0.0.7")), Bytes{0x01, 0x02}), ""},
        TextCase{"empty_hop", "1,,0", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, {}, "item 2 is empty"},
        TextCase{"trailing_comma", "1,0,", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, {}, "item 3 is empty"},
        TextCase{"port_zero", "0,1", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, {}, "no port 0"},
        TextCase{"port_too_large", "65536,1", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, {}, "not a port number"},
        TextCase{"odd_count", "1,0,2", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, {}, "port 2 (item 3) has no link"},
        TextCase{"link_above_255", "1,256", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, {}, "link 256 is above 255"},
        TextCase{"bad_address", "2,10.0.0.256", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, {}, "neither a link"},
        TextCase{"word_as_link", "2,plc", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, {}, "neither a link"},
        TextCase{"negative_port", "-1,0", ZOLTC_LOGIX_ERR_INVALID_ARGUMENT, {}, "not a port number"},
        TextCase{"too_long", [] {
                   std::string text = "1,0";
                   for (int i = 0; i < 64; ++i) text += ",1,0";
                   return text;
                 }(),
                 ZOLTC_LOGIX_ERR_TOO_LARGE, {}, "longer than 128 bytes"}),
    quillon::testing::LabelName{});

TEST(RouteTimeout, ThreeQuartersOfTheWaitInTheFinestTick) {
  struct Row {
    uint32_t timeoutMs;
    uint8_t tick;
    uint8_t ticks;
  };
  for (const Row& row : {Row{0, 0, 1}, Row{100, 0, 75}, Row{10000, 5, 235}, Row{0xFFFFFFFFu, 15, 255}}) {
    uint8_t tick = 0xEE;
    uint8_t ticks = 0xEE;
    zoltc_logix_route_timeout(row.timeoutMs, &tick, &ticks);
    EXPECT_EQ(tick, row.tick) << row.timeoutMs;
    EXPECT_EQ(ticks, row.ticks) << row.timeoutMs;
  }
}

TEST(RouteWrap, UnconnectedSendCarriesTheRequestPaddedWithTheRoute) {
  zoltc_logix_route route{};
  ASSERT_EQ(zoltc_logix_parse_route("1,2", &route.path, nullptr, 0), ZOLTC_LOGIX_OK);
  const Bytes request{0x4C, 0x02, 0x91, 0x01, 'A', 0x00, 0x01};  // 7 bytes: one pad
  zoltc_logix_buffer out{};
  ASSERT_EQ(zoltc_logix_route_wrap(&route, 100, request.data(), 7, &out), ZOLTC_LOGIX_STATUS_OK);
  Bytes expected{0x52, 0x02, 0x20, 0x06, 0x24, 0x01, 0x00, 75, 0x07, 0x00};
  expected.insert(expected.end(), request.begin(), request.end());
  expected.insert(expected.end(), {0x00, 0x01, 0x00, 0x01, 0x02});
  EXPECT_EQ(bytesOf(out), expected);
  EXPECT_EQ(out.length - request.size(), zoltc_logix_route_overhead(&route));
  zoltc_logix_buffer_free(&out);
  zoltc_logix_route_free(&route);
}

struct ReplyCase {
  const char* label;
  const char* route;
  uint8_t embeddedService;
  Bytes reply;          // message-router response bytes
  const char* failure;  // the sentence, or null when the reply is the target's
};

class RouteReply : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(RouteReply, TellsARouterRefusalFromTheTargetReply) {
  const ReplyCase& c = GetParam();
  zoltc_logix_client* client = zoltc_logix_client_create();
  ASSERT_NE(client, nullptr);
  ASSERT_EQ(zoltc_logix_set_route(client, c.route, nullptr, 0), ZOLTC_LOGIX_OK);
  zoltc_logix_cip_response response{};
  ASSERT_EQ(zoltc_logix_cip_decode_response(c.reply.data(), static_cast<uint32_t>(c.reply.size()), &response),
            ZOLTC_LOGIX_STATUS_OK);
  const zoltc_logix_status status =
      zoltc_logix_route_check_reply(&client->session->route, c.embeddedService, &response);
  if (c.failure == nullptr) {
    EXPECT_EQ(status, ZOLTC_LOGIX_STATUS_OK);
  } else {
    EXPECT_EQ(status, ZOLTC_LOGIX_STATUS_ROUTE_FAILED);
    char text[160];
    zoltc_logix_describe_route_failure(client, text, sizeof text);
    EXPECT_STREQ(text, c.failure);
  }
  zoltc_logix_cip_response_free(&response);
  zoltc_logix_client_destroy(client);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, RouteReply,
    ::testing::Values(
        ReplyCase{"target_reply", "1,3", 0x01, {0x81, 0, 0, 0, 1, 2}, nullptr},
        ReplyCase{"fragment_from_target", "1,3", 0x52, {0xD2, 0, 0x05, 0}, nullptr},
        ReplyCase{"timed_out", "1,3", 0x01, {0xD2, 0, 0x01, 1, 0x04, 0x02, 1},
                  "no module answers at slot 3 (the request timed out)"},
        ReplyCase{"empty_slot", "1,3", 0x4C, {0xD2, 0, 0x01, 1, 0x12, 0x03, 1},
                  "no module answers at slot 3 (no such link address)"},
        ReplyCase{"fragmented_read_not_routed", "1,3", 0x52, {0xD2, 0, 0x01, 1, 0x12, 0x03, 1},
                  "no module answers at slot 3 (no such link address)"},
        ReplyCase{"no_port", "5,0", 0x01, {0xD2, 0, 0x01, 1, 0x11, 0x03, 1},
                  "there is no port 5 at hop 1 of the route"},
        ReplyCase{"second_hop_address", "1,1,2,10.0.0.7", 0x01, {0xD2, 0, 0x01, 1, 0x12, 0x03, 5},
                  "no module answers at address 10.0.0.7 on port 2, hop 2 of the route (no such link address)"},
        ReplyCase{"bad_segment_without_remaining", "1,3", 0x01, {0xD2, 0, 0x01, 1, 0x15, 0x03},
                  "the route is not valid along the route"},
        ReplyCase{"other_status", "1,3", 0x01, {0xD2, 0, 0x08, 0},
                  "a module along the route refused the request (general status 0x08)"}),
    quillon::testing::LabelName{});

// A ListIdentity reply with one CIP Identity item.
Bytes listIdentityReply(uint64_t context, const std::string& name, bool withState = true) {
  Bytes item{0x01, 0x00, 0x00, 0x02, 0xAF, 0x12, 10, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0};
  const Bytes identity{0xA3, 0x04, 0x0C, 0x00, 0xA6, 0x00, 11, 2, 0x30, 0x00, 0xA1, 0xB0, 0xE7, 0x00};
  item.insert(item.end(), identity.begin(), identity.end());
  item.push_back(static_cast<uint8_t>(name.size()));
  appendText(item, name);
  if (withState) item.push_back(3);
  Bytes data;
  appendU16(data, 1);
  appendU16(data, 0x0C);
  appendU16(data, static_cast<uint16_t>(item.size()));
  data.insert(data.end(), item.begin(), item.end());
  Bytes out(24, 0);
  out[0] = 0x63;
  out[2] = static_cast<uint8_t>(data.size());
  for (int i = 0; i < 8; ++i) out[12 + i] = static_cast<uint8_t>(context >> (8 * i));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

TEST(ListIdentityReply, DecodesTheDevice) {
  const Bytes reply = listIdentityReply(0x1122334455667788u, "Bridge");
  zoltc_logix_device device;
  ASSERT_EQ(zoltc_logix_list_identity_decode(reply.data(), static_cast<uint32_t>(reply.size()),
                                             0x1122334455667788u, &device),
            ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(device.ipv4, 0x0A000007u);
  EXPECT_EQ(device.port, 44818);
  EXPECT_EQ(device.identity.vendor_id, 1187);
  EXPECT_EQ(device.identity.device_type, 12);
  EXPECT_EQ(device.identity.serial_number, 0x00E7B0A1u);
  EXPECT_STREQ(device.identity.product_name, "Bridge");
  EXPECT_EQ(device.state, 3);
  zoltc_logix_identity_clear(&device.identity);
}

// Every cut of a valid reply, a reply to another request, a refusal: skipped, never trusted.
TEST(ListIdentityReply, MalformedRepliesAreRefused) {
  const Bytes reply = listIdentityReply(7, "Bridge", false);
  zoltc_logix_device device;
  for (size_t cut = 0; cut < reply.size(); ++cut) {
    Bytes shorter(reply.begin(), reply.begin() + static_cast<long>(cut));
    shorter.resize(std::max<size_t>(shorter.size(), 4));
    if (shorter.size() >= 4) shorter[2] = static_cast<uint8_t>(cut > 24 ? cut - 24 : 0);
    EXPECT_EQ(zoltc_logix_list_identity_decode(shorter.data(), static_cast<uint32_t>(cut), 7, &device),
              ZOLTC_LOGIX_STATUS_BAD_REPLY)
        << cut;
    EXPECT_EQ(device.identity.product_name, nullptr);
  }
  EXPECT_EQ(zoltc_logix_list_identity_decode(reply.data(), static_cast<uint32_t>(reply.size()), 8, &device),
            ZOLTC_LOGIX_STATUS_BAD_REPLY);
  Bytes refused = reply;
  refused[8] = 1;
  EXPECT_EQ(zoltc_logix_list_identity_decode(refused.data(), static_cast<uint32_t>(refused.size()), 7, &device),
            ZOLTC_LOGIX_STATUS_BAD_REPLY);
  ASSERT_EQ(zoltc_logix_list_identity_decode(reply.data(), static_cast<uint32_t>(reply.size()), 7, &device),
            ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(device.state, 0xFF);  // no state byte after the name
  zoltc_logix_identity_clear(&device.identity);
}

}  // namespace
