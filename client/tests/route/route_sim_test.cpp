// Routed requests and unicast discovery against the simulator's chassis over loopback.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "chassis.hpp"
#include "label_name.hpp"
#include "simulator.hpp"
#include "test_allocator.hpp"

namespace {

using quillon::testing::kModuleName;

class Chassis : public quillon::testing::SimulatorTest {
 protected:
  quillon::sim::Controller makeController() const override { return quillon::testing::chassisController(); }

  zoltc_logix_result connectAlong(const char* route) {
    char message[160];
    const zoltc_logix_result set = zoltc_logix_set_route(client(), route, message, sizeof message);
    return set != ZOLTC_LOGIX_OK ? set : connect();
  }

  std::set<std::string> tagNames() {
    zoltc_logix_tag_info_list list{};
    EXPECT_EQ(zoltc_logix_list_tags(client(), &list), ZOLTC_LOGIX_OK);
    std::set<std::string> names;
    for (uint32_t i = 0; i < list.count; ++i) names.insert(list.items[i].name);
    zoltc_logix_tag_info_list_free(&list);
    return names;
  }

  std::string failureText() {
    char text[160];
    zoltc_logix_describe_route_failure(client(), text, sizeof text);
    return text;
  }
};

TEST_F(Chassis, EachSlotIsItsOwnController) {
  QUILLON_SKIP_WHEN_CONNECTED();
  ASSERT_EQ(connectAlong("1,0"), ZOLTC_LOGIX_OK);
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), quillon::testing::kSlot0Name);
  EXPECT_EQ(tagNames(), std::set<std::string>{"Pressure"});
  zoltc_logix_read_item pressure{"Pressure", 0xFF, 0, {}, false, 0, 0};
  ASSERT_EQ(zoltc_logix_read_tags(client(), &pressure, 1), ZOLTC_LOGIX_OK);
  EXPECT_EQ(pressure.status, ZOLTC_LOGIX_OK);
  EXPECT_EQ(pressure.type, ZOLTC_LOGIX_TYPE_REAL);

  ASSERT_EQ(connectAlong(" 1 , 2 "), ZOLTC_LOGIX_OK);
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), quillon::testing::kSlot2Name);
  const std::set<std::string> names = tagNames();
  EXPECT_EQ(names.size(), 30u);
  EXPECT_EQ(names.count("Pressure"), 0u);

  // Every request went inside an Unconnected Send to the Connection Manager.
  for (const quillon::sim::RequestRecord& record : records()) {
    if (record.service != 0) {
      EXPECT_EQ(record.path, "class 0x06 instance 1") << int(record.service);
    }
  }
}

// 30 reads of 18 bytes each: 27 fit a direct packet, 26 one routed along "1,2".
TEST_F(Chassis, BatchesLeaveRoomForTheUnconnectedSend) {
  QUILLON_SKIP_WHEN_CONNECTED();
  ASSERT_EQ(connectAlong("1,2"), ZOLTC_LOGIX_OK);
  std::vector<std::string> names;
  for (int i = 1; i <= 30; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "Value_%04d", i);
    names.push_back(name);
  }
  std::vector<zoltc_logix_read_item> items;
  for (const std::string& name : names) items.push_back({name.c_str(), 0xFF, 0, {}, false, 0, 0});
  ASSERT_EQ(zoltc_logix_read_tags(client(), items.data(), 30), ZOLTC_LOGIX_OK);
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].status, ZOLTC_LOGIX_OK) << names[i];
    EXPECT_EQ(items[i].value[0], i + 1) << names[i];
  }
  std::vector<size_t> perPacket;
  for (const quillon::sim::RequestRecord& record : records(true)) {
    if (record.service == 0x0A) perPacket.push_back(0);
    if (record.service == 0x4C && !perPacket.empty()) ++perPacket.back();
  }
  EXPECT_EQ(perPacket, (std::vector<size_t>{26, 4}));
}

TEST_F(Chassis, WithoutARouteTheModuleAnswersAndHasNoTags) {
  QUILLON_SKIP_WHEN_CONNECTED();
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  EXPECT_STREQ(zoltc_logix_get_product_name(client()), kModuleName);
  EXPECT_EQ(zoltc_logix_get_identity(client())->device_type, 12);
  zoltc_logix_tag_info_list list{};
  EXPECT_EQ(zoltc_logix_list_tags(client(), &list), ZOLTC_LOGIX_ERR_CIP_STATUS);
  // Exactly the requests of a handle that never heard of routes: nothing embedded.
  for (const quillon::sim::RequestRecord& record : records(true)) {
    EXPECT_FALSE(record.embedded);
    EXPECT_NE(record.path, "class 0x06 instance 1");
  }
}

struct RefusalCase {
  const char* label;
  const char* route;
  const char* text;
};

class Refusals : public Chassis, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusals, AreRouteFailuresInWordsAndTheSessionStays) {
  ASSERT_EQ(connect(), ZOLTC_LOGIX_OK);
  ASSERT_EQ(zoltc_logix_set_route(client(), GetParam().route, nullptr, 0), ZOLTC_LOGIX_OK);
  zoltc_logix_tag_info_list list{};
  EXPECT_EQ(zoltc_logix_list_tags(client(), &list), ZOLTC_LOGIX_ERR_ROUTE_FAILED);
  EXPECT_EQ(failureText(), GetParam().text);
  EXPECT_EQ(zoltc_logix_get_route_failure(client())->general_status, 0x01);

  ASSERT_EQ(zoltc_logix_set_route(client(), "1,0", nullptr, 0), ZOLTC_LOGIX_OK);
  EXPECT_EQ(tagNames(), std::set<std::string>{"Pressure"});
}

INSTANTIATE_TEST_SUITE_P(
    Routes, Refusals,
    ::testing::Values(RefusalCase{"EmptySlot", "1,3", "no module answers at slot 3 (no such link address)"},
                      RefusalCase{"NoSuchPort", "3,0", "there is no port 3 at hop 1 of the route"},
                      RefusalCase{"PastTheController", "1,2,1,0",
                                  "no module answers at slot 0, hop 2 of the route (no such link address)"}),
    quillon::testing::LabelName{});

TEST_F(Chassis, ABadRouteTextKeepsTheRouteThatWorks) {
  ASSERT_EQ(connectAlong("1,2"), ZOLTC_LOGIX_OK);
  char message[160];
  EXPECT_EQ(zoltc_logix_set_route(client(), "1,0,9", message, sizeof message), ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
  EXPECT_STREQ(message, "port 9 (item 3) has no link after it: items come in pairs");
  EXPECT_EQ(tagNames().size(), 30u);
}

// Every allocation of setting a route, a routed connect and a routed discovery fails
// once: the no-memory code each time, nothing leaked, the handle's route unharmed.
TEST_F(Chassis, AllocationFailuresAlongTheRoute) {
  quillon::testing::TestAllocator allocator;
  const uint64_t failures = quillon::testing::sweepAllocationFailures(allocator, [&] {
    zoltc_logix_client* routed = zoltc_logix_client_create();
    if (routed == nullptr) return;
    zoltc_logix_result result = zoltc_logix_set_route(routed, "1,2", nullptr, 0);
    if (result == ZOLTC_LOGIX_OK) result = zoltc_logix_connect(routed, "127.0.0.1", port(), kTimeoutMs);
    if (allocator.injected()) {
      EXPECT_EQ(result, ZOLTC_LOGIX_ERR_NO_MEMORY);
    } else {
      EXPECT_EQ(result, ZOLTC_LOGIX_OK);
      EXPECT_STREQ(zoltc_logix_get_product_name(routed), quillon::testing::kSlot2Name);
    }
    zoltc_logix_client_destroy(routed);
    zoltc_logix_device_list list{};
    result = zoltc_logix_discover("127.0.0.1", port(), false, 5000, &list);
    if (result == ZOLTC_LOGIX_OK) {
      EXPECT_EQ(list.count, 1u);
    } else {
      EXPECT_EQ(result, ZOLTC_LOGIX_ERR_NO_MEMORY);
      EXPECT_EQ(list.devices, nullptr);
    }
    zoltc_logix_device_list_free(&list);
  });
  EXPECT_GE(failures, 5u);
}

TEST_F(Chassis, ListIdentityFromOneAddress) {
  zoltc_logix_device_list list{};
  ASSERT_EQ(zoltc_logix_discover("127.0.0.1", port(), false, 5000, &list), ZOLTC_LOGIX_OK);
  ASSERT_EQ(list.count, 1u);
  EXPECT_EQ(list.skipped, 0u);
  const zoltc_logix_device& device = list.devices[0];
  EXPECT_STREQ(device.identity.product_name, kModuleName);
  EXPECT_EQ(device.identity.device_type, 12);
  EXPECT_EQ(device.sender_ipv4, 0x7F000001u);
  EXPECT_EQ(device.sender_port, port());
  EXPECT_EQ(device.port, port());
  zoltc_logix_device_list_free(&list);
  EXPECT_EQ(list.devices, nullptr);
}

}  // namespace
