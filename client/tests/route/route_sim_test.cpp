// Routed requests and unicast discovery against the simulator's chassis over loopback.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bytes.hpp"
#include "chassis.hpp"
#include "records.hpp"
#include "simulator.hpp"

namespace {

using namespace quillon::testing;
using quillon::sim::RequestRecord;

class Chassis : public SimulatorTest {
 protected:
  quillon::sim::Controller makeController() const override { return chassisController(); }
  zoltc_logix_result connectAlong(const char* route) {
    const zoltc_logix_result set = zoltc_logix_set_route(client(), route, nullptr, 0);
    return set != ZOLTC_LOGIX_OK ? set : connect();
  }
  std::vector<std::string> tagNames(zoltc_logix_result expected = ZOLTC_LOGIX_OK) {
    zoltc_logix_tag_info_list list{};
    EXPECT_EQ(zoltc_logix_list_tags(client(), &list), expected);
    const std::vector<std::string> out = names(list);
    zoltc_logix_tag_info_list_free(&list);
    return out;
  }
};

// The module answers ListIdentity at its address. Each slot is its own controller; every request
// travels inside an Unconnected Send to the Connection Manager, and batches leave room for it: 30
// reads of 18 bytes, 27 fit a direct packet, 26 one routed along "1,2". Without a route the
// module answers, with no tags, and nothing is embedded.
TEST_F(Chassis, ListIdentityAndEachSlotIsItsOwnController) {
  QUILLON_SKIP_WHEN_CONNECTED();
  zoltc_logix_device_list list{};
  ASSERT_EQ(zoltc_logix_discover("127.0.0.1", port(), false, 5000, &list), ZOLTC_LOGIX_OK);
  ASSERT_EQ(std::tuple(list.count, list.skipped), std::tuple(1u, 0u));
  EXPECT_STREQ(list.devices[0].identity.product_name, kModuleName);
  EXPECT_EQ(std::tuple(list.devices[0].identity.device_type, list.devices[0].sender_ipv4, list.devices[0].sender_port, list.devices[0].port),
            std::tuple(12, 0x7F000001u, port(), port()));
  zoltc_logix_device_list_free(&list);
  clearRecords();
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), kModuleName);
  EXPECT_TRUE(tagNames(ZOLTC_LOGIX_ERR_CIP_STATUS).empty());
  for (const RequestRecord& record : records(true)) EXPECT_FALSE(record.embedded);
  ASSERT_EQ(connectAlong("1,0"), ZOLTC_LOGIX_OK);
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), kSlot0Name);
  EXPECT_EQ(tagNames(), std::vector<std::string>{"Pressure"});
  ASSERT_EQ(connectAlong(" 1 , 2 "), ZOLTC_LOGIX_OK);
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), kSlot2Name);
  const std::vector<std::string> names = tagNames();
  ASSERT_EQ(names.size(), 30u);
  clearRecords();
  std::vector<zoltc_logix_read_item> items;
  for (const std::string& name : names) items.push_back({name.c_str(), 0xFF, 0, {}, false, 0, 0});
  ASSERT_EQ(zoltc_logix_read_tags(client(), items.data(), 30), ZOLTC_LOGIX_OK);
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(std::tuple(items[i].status, items[i].value[0]), std::tuple(ZOLTC_LOGIX_OK, i + 1)) << names[i];
  }
  std::vector<size_t> perPacket;
  for (const RequestRecord& record : records(true)) {
    if (!record.embedded && record.service != 0) {  // an earlier session's UnRegisterSession may come late
      EXPECT_EQ(record.path, "class 0x06 instance 1");
    }
    if (record.service == 0x0A) perPacket.push_back(0);
    if (record.service == 0x4C && !perPacket.empty()) ++perPacket.back();
  }
  EXPECT_EQ(perPacket, (std::vector<size_t>{26, 4}));
}

// Connected, the connection path carries the route: requests on the connection need no
// Unconnected Send. A bad route text keeps the route that works; a refusal along the route is a
// route failure (its words: route_test.cpp) and the session stays.
TEST_F(Chassis, RoutesAndRefusalsAlongThem) {
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  ASSERT_EQ(zoltc_logix_set_route(client(), "1,2", nullptr, 0), ZOLTC_LOGIX_OK);
  EXPECT_EQ(zoltc_logix_set_route(client(), "1,0,9", nullptr, 0), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(tagNames().size(), 30u);
  const RequestRecord last = records().back();
  EXPECT_EQ(std::tuple(last.command, last.cipConnectionId != 0), testMessagingConnected() ? std::tuple(0x70, true) : std::tuple(0x6F, false));
  ASSERT_EQ(zoltc_logix_set_route(client(), "1,2,1,0", nullptr, 0), ZOLTC_LOGIX_OK);
  EXPECT_TRUE(tagNames(ZOLTC_LOGIX_ERR_ROUTE_FAILED).empty());
  EXPECT_EQ(zoltc_logix_get_route_failure(client())->general_status, 0x01);
  ASSERT_EQ(zoltc_logix_set_route(client(), "1,2", nullptr, 0), ZOLTC_LOGIX_OK);
  EXPECT_EQ(tagNames().size(), 30u);
}

}  // namespace
