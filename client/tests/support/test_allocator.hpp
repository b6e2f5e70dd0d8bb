// Allocation-failure testing for the client library.
//
// TestAllocator is the library's allocation table for its lifetime (zoltc_logix_set_allocator):
// it counts the blocks the library holds, can fail the n-th allocation attempt (alloc or
// realloc) from the moment failAt(n) is called, and when it goes it restores the previous table
// and expects that the library holds no block from it. Only the library allocates through it,
// so a server thread or GoogleTest never disturbs the counts. Not for concurrent library use.
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

  // The n-th allocation attempt from now on fails (1 is the next one; 0 never); resets the
  // attempt count and the injected flag.
  void failAt(uint64_t n);
  uint64_t attempts() const;      // since the last failAt
  bool injected() const;          // whether an attempt failed since the last failAt
  std::size_t liveBlocks() const;
  std::size_t liveBytes() const;
  std::size_t largestRequest() const;  // since construction, failed requests included

 private:
  static void* allocHook(void* self, std::size_t size);
  static void* reallocHook(void* self, void* block, std::size_t size);
  static void freeHook(void* self, void* block);
  bool shouldFail(std::size_t size);

  mutable std::mutex mutex_;
  zoltc_logix_allocator table_{};
  const zoltc_logix_allocator* previous_ = nullptr;
  uint64_t failAt_ = 0, attempts_ = 0;
  bool injected_ = false;
  std::size_t largest_ = 0;
  std::unordered_map<void*, std::size_t> live_;
};

// Runs `run()` with the n-th allocation failing for n = 1, 2, ... until a run gets through
// without reaching its n-th allocation, expecting no live block after every run. Returns the
// number of runs that met a failure.
template <typename Run>
uint64_t sweepAllocationFailures(TestAllocator& allocator, Run&& run, uint64_t limit = 100000) {
  for (uint64_t n = 1; n <= limit; ++n) {
    allocator.failAt(n);
    run();
    const bool failing = allocator.injected();
    allocator.failAt(0);
    EXPECT_EQ(allocator.liveBlocks(), 0u) << "blocks left behind when allocation " << n << " failed";
    if (!failing) return n - 1;
  }
  ADD_FAILURE() << "no run got through within " << limit << " allocations";
  return limit;
}

}  // namespace quillon::testing
