// One allocation-failure suite over the public entry points that talk to a controller: for n = 1, 2,
// ... a run creates a handle, connects and makes the call with the n-th allocation failing, until a
// run meets no failure. Every run that met one gives no-memory, leaves outputs empty, leaks nothing.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "bytes.hpp"
#include "chassis.hpp"
#include "identity.h"
#include "simulator.hpp"
#include "test_allocator.hpp"

namespace {

using namespace quillon::testing;
using quillon::sim::Options;

constexpr const char* kPlant = R"({
  "types": [
    {"name": "Valve", "members": [{"name": "Open", "type": "BOOL"}, {"name": "Label", "type": "STRING"}]},
    {"name": "Motor", "members": [{"name": "Running", "type": "BOOL"}, {"name": "History", "type": "REAL", "dim": 4},
      {"name": "Inlet", "type": "Valve"}, {"name": "Outlet", "type": "Valve"}]}],
  "tags": [{"name": "Counter", "type": "DINT", "value": 1}, {"name": "Pump", "type": "Motor"},
    {"name": "Pumps", "type": "Motor", "dims": [2]}, {"name": "__CONTAINER", "type": "DINT"},
    {"name": "Title", "type": "STRING", "value": "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz"}],
  "programs": [{"name": "MainProgram", "tags": [{"name": "Local", "type": "Valve"}, {"name": "Step", "type": "DINT"}]}]})";

// A controller: the chassis or the plant. After a connect that succeeded: the call on the server's
// port, its outputs checked, the result (no-memory when any part of it met the failure).
struct Case { const char* label; bool chassis; std::function<void(Options&)> knobs;
              std::function<zoltc_logix_result(zoltc_logix_client*, uint16_t)> call; uint64_t leastFailures; };

class AllocationFailure : public quillon::sim::test::ServerTest, public ::testing::WithParamInterface<Case> {
 protected:
  quillon::sim::Controller makeController() const override {
    return GetParam().chassis ? chassisController() : quillon::sim::parseController(kPlant);
  }
  quillon::sim::Options makeOptions() const override {
    Options options;
    if (GetParam().knobs) GetParam().knobs(options);
    return options;
  }
};

TEST_P(AllocationFailure, IsReportedAndLeavesNothingBehind) {
  // Connected, a reroute first closes the connection; that Forward Close is best effort, and
  // an allocation failure in it is not the call's.
  if (std::string(GetParam().label) == "RoutedConnect") {
    QUILLON_SKIP_SECOND_PASS();
  }
  TestAllocator allocator;
  uint64_t n = 1;
  bool failing = true;
  for (; failing && n < 100000; ++n) {
    allocator.failAt(n);
    zoltc_logix_client* client = zoltc_logix_client_create();
    EXPECT_TRUE(client != nullptr || allocator.injected());
    if (client != nullptr) {
      applyTestMessaging(client);  // the second pass sweeps the connected code
      zoltc_logix_result result = zoltc_logix_connect(client, "127.0.0.1", port(), 5000);
      EXPECT_EQ(zoltc_logix_get_product_name(client) == nullptr, result != ZOLTC_LOGIX_OK);
      if (result == ZOLTC_LOGIX_OK) result = GetParam().call(client, port());
      EXPECT_EQ(result, allocator.injected() ? ZOLTC_LOGIX_ERR_NO_MEMORY : ZOLTC_LOGIX_OK) << "allocation " << n;
      zoltc_logix_client_destroy(client);
    }
    failing = allocator.injected();
    allocator.failAt(0);
    EXPECT_EQ(allocator.liveBlocks(), 0u) << "blocks left behind when allocation " << n << " failed";
  }
  EXPECT_FALSE(failing) << "no run got through";
  EXPECT_GE(n - 2, GetParam().leastFailures);  // the runs that met a failure
}

zoltc_logix_result request(zoltc_logix_client* client, uint16_t) {
  zoltc_logix_cip_response response{};
  const zoltc_logix_result result = zoltc_logix_send_request(client, zoltc_logix_identity_request(), &response);
  EXPECT_EQ(result == ZOLTC_LOGIX_OK, response.data.data != nullptr);
  EXPECT_EQ(response.additional_status.data, nullptr);
  zoltc_logix_cip_response_free(&response);
  return result;
}

zoltc_logix_result browse(zoltc_logix_client* client, const char* program) {
  zoltc_logix_tag_info_list list{};
  const zoltc_logix_result result =
      program ? zoltc_logix_list_program_tags(client, &list, program) : zoltc_logix_list_tags(client, &list);
  EXPECT_EQ(result == ZOLTC_LOGIX_OK, list.items != nullptr);
  EXPECT_EQ(result == ZOLTC_LOGIX_OK, list.types != nullptr);
  zoltc_logix_tag_info_list_free(&list);
  return result;
}

// Two batches, one item refused by its text: every item has its own outcome, its value or the
// failure; a path that could not be encoded fails its item alone, anything else the call.
zoltc_logix_result readTags(zoltc_logix_client* client, uint16_t) {
  std::vector<zoltc_logix_read_item> items(32, {"Counter", 0xEE, 0, {}, false, 0, 0});
  items[3].tag_name = "Bad[";
  const zoltc_logix_result result = zoltc_logix_read_tags(client, items.data(), 32);
  if (result == ZOLTC_LOGIX_ERR_NO_MEMORY && items[0].status == 0xEE) return result;  // nothing touched
  int failed = 0;
  for (size_t k = 0; k < items.size(); ++k) {
    const int expected = k == 3 ? int{ZOLTC_LOGIX_ERR_INVALID_ARGUMENT}
                         : items[k].status == ZOLTC_LOGIX_OK ? int{ZOLTC_LOGIX_OK} : (++failed, int{ZOLTC_LOGIX_ERR_NO_MEMORY});
    EXPECT_EQ(items[k].status, expected) << k;
    EXPECT_EQ(items[k].value[0], expected == ZOLTC_LOGIX_OK ? 1 : 0) << k;
  }
  EXPECT_LE(failed, result == ZOLTC_LOGIX_OK ? 1 : 32);
  return failed > 0 ? zoltc_logix_result{ZOLTC_LOGIX_ERR_NO_MEMORY} : result;
}

zoltc_logix_result readString(zoltc_logix_client* client, uint16_t) {
  std::string buffer(96, 'Z');
  uint32_t length = 12345;
  const zoltc_logix_result result = zoltc_logix_read_string(client, "Title", buffer.data(), 96, &length);
  EXPECT_EQ(std::string(buffer.c_str()), result == ZOLTC_LOGIX_OK ? "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz" : "");
  return result;
}

zoltc_logix_result discover(zoltc_logix_client*, uint16_t port) {
  zoltc_logix_device_list list{};
  const zoltc_logix_result result = zoltc_logix_discover("127.0.0.1", port, false, 5000, &list);
  EXPECT_EQ(list.count, result == ZOLTC_LOGIX_OK ? 1u : 0u);
  EXPECT_EQ(result == ZOLTC_LOGIX_OK, list.devices != nullptr);
  zoltc_logix_device_list_free(&list);
  return result;
}

// A routed connect reconnects along the route set on the connected handle.
zoltc_logix_result routedConnect(zoltc_logix_client* client, uint16_t port) {
  zoltc_logix_result result = zoltc_logix_set_route(client, "1,2", nullptr, 0);
  if (result == ZOLTC_LOGIX_OK) result = zoltc_logix_connect(client, "127.0.0.1", port, 5000);
  if (result == ZOLTC_LOGIX_OK) {
    EXPECT_STREQ(zoltc_logix_get_product_name(client), kSlot2Name);
  }
  return result;
}

INSTANTIATE_TEST_SUITE_P(
    Calls, AllocationFailure,
    ::testing::Values(
        Case{"CreateConnectAndRequest", false, nullptr, request, 10},
        // Several pages, so that the record array grows, and templates in small pieces.
        Case{"BrowseController", false, [](Options& o) { o.symbolsPerPage = 2; o.templateBytesPerReply = 40; },
             [](zoltc_logix_client* c, uint16_t) { return browse(c, nullptr); }, 50},
        Case{"BrowseProgram", false, [](Options& o) { o.symbolsPerPage = 2; o.templateBytesPerReply = 40; },
             [](zoltc_logix_client* c, uint16_t) { return browse(c, "MainProgram"); }, 50},
        Case{"ReadTags", false, nullptr, readTags, 40},
        Case{"ReadString", false, [](Options& o) { o.fragmentBytes = 20; }, readString, 10},
        Case{"Discover", false, nullptr, discover, 3}, Case{"RoutedConnect", true, nullptr, routedConnect, 5}),
    LabelName{});

}  // namespace
