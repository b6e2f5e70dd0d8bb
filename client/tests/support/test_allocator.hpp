// Allocation-failure testing for the client library.
//
// TestAllocator installs itself as the library's allocation table for its
// lifetime (zoltc_logix_set_allocator) and restores the previous table when it
// goes, expecting by then that the library holds no block from it. It counts
// the blocks the library holds and can fail the n-th allocation attempt (alloc,
// or realloc of any block) from the moment failAt(n) is called.
//
// sweepAllocationFailures runs a callable for n = 1, 2, ... with the n-th
// allocation failing, until a run gets through without reaching its n-th
// allocation. After every run it expects no live block: the callable must have
// released everything it got from the library. Typical use:
//
//   quillon::testing::TestAllocator allocator;
//   quillon::testing::sweepAllocationFailures(allocator, [&] {
//     zoltc_logix_tag_info_list list{};
//     auto result = zoltc_logix_list_tags(client, &list);
//     if (allocator.injected()) {
//       EXPECT_EQ(result, ZOLTC_LOGIX_ERR_NO_MEMORY);
//       EXPECT_EQ(list.items, nullptr);
//     }
//     zoltc_logix_tag_info_list_free(&list);
//   });
//
// allocator.injected() tells the run whether its call met the failure. Only the library allocates through this table, so a server thread or
// GoogleTest itself never disturbs the counts. Not for concurrent library use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_map>

#include <gtest/gtest.h>

#include "zoltc_logix.h"

namespace quillon::testing {

class TestAllocator {
 public:
  TestAllocator();
  ~TestAllocator();
  TestAllocator(const TestAllocator&) = delete;
  TestAllocator& operator=(const TestAllocator&) = delete;

  // The n-th allocation attempt from now on fails (1 is the next one); 0 never.
  // Resets the attempt count and the injected flag.
  void failAt(uint64_t n);
  // Allocation attempts since the last failAt (or since construction).
  uint64_t attempts() const;
  // Whether an attempt has been failed since the last failAt.
  bool injected() const;
  // Blocks and bytes the library currently holds through this table.
  std::size_t liveBlocks() const;
  std::size_t liveBytes() const;
  // Largest size asked for since construction (failed requests included).
  std::size_t largestRequest() const;

 private:
  static void* allocHook(void* self, std::size_t size);
  static void* reallocHook(void* self, void* block, std::size_t size);
  static void freeHook(void* self, void* block);
  bool shouldFail(std::size_t size);

  mutable std::mutex mutex_;
  zoltc_logix_allocator table_{};
  const zoltc_logix_allocator* previous_ = nullptr;
  uint64_t failAt_ = 0;
  uint64_t attempts_ = 0;
  bool injected_ = false;
  std::size_t largest_ = 0;
  std::unordered_map<void*, std::size_t> live_;
};

// Runs `run()` with the n-th allocation failing for n = 1, 2, ... until a
// run does not reach its n-th allocation (at most `limit` runs). Returns the
// number of runs that met a failure.
template <typename Run>
uint64_t sweepAllocationFailures(TestAllocator& allocator, Run&& run, uint64_t limit = 100000) {
  for (uint64_t n = 1; n <= limit; ++n) {
    allocator.failAt(n);
    run();
    const bool failing = allocator.injected();
    EXPECT_EQ(allocator.liveBlocks(), 0u) << "blocks left behind when allocation " << n
                                          << " failed";
    if (!failing) {
      allocator.failAt(0);
      return n - 1;
    }
  }
  allocator.failAt(0);
  ADD_FAILURE() << "no run got through within " << limit << " allocations";
  return limit;
}

}  // namespace quillon::testing
