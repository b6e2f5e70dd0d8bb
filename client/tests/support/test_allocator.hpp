// Allocation-failure testing: TestAllocator is the library's allocation table for its lifetime.
// It counts the blocks the library holds, can fail the n-th allocation attempt (alloc or realloc)
// from the moment failAt(n) is called, and when it goes it restores the previous table expecting
// that the library holds no block from it. Only the library allocates through it, so a server
// thread or GoogleTest never disturbs the counts. Not for concurrent library use.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <type_traits>
#include <unordered_map>

#include <gtest/gtest.h>

#include "zoltc_logix.h"

namespace quillon::testing {

class TestAllocator {
 public:
  TestAllocator() : previous_(zoltc_logix_set_allocator(&table_)) {}
  ~TestAllocator() {
    zoltc_logix_set_allocator(previous_);
    EXPECT_TRUE(live_.empty()) << live_.size() << " library blocks still alive";  // else freed through another table
  }
  TestAllocator(const TestAllocator&) = delete;
  TestAllocator& operator=(const TestAllocator&) = delete;

  // The n-th attempt from now on fails (1 the next one, 0 never); resets the count and the flag.
  void failAt(uint64_t n) { locked([&] { failAt_ = n, attempts_ = 0, injected_ = false; }); }
  uint64_t attempts() const { return locked([&] { return attempts_; }); }  // since the last failAt
  bool injected() const { return locked([&] { return injected_; }); }      // a failure since the last failAt
  std::size_t liveBlocks() const { return locked([&] { return live_.size(); }); }
  std::size_t liveBytes() const {
    return locked([&] {
      std::size_t total = 0;
      for (const auto& [block, size] : live_) total += size;
      return total;
    });
  }
  std::size_t largestRequest() const { return locked([&] { return largest_; }); }  // failed ones included

 private:
  template <typename F>
  std::invoke_result_t<F> locked(F&& f) const {
    std::lock_guard lock(mutex_);
    return f();
  }
  // With the mutex held. Sizes of 0 give null, as the default table does.
  void* take(void* block, std::size_t size) {
    ++attempts_;
    largest_ = std::max(largest_, size);
    if (failAt_ != 0 && attempts_ == failAt_) {
      injected_ = true;
      return nullptr;
    }
    if (block != nullptr && live_.count(block) == 0) {
      ADD_FAILURE() << "realloc of a block the library did not get from this table";
      return nullptr;
    }
    void* got = size == 0 ? nullptr : std::realloc(block, size);
    if (got != nullptr) live_.erase(block), live_[got] = size;
    return got;
  }
  static TestAllocator& self(void* user) { return *static_cast<TestAllocator*>(user); }

  mutable std::mutex mutex_;
  const zoltc_logix_allocator table_{
      [](void* user, std::size_t size) { return self(user).locked([&] { return self(user).take(nullptr, size); }); },
      [](void* user, void* block, std::size_t size) { return self(user).locked([&] { return self(user).take(block, size); }); },
      [](void* user, void* block) {
        self(user).locked([&] {
          if (block != nullptr && self(user).live_.erase(block) == 0) ADD_FAILURE() << "free of a block the library did not get from this table";
          else std::free(block);
        });
      },
      this};
  const zoltc_logix_allocator* previous_;
  uint64_t failAt_ = 0, attempts_ = 0;
  bool injected_ = false;
  std::size_t largest_ = 0;
  std::unordered_map<void*, std::size_t> live_;
};

// Runs `run()` with the n-th allocation failing for n = 1, 2, ... until a run gets through without
// reaching its n-th allocation, expecting no live block after every run. Returns the number of runs
// that met a failure.
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
