// The library's allocation table for its lifetime: it counts the blocks the library holds, can fail
// the n-th allocation attempt (alloc or realloc) from failAt(n) on, and when it goes it restores the
// previous table expecting that the library holds no block from it. Only the library allocates
// through it, so a server thread or GoogleTest never disturbs the counts.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>
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

  // The n-th attempt from now on fails (1 the next one, 0 never); resets the count and the flag.
  void failAt(uint64_t n) {
    std::lock_guard lock(mutex_);
    failAt_ = n, attempts_ = 0, injected_ = false;
  }
  uint64_t attempts() const { return attempts_; }  // since the last failAt
  bool injected() const { return injected_; }      // a failure since the last failAt
  std::size_t liveBlocks() const { return live_.size(); }
  std::size_t largestRequest() const { return largest_; }  // failed ones included

 private:
  // Sizes of 0 give null, as the default table does.
  static void* take(void* user, void* block, std::size_t size) {
    TestAllocator& self = *static_cast<TestAllocator*>(user);
    std::lock_guard lock(self.mutex_);
    ++self.attempts_;
    self.largest_ = std::max(self.largest_, size);
    if (self.failAt_ != 0 && self.attempts_ == self.failAt_) {
      self.injected_ = true;
      return nullptr;
    }
    if (block != nullptr && self.live_.count(block) == 0) {
      ADD_FAILURE() << "realloc of a block the library did not get from this table";
      return nullptr;
    }
    void* got = size == 0 ? nullptr : std::realloc(block, size);
    if (got != nullptr) self.live_.erase(block), self.live_[got] = size;
    return got;
  }
  static void release(void* user, void* block) {
    TestAllocator& self = *static_cast<TestAllocator*>(user);
    std::lock_guard lock(self.mutex_);
    if (block != nullptr && self.live_.erase(block) == 0) ADD_FAILURE() << "free of a block the library did not get from this table";
    else std::free(block);
  }

  std::mutex mutex_;
  const zoltc_logix_allocator table_{[](void* user, std::size_t size) { return take(user, nullptr, size); }, take, release, this};
  const zoltc_logix_allocator* previous_;
  uint64_t failAt_ = 0, attempts_ = 0;
  bool injected_ = false;
  std::size_t largest_ = 0;
  std::unordered_map<void*, std::size_t> live_;
};

}  // namespace quillon::testing
