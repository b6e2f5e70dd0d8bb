#include "test_allocator.hpp"

#include <algorithm>
#include <cstdlib>

namespace quillon::testing {

TestAllocator::TestAllocator() {
  table_ = {&TestAllocator::allocHook, &TestAllocator::reallocHook, &TestAllocator::freeHook, this};
  previous_ = zoltc_logix_set_allocator(&table_);
}

// Blocks still alive now would later be released through another table.
TestAllocator::~TestAllocator() {
  zoltc_logix_set_allocator(previous_);
  EXPECT_TRUE(live_.empty()) << live_.size() << " library blocks still alive";
}

void TestAllocator::failAt(uint64_t n) {
  std::lock_guard lock(mutex_);
  failAt_ = n;
  attempts_ = 0;
  injected_ = false;
}

uint64_t TestAllocator::attempts() const {
  std::lock_guard lock(mutex_);
  return attempts_;
}

bool TestAllocator::injected() const {
  std::lock_guard lock(mutex_);
  return injected_;
}

std::size_t TestAllocator::liveBlocks() const {
  std::lock_guard lock(mutex_);
  return live_.size();
}

std::size_t TestAllocator::liveBytes() const {
  std::lock_guard lock(mutex_);
  std::size_t total = 0;
  for (const auto& [block, size] : live_) total += size;
  return total;
}

std::size_t TestAllocator::largestRequest() const {
  std::lock_guard lock(mutex_);
  return largest_;
}

// Called with the mutex held.
bool TestAllocator::shouldFail(std::size_t size) {
  ++attempts_;
  largest_ = std::max(largest_, size);
  injected_ = injected_ || (failAt_ != 0 && attempts_ == failAt_);
  return failAt_ != 0 && attempts_ == failAt_;
}

// Sizes of 0 give null, as the default table does.
void* TestAllocator::allocHook(void* self, std::size_t size) {
  auto& allocator = *static_cast<TestAllocator*>(self);
  std::lock_guard lock(allocator.mutex_);
  if (allocator.shouldFail(size) || size == 0) return nullptr;
  void* block = std::malloc(size);
  if (block != nullptr) allocator.live_[block] = size;
  return block;
}

void* TestAllocator::reallocHook(void* self, void* block, std::size_t size) {
  auto& allocator = *static_cast<TestAllocator*>(self);
  std::lock_guard lock(allocator.mutex_);
  if (block != nullptr && allocator.live_.count(block) == 0) {
    ADD_FAILURE() << "realloc of a block the library did not get from this table";
    return nullptr;
  }
  if (allocator.shouldFail(size) || size == 0) return nullptr;
  void* resized = std::realloc(block, size);
  if (resized != nullptr) {
    allocator.live_.erase(block);
    allocator.live_[resized] = size;
  }
  return resized;
}

void TestAllocator::freeHook(void* self, void* block) {
  if (block == nullptr) return;
  auto& allocator = *static_cast<TestAllocator*>(self);
  std::lock_guard lock(allocator.mutex_);
  if (allocator.live_.erase(block) == 0) {
    ADD_FAILURE() << "free of a block the library did not get from this table";
    return;
  }
  std::free(block);
}

}  // namespace quillon::testing
