// Route path texts, the Unconnected Send wrapper, routing failures in words, and the decoder of
// ListIdentity replies.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "bytes.hpp"
#include "cip.h"
#include "discover.h"
#include "identity.h"
#include "route.h"
extern "C" {
#include "client.h"  // without C++ guards
}

namespace {

using namespace quillon::testing;

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
  uint8_t stale = 0;
  zoltc_logix_buffer out{&stale, 1};
  char message[160];
  EXPECT_EQ(zoltc_logix_parse_route(c.text.c_str(), &out, message, sizeof message), c.result);
  EXPECT_EQ(bytesOf(out), c.encoded);
  EXPECT_NE(out.data, &stale);
  EXPECT_NE(std::string(message).find(c.message), std::string::npos) << message;
  if (c.result == ZOLTC_LOGIX_OK) {
    EXPECT_STREQ(message, "");
  }
  zoltc_logix_buffer_free(&out);
}

const std::string kTooLong = [] {
  std::string text = "1,0";
  for (int i = 0; i < 64; ++i) text += ",1,0";
  return text;
}();
constexpr zoltc_logix_result kInvalid = ZOLTC_LOGIX_ERR_INVALID_ARGUMENT;

INSTANTIATE_TEST_SUITE_P(
    Texts, RouteText,
    ::testing::Values(
        TextCase{"EmptyIsDirect", "  ", ZOLTC_LOGIX_OK, {}, ""},
        TextCase{"Port14InTheSegment", "14,255", ZOLTC_LOGIX_OK, hex("0E FF"), ""},
        TextCase{"Port15Extended", "15,3", ZOLTC_LOGIX_OK, hex("0F 0F 00 03"), ""},
        TextCase{"OddAddressPadded", "2,10.0.0.7", ZOLTC_LOGIX_OK, join({hex("12 08"), text("10.0.0.7")}), ""},
        TextCase{"EvenAddressUnpadded", "2,10.0.0.17", ZOLTC_LOGIX_OK, join({hex("12 09"), text("10.0.0.17"), hex("00")}), ""},
        TextCase{"ExtendedPortAndAddress", "300,1.2.3.4", ZOLTC_LOGIX_OK, join({hex("1F 07 2C 01"), text("1.2.3.4"), hex("00")}), ""},
        TextCase{"ThreeHops", "1,0,2,10.0.0.7,1,2", ZOLTC_LOGIX_OK, join({hex("01 00 12 08"), text("10.0.0.7"), hex("01 02")}), ""},
        TextCase{"EmptyHop", "1,,0", kInvalid, {}, "item 2 is empty"},
        TextCase{"PortZero", "0,1", kInvalid, {}, "no port 0"},
        TextCase{"PortTooLarge", "65536,1", kInvalid, {}, "not a port number"},
        TextCase{"OddCount", "1,0,9", kInvalid, {}, "port 9 (item 3) has no link after it: items come in pairs"},
        TextCase{"LinkAbove255", "1,256", kInvalid, {}, "link 256 is above 255"},
        TextCase{"BadAddress", "2,10.0.0.256", kInvalid, {}, "neither a link"},
        TextCase{"TooLong", kTooLong, ZOLTC_LOGIX_ERR_TOO_LARGE, {}, "longer than 128 bytes"}),
    LabelName{});

// Three quarters of the wait in the finest tick; the request padded, then the route.
TEST(RouteWrap, UnconnectedSendCarriesTheRequestPaddedWithTheRoute) {
  for (auto [timeoutMs, tick, ticks] : {std::tuple(0u, 0, 1), {100u, 0, 75}, {10000u, 5, 235}, {0xFFFFFFFFu, 15, 255}}) {
    uint8_t gotTick = 0xEE, gotTicks = 0xEE;
    zoltc_logix_route_timeout(timeoutMs, &gotTick, &gotTicks);
    EXPECT_EQ(std::tuple(gotTick, gotTicks), std::tuple(tick, ticks)) << timeoutMs;
  }
  zoltc_logix_route route{};
  ASSERT_EQ(zoltc_logix_parse_route("1,2", &route.path, nullptr, 0), ZOLTC_LOGIX_OK);
  const Bytes request = hex("4C 02 91 01 41 00 01");  // 7 bytes: one pad
  zoltc_logix_buffer out{};
  ASSERT_EQ(zoltc_logix_route_wrap(&route, 100, request.data(), 7, &out), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(bytesOf(out), join({hex("52 02 20 06 24 01 00 4B 07 00"), request, hex("00 01 00 01 02")}));
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
  ASSERT_EQ(zoltc_logix_set_route(client, c.route, nullptr, 0), ZOLTC_LOGIX_OK);
  zoltc_logix_cip_response response{};
  ASSERT_EQ(zoltc_logix_cip_decode_response(c.reply.data(), static_cast<uint32_t>(c.reply.size()), &response), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(zoltc_logix_route_check_reply(&client->session->route, c.embeddedService, &response),
            c.failure ? ZOLTC_LOGIX_STATUS_ROUTE_FAILED : ZOLTC_LOGIX_STATUS_OK);
  char text[160];
  zoltc_logix_describe_route_failure(client, text, sizeof text);
  if (c.failure != nullptr) {
    EXPECT_STREQ(text, c.failure);
  }
  zoltc_logix_cip_response_free(&response);
  zoltc_logix_client_destroy(client);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, RouteReply,
    ::testing::Values(
        ReplyCase{"TargetReply", "1,3", 0x01, hex("81 00 00 00 01 02"), nullptr},
        ReplyCase{"FragmentFromTarget", "1,3", 0x52, hex("D2 00 05 00"), nullptr},
        ReplyCase{"EmptySlot", "1,3", 0x4C, hex("D2 00 01 01 12 03 01"), "no module answers at slot 3 (no such link address)"},
        ReplyCase{"FragmentedReadNotRouted", "1,3", 0x52, hex("D2 00 01 01 12 03 01"),
                  "no module answers at slot 3 (no such link address)"},
        ReplyCase{"NoPort", "5,0", 0x01, hex("D2 00 01 01 11 03 01"), "there is no port 5 at hop 1 of the route"},
        ReplyCase{"SecondHopAddress", "1,1,2,10.0.0.7", 0x01, hex("D2 00 01 01 12 03 05"),
                  "no module answers at address 10.0.0.7 on port 2, hop 2 of the route (no such link address)"},
        ReplyCase{"RemainingBeyondTheRoute", "1,3", 0x01, hex("D2 00 01 01 12 03 09"),
                  "no module answers along the route (no such link address)"},
        ReplyCase{"BadSegmentWithoutRemaining", "1,3", 0x01, hex("D2 00 01 01 15 03"), "the route is not valid along the route"},
        ReplyCase{"OtherStatus", "1,3", 0x01, hex("D2 00 08 00"),
                  "a module along the route refused the request (general status 0x08)"}),
    LabelName{});

// Every cut of a valid reply, a reply to another request, a refusal: skipped, never trusted.
TEST(ListIdentityReply, DecodesTheDeviceAndRefusesMalformedReplies) {
  // One CIP Identity item for "Bridge" without its state byte, sender context kContext.
  constexpr uint64_t kContext = 0x1122334455667788u;
  const Bytes stateless = join({hex("63 00 2D 00"), Bytes(8, 0), hex("88 77 66 55 44 33 22 11 00 00 00 00 01 00 0C 00 27 00"),
                                hex("01 00 00 02 AF 12 0A 00 00 07 00 00 00 00 00 00 00 00 A3 04 0C 00 A6 00 0B 02 30 00 A1 B0 E7 00 06"),
                                text("Bridge")});
  Bytes reply = join({stateless, Bytes{3}});
  reply[2] = 0x2E;   // the encapsulation length
  reply[28] = 0x28;  // the item length
  zoltc_logix_device device;
  ASSERT_EQ(zoltc_logix_list_identity_decode(reply.data(), static_cast<uint32_t>(reply.size()), kContext, &device), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(std::tuple(device.ipv4, device.port, device.state), std::tuple(0x0A000007u, 44818, 3));
  EXPECT_EQ(std::tuple(device.identity.vendor_id, device.identity.device_type, device.identity.serial_number),
            std::tuple(1187, 12, 0x00E7B0A1u));
  EXPECT_STREQ(device.identity.product_name, "Bridge");
  zoltc_logix_identity_clear(&device.identity);
  for (size_t cut = 0; cut < stateless.size(); ++cut) {
    Bytes shorter(stateless.begin(), stateless.begin() + static_cast<long>(cut));
    shorter.resize(std::max<size_t>(shorter.size(), 4));
    shorter[2] = static_cast<uint8_t>(cut > 24 ? cut - 24 : 0);
    EXPECT_EQ(zoltc_logix_list_identity_decode(shorter.data(), static_cast<uint32_t>(cut), kContext, &device), ZOLTC_LOGIX_STATUS_BAD_REPLY) << cut;
    EXPECT_EQ(device.identity.product_name, nullptr);
  }
  EXPECT_EQ(zoltc_logix_list_identity_decode(stateless.data(), static_cast<uint32_t>(stateless.size()), kContext >> 8, &device),
            ZOLTC_LOGIX_STATUS_BAD_REPLY);  // another request's
  Bytes refused = stateless;
  refused[8] = 1;
  EXPECT_EQ(zoltc_logix_list_identity_decode(refused.data(), static_cast<uint32_t>(refused.size()), kContext, &device), ZOLTC_LOGIX_STATUS_BAD_REPLY);
  ASSERT_EQ(zoltc_logix_list_identity_decode(stateless.data(), static_cast<uint32_t>(stateless.size()), kContext, &device), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(device.state, 0xFF);  // no state byte after the name
  zoltc_logix_identity_clear(&device.identity);
}

}  // namespace
