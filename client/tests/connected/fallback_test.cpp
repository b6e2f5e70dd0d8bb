// Connected messaging against the simulator, checked on the wire: what connect negotiates, the
// fallbacks (opens refused, connections dropped), and the checks on replies that are not ours.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include "connected.h"
}
#include "bytes.hpp"
#include "simulator.hpp"

namespace {

using namespace quillon::testing;
using quillon::sim::Options;
using quillon::sim::RequestRecord;

constexpr const char* kController = R"({"identity": {"productName": "Connected"},
  "types": [{"name": "Motor", "members": [{"name": "Speed", "type": "REAL"}, {"name": "On", "type": "BOOL"}]},
            {"name": "Valve", "members": [{"name": "Open", "type": "BOOL"}, {"name": "Count", "type": "DINT"}]}],
  "tags": [{"name": "A", "type": "DINT", "value": 1}, {"name": "B", "type": "DINT", "value": 2},
           {"name": "M1", "type": "Motor"}, {"name": "V1", "type": "Valve"}, {"name": "C", "type": "DINT", "value": 3}]})";

class ConnectedTest : public SimulatorTest {
 protected:
  quillon::sim::Controller makeController() const override { return quillon::sim::parseController(kController); }

  zoltc_logix_result connectIn(zoltc_logix_messaging mode) {
    EXPECT_EQ(zoltc_logix_set_messaging(client(), mode), ZOLTC_LOGIX_OK);
    return connect();
  }
  zoltc_logix_result readA() {
    zoltc_logix_read_item item{};
    item.tag_name = "A";
    zoltc_logix_result result = zoltc_logix_read_tags(client(), &item, 1);
    EXPECT_EQ(item.status, result);
    return result;
  }
  // The exchanges from record `from` on, as "command/service/status" words: "6F/5B/08" is a
  // Large Forward Open refused, "70/4C/00" a Read Tag answered on the connection.
  std::vector<std::string> wireFrom(size_t from) {
    std::vector<std::string> out;
    const std::vector<RequestRecord> all = records();
    for (size_t i = from; i < all.size(); ++i) {
      char word[16];
      std::snprintf(word, sizeof word, "%02X/%02X/%02X", all[i].command, all[i].service, all[i].generalStatus);
      out.emplace_back(word);
    }
    return out;
  }
};

struct OpenCase {
  const char* label;
  zoltc_logix_messaging mode;
  std::function<void(Options&)> knobs;
  zoltc_logix_result connected;
  zoltc_logix_messaging negotiated;
  uint16_t packetSize;
  std::vector<std::string> opens;  // the wire after the identity read
};

class OpenTest : public ConnectedTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenTest, NegotiatesAsTheControllerAllows) {
  const OpenCase& c = GetParam();
  setOptions(c.knobs);
  ASSERT_EQ(connectIn(c.mode), c.connected);
  const zoltc_logix_messaging_state* state = zoltc_logix_get_messaging(client());
  EXPECT_EQ(std::tuple(state->mode, state->packet_size, state->fell_back), std::tuple(c.negotiated, c.packetSize, false));
  // A connect that fails for want of a connection gives the handle no product name.
  EXPECT_EQ(zoltc_logix_get_product_name(client()) != nullptr, c.connected == ZOLTC_LOGIX_OK);
  if (c.connected != ZOLTC_LOGIX_OK) {
    // A failed connect closes the session; its UnRegisterSession is not answered.
    EXPECT_TRUE(waitForRecord([](const RequestRecord& r) { return r.command == 0x66; }));
  }
  EXPECT_EQ(wireFrom(2), c.opens);  // after RegisterSession and the identity read
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenTest,
    ::testing::Values(
        OpenCase{"LargeAccepted", ZOLTC_LOGIX_MESSAGING_AUTO, [](Options&) {}, ZOLTC_LOGIX_OK,
                 ZOLTC_LOGIX_MESSAGING_CONNECTED, 4002, {"6F/5B/00"}},
        OpenCase{"LargeRefused", ZOLTC_LOGIX_MESSAGING_AUTO, [](Options& o) { o.refuseLargeForwardOpen = true; },
                 ZOLTC_LOGIX_OK, ZOLTC_LOGIX_MESSAGING_CONNECTED, 504, {"6F/5B/08", "6F/54/00"}},
        OpenCase{"SizeOfferedSmall", ZOLTC_LOGIX_MESSAGING_AUTO, [](Options& o) { o.maxConnectionSize = 400; },
                 ZOLTC_LOGIX_OK, ZOLTC_LOGIX_MESSAGING_CONNECTED, 400, {"6F/5B/01", "6F/54/00"}},
        OpenCase{"SizeOfferedLarge", ZOLTC_LOGIX_MESSAGING_CONNECTED, [](Options& o) { o.maxConnectionSize = 1400; },
                 ZOLTC_LOGIX_OK, ZOLTC_LOGIX_MESSAGING_CONNECTED, 1400, {"6F/5B/01", "6F/5B/00"}},
        OpenCase{"AllRefusedAutoGoesUnconnected", ZOLTC_LOGIX_MESSAGING_AUTO,
                 [](Options& o) { o.refuseForwardOpen = true; }, ZOLTC_LOGIX_OK, ZOLTC_LOGIX_MESSAGING_UNCONNECTED,
                 504, {"6F/5B/08", "6F/54/08"}},
        OpenCase{"AllRefusedConnectedOnlyFails", ZOLTC_LOGIX_MESSAGING_CONNECTED,
                 [](Options& o) { o.refuseForwardOpen = true; }, ZOLTC_LOGIX_ERR_NO_CONNECTION,
                 ZOLTC_LOGIX_MESSAGING_UNCONNECTED, 504, {"6F/5B/08", "6F/54/08", "66/00/00"}}),
    LabelName{});

struct DropCase {
  const char* label;
  zoltc_logix_messaging mode;
  bool reopenRefused;
  zoltc_logix_result second;
  std::vector<std::string> secondWire;
  bool fellBack;
};

class DropTest : public ConnectedTest, public ::testing::WithParamInterface<DropCase> {};

// The controller forgets the connection after one request (as a program
// download does): the next read reopens it once, or goes unconnected.
TEST_P(DropTest, BetweenReads) {
  const DropCase& c = GetParam();
  ASSERT_EQ(connectIn(c.mode), ZOLTC_LOGIX_OK);
  setOptions([&](Options& o) { o.dropConnectionAfter = 1; });
  ASSERT_EQ(readA(), ZOLTC_LOGIX_OK);
  if (c.reopenRefused) setOptions([](Options& o) { o.refuseForwardOpen = true; o.refuseLargeForwardOpen = true; });
  const size_t before = records().size();
  EXPECT_EQ(readA(), c.second);
  EXPECT_EQ(wireFrom(before), c.secondWire);
  EXPECT_EQ(zoltc_logix_get_messaging(client())->fell_back, c.fellBack);
  if (!c.reopenRefused) return;
  // Tried again on a later read, not on every one: the 8th while refused, then the 16th.
  for (int count : {8, 16}) {
    if (count == 16) server().setOptions({});
    const size_t from = records().size();
    for (int i = 1; i <= count; ++i) EXPECT_EQ(readA(), i == count && count == 16 ? zoltc_logix_result{ZOLTC_LOGIX_OK} : c.second) << i;
    // One Forward Open, with the last read: only its own request (if any) comes after it.
    const std::vector<std::string> sent = wireFrom(from);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), count == 8 ? "6F/5B/08" : "6F/5B/00"), 1);
    EXPECT_EQ(sent[sent.size() - (c.mode == ZOLTC_LOGIX_MESSAGING_AUTO || count == 16 ? 2 : 1)], count == 8 ? "6F/5B/08" : "6F/5B/00");
  }
  EXPECT_FALSE(zoltc_logix_get_messaging(client())->fell_back);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DropTest,
    ::testing::Values(
        DropCase{"Reopened", ZOLTC_LOGIX_MESSAGING_AUTO, false, ZOLTC_LOGIX_OK,
                 {"70/00/00", "6F/5B/00", "70/4C/00"}, false},
        DropCase{"ReopenRefusedGoesUnconnected", ZOLTC_LOGIX_MESSAGING_AUTO, true, ZOLTC_LOGIX_OK,
                 {"70/00/00", "6F/5B/08", "6F/4C/00"}, true},
        DropCase{"ReopenRefusedConnectedOnlyFails", ZOLTC_LOGIX_MESSAGING_CONNECTED, true,
                 ZOLTC_LOGIX_ERR_NO_CONNECTION, {"70/00/00", "6F/5B/08"}, true}),
    LabelName{});

// Connected, the templates come in packets: their attribute requests in one, the whole templates
// in another, none one by one. Forward Close goes before UnRegisterSession; a controller that
// stalls holds a disconnect for the close's short wait only, not for the whole timeout.
TEST_F(ConnectedTest, BrowseBundlesTemplatesAndForwardCloseGoesFirst) {
  ASSERT_EQ(connectIn(ZOLTC_LOGIX_MESSAGING_CONNECTED), ZOLTC_LOGIX_OK);
  clearRecords();
  zoltc_logix_tag_info_list list{};
  ASSERT_EQ(zoltc_logix_list_tags(client(), &list), ZOLTC_LOGIX_OK);
  zoltc_logix_tag_info_list_free(&list);
  EXPECT_EQ(wireFrom(0), (std::vector<std::string>{"70/55/00", "70/0A/00", "70/0A/00"}));
  std::vector<RequestRecord> embedded = records(true);
  EXPECT_EQ(std::count_if(embedded.begin(), embedded.end(), [](const RequestRecord& r) { return r.service == 0x4C; }), 2);
  clearRecords();
  zoltc_logix_disconnect(client());
  ASSERT_TRUE(waitForRecord([](const RequestRecord& r) { return r.command == 0x66; }));
  EXPECT_EQ(wireFrom(0), (std::vector<std::string>{"6F/4E/00", "66/00/00"}));
  ASSERT_EQ(connect(10000), ZOLTC_LOGIX_OK);
  setOptions([](Options& o) { o.stall = true; });
  const auto start = std::chrono::steady_clock::now();
  zoltc_logix_disconnect(client());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
}

// Replies that are not ours: another connection's id, another sequence count, a list cut in its
// connected data item. The reply is for connection 0x11223344, sequence count 9.
struct UnwrapCase { const char* label; uint32_t toId; uint16_t sequence; size_t keep; zoltc_logix_status expected; };

class UnwrapTest : public ::testing::TestWithParam<UnwrapCase> {};

TEST_P(UnwrapTest, TakesOnlyOurReply) {
  const UnwrapCase& c = GetParam();
  const Bytes bytes = hex("00 00 00 00 00 00 02 00 A1 00 04 00 44 33 22 11 B1 00 06 00 09 00 CC 00 00 00");
  const uint8_t* reply = nullptr;
  uint32_t length = 0;
  EXPECT_EQ(zoltc_logix_unit_data_unwrap(bytes.data(), static_cast<uint32_t>(c.keep), c.toId, c.sequence, &reply, &length), c.expected);
  if (c.expected == ZOLTC_LOGIX_STATUS_OK) {
    EXPECT_EQ(std::tuple(length, reply[0]), std::tuple(4u, 0xCC));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, UnwrapTest,
                         ::testing::Values(UnwrapCase{"Ours", 0x11223344, 9, 26, ZOLTC_LOGIX_STATUS_OK},
                                           UnwrapCase{"AnotherConnection", 0x11223345, 9, 26, ZOLTC_LOGIX_STATUS_BAD_REPLY},
                                           UnwrapCase{"AnotherSequenceCount", 0x11223344, 8, 26, ZOLTC_LOGIX_STATUS_BAD_REPLY},
                                           UnwrapCase{"CutInTheDataItem", 0x11223344, 9, 21, ZOLTC_LOGIX_STATUS_BAD_REPLY}),
                         LabelName{});

}  // namespace
