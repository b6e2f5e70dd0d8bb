// Allocation failures on every path of a connect and a request: each run
// returns the no-memory code, leaves its outputs empty and leaks nothing.
#include <gtest/gtest.h>

#include "simulator.hpp"
#include "test_allocator.hpp"
#include "zoltc_logix.h"

namespace {

using quillon::testing::TestAllocator;

const uint8_t kIdentityPath[] = {0x20, 0x01, 0x24, 0x01};
const zoltc_logix_cip_request kIdentityRequest{0x01, kIdentityPath, 4, nullptr, 0};

// The fixture's own handle is left alone: these tests make theirs under the
// test allocator.
class AllocationFailureTest : public quillon::testing::SimulatorTest {};

TEST_F(AllocationFailureTest, CreateConnectAndRequest) {
  TestAllocator allocator;
  const uint64_t failures = quillon::testing::sweepAllocationFailures(allocator, [&] {
    zoltc_logix_client* client = zoltc_logix_client_create();
    if (client == nullptr) {
      EXPECT_TRUE(allocator.injected());
      return;
    }
    const zoltc_logix_result connected = zoltc_logix_connect(client, "127.0.0.1", port(), 3000);
    if (allocator.injected()) {
      EXPECT_EQ(connected, ZOLTC_LOGIX_ERR_NO_MEMORY);
      EXPECT_EQ(zoltc_logix_get_product_name(client), nullptr);
    } else {
      ASSERT_EQ(connected, ZOLTC_LOGIX_OK);
      EXPECT_STREQ(zoltc_logix_get_product_name(client), quillon::testing::kTestProductName);
      zoltc_logix_cip_response response{};
      const zoltc_logix_result requested =
          zoltc_logix_send_request(client, &kIdentityRequest, &response);
      if (allocator.injected()) {
        EXPECT_EQ(requested, ZOLTC_LOGIX_ERR_NO_MEMORY);
        EXPECT_EQ(response.data.data, nullptr);
        EXPECT_EQ(response.additional_status.data, nullptr);
        EXPECT_EQ(response.general_status, 0);
      } else {
        EXPECT_EQ(requested, ZOLTC_LOGIX_OK);
        EXPECT_GT(response.data.length, 15u);
      }
      zoltc_logix_cip_response_free(&response);
    }
    zoltc_logix_client_destroy(client);
  });
  // Every allocation of the two operations was failed once.
  EXPECT_GE(failures, 10u);
}

// A connect that fails for memory on a connected handle leaves it closed but
// keeps the earlier product name.
TEST_F(AllocationFailureTest, FailedReconnectKeepsTheEarlierProductName) {
  TestAllocator allocator;
  bool failing = true;
  for (uint64_t n = 1; failing && n < 200; ++n) {
    SCOPED_TRACE(n);
    allocator.failAt(0);
    zoltc_logix_client* client = zoltc_logix_client_create();
    ASSERT_NE(client, nullptr);
    ASSERT_EQ(zoltc_logix_connect(client, "127.0.0.1", port(), 3000), ZOLTC_LOGIX_OK);
    allocator.failAt(n);
    const zoltc_logix_result connected = zoltc_logix_connect(client, "127.0.0.1", port(), 3000);
    failing = allocator.injected();
    allocator.failAt(0);
    zoltc_logix_cip_response response{};
    if (failing) {
      EXPECT_EQ(connected, ZOLTC_LOGIX_ERR_NO_MEMORY);
      EXPECT_EQ(zoltc_logix_send_request(client, &kIdentityRequest, &response),
                ZOLTC_LOGIX_ERR_NOT_CONNECTED);
    } else {
      EXPECT_EQ(connected, ZOLTC_LOGIX_OK);
      EXPECT_EQ(zoltc_logix_send_request(client, &kIdentityRequest, &response), ZOLTC_LOGIX_OK);
    }
    zoltc_logix_cip_response_free(&response);
    EXPECT_STREQ(zoltc_logix_get_product_name(client), quillon::testing::kTestProductName);
    zoltc_logix_client_destroy(client);
    EXPECT_EQ(allocator.liveBlocks(), 0u);
  }
  EXPECT_FALSE(failing);
}

}  // namespace
