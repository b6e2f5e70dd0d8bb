// Allocation failure at every point of a batch read and of a string read: the
// failure is reported, nothing leaks, and the outputs are what the calls promise.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "read_fixture.hpp"
#include "test_allocator.hpp"

extern "C" {
#include "client.h"
}

namespace {

using quillon::testing::TestAllocator;
using readtest::itemsFor;
using readtest::ReadSimTest;
using readtest::sampleText;
using readtest::tagName;

// A handle of its own, allocated through the test table, so that its blocks
// are told apart from the read's: a registered handle holds `open` blocks, a
// closed one `closed`.
class ReadOomTest : public ReadSimTest {
 protected:
  void SetUp() override {
    ReadSimTest::SetUp();
    allocator_ = std::make_unique<TestAllocator>();
    handle_ = zoltc_logix_client_create();
    ASSERT_NE(handle_, nullptr);
    ASSERT_TRUE(reconnect());
    zoltc_logix_disconnect(handle_);
    closed_ = allocator_->liveBlocks();  // the product name stays
    ASSERT_TRUE(reconnect());
    open_ = allocator_->liveBlocks();
  }
  void TearDown() override {
    zoltc_logix_client_destroy(handle_);
    allocator_.reset();
    ReadSimTest::TearDown();
  }

  bool registered() const {
    return handle_->session->state == 2 && handle_->session->socket != nullptr;
  }
  bool reconnect() {
    allocator_->failAt(0);
    return zoltc_logix_connect(handle_, "127.0.0.1", port(), kTimeoutMs) == ZOLTC_LOGIX_OK;
  }
  // Runs `read` with the n-th allocation failing for n = 1, 2, ... until a run
  // meets no failure; the handle is connected again before a run when a
  // failure closed it. Returns the number of runs that met a failure.
  template <typename Read>
  uint64_t sweep(Read&& read) {
    for (uint64_t n = 1; n < 100000; ++n) {
      if (!registered() && !reconnect()) {
        ADD_FAILURE() << "cannot connect again before run " << n;
        return n;
      }
      allocator_->failAt(n);
      read(n);
      const bool injected = allocator_->injected();
      allocator_->failAt(0);
      EXPECT_EQ(allocator_->liveBlocks(), registered() ? open_ : closed_)
          << "blocks left behind when allocation " << n << " failed";
      if (!injected) {
        return n - 1;
      }
    }
    ADD_FAILURE() << "the sweep did not end";
    return 0;
  }

  std::unique_ptr<TestAllocator> allocator_;
  zoltc_logix_client* handle_ = nullptr;
  size_t closed_ = 0;
  size_t open_ = 0;
};

TEST_F(ReadOomTest, BatchReadReportsEveryAllocationFailure) {
  // Two batches, one item refused by its text, and 31 values to check.
  std::vector<std::string> names;
  for (int i = 1; i <= 32; ++i) {
    names.push_back(tagName(i));
  }
  names[3] = "Bad[";
  uint64_t failures = sweep([&](uint64_t n) {
    auto items = itemsFor(names);
    for (auto& item : items) {
      item.status = 0xEE;
    }
    zoltc_logix_result result =
        zoltc_logix_read_tags(handle_, items.data(), static_cast<uint32_t>(items.size()));
    SCOPED_TRACE("allocation " + std::to_string(n));
    if (!allocator_->injected()) {
      EXPECT_EQ(result, ZOLTC_LOGIX_OK);
    } else if (items[0].status == 0xEE) {
      // A work array: nothing was touched.
      EXPECT_EQ(result, ZOLTC_LOGIX_ERR_NO_MEMORY);
      for (const auto& item : items) {
        EXPECT_EQ(item.status, 0xEE);
      }
      return;
    } else {
      EXPECT_TRUE(result == ZOLTC_LOGIX_OK || result == ZOLTC_LOGIX_ERR_NO_MEMORY) << +result;
    }
    // Every item has an outcome: its own text's refusal, its value, or the failure.
    int failed = 0;
    for (size_t k = 0; k < items.size(); ++k) {
      if (k == 3) {
        EXPECT_EQ(items[k].status, ZOLTC_LOGIX_ERR_INVALID_ARGUMENT);
      } else if (items[k].status == ZOLTC_LOGIX_OK) {
        EXPECT_EQ(items[k].value[0], k + 1);
      } else {
        EXPECT_EQ(items[k].status, ZOLTC_LOGIX_ERR_NO_MEMORY) << names[k];
        ++failed;
      }
    }
    EXPECT_EQ(failed > 0, allocator_->injected());
    // A call that went on past a failed item reports success; one that stopped reports it.
    if (result == ZOLTC_LOGIX_OK && allocator_->injected()) {
      EXPECT_EQ(failed, 1) << "only a path encoding failure lets the call go on";
    }
  });
  RecordProperty("allocation_failures_injected", std::to_string(failures));
  EXPECT_GT(failures, 40u);
}

TEST_F(ReadOomTest, StringReadReportsEveryAllocationFailure) {
  quillon::sim::Options options;
  options.fragmentBytes = 20;
  server().setOptions(options);
  uint64_t failures = sweep([&](uint64_t n) {
    std::string buffer(96, 'Z');
    uint32_t length = 12345;
    zoltc_logix_result result =
        zoltc_logix_read_string(handle_, "Text95", buffer.data(), 96, &length);
    SCOPED_TRACE("allocation " + std::to_string(n));
    if (!allocator_->injected()) {
      EXPECT_EQ(result, ZOLTC_LOGIX_OK);
      EXPECT_EQ(std::string(buffer.c_str()), sampleText(95));
      return;
    }
    EXPECT_EQ(result, ZOLTC_LOGIX_ERR_NO_MEMORY);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_TRUE(length == 0 || length == 95) << length;
  });
  RecordProperty("allocation_failures_injected", std::to_string(failures));
  EXPECT_GT(failures, 10u);
}

}  // namespace
