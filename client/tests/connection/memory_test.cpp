// Allocation table, byte buffers and the path builder's growth.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "alloc.h"
#include "bytes.hpp"
#include "test_allocator.hpp"

namespace {

using quillon::testing::Bytes;
using quillon::testing::bytesOf;
using quillon::testing::TestAllocator;

TEST(DefaultAllocator, ZeroSizesGiveNullAndKeepTheBlock) {
  EXPECT_EQ(zoltc_logix_alloc(0), nullptr);
  auto* block = static_cast<uint8_t*>(zoltc_logix_alloc(8));
  ASSERT_NE(block, nullptr);
  std::memset(block, 0xAB, 8);
  EXPECT_EQ(zoltc_logix_realloc(block, 0), nullptr);
  // Still allocated and intact: the sanitizer build would report a use after free.
  EXPECT_EQ(block[7], 0xAB);
  auto* grown = static_cast<uint8_t*>(zoltc_logix_realloc(block, 64));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(grown[0], 0xAB);
  zoltc_logix_free(grown);
  zoltc_logix_free(nullptr);
}

TEST(DefaultAllocator, ReallocOfNullAllocates) {
  void* block = zoltc_logix_realloc(nullptr, 16);
  EXPECT_NE(block, nullptr);
  zoltc_logix_free(block);
}

TEST(SetAllocator, ReturnsThePreviousTableAndNullRestoresTheDefault) {
  const zoltc_logix_allocator* original = zoltc_logix_set_allocator(nullptr);
  ASSERT_NE(original, nullptr);
  {
    TestAllocator allocator;
    void* block = zoltc_logix_alloc(10);
    EXPECT_EQ(allocator.liveBlocks(), 1u);
    EXPECT_EQ(allocator.liveBytes(), 10u);
    zoltc_logix_free(block);
    EXPECT_EQ(allocator.liveBlocks(), 0u);
  }
  // The test allocator put the default back: a block now bypasses it.
  EXPECT_EQ(zoltc_logix_set_allocator(nullptr), original);
}

TEST(SetAllocator, MissingHooksFailSafely) {
  const zoltc_logix_allocator empty{nullptr, nullptr, nullptr, nullptr};
  const zoltc_logix_allocator* previous = zoltc_logix_set_allocator(&empty);
  EXPECT_EQ(zoltc_logix_alloc(8), nullptr);
  EXPECT_EQ(zoltc_logix_realloc(nullptr, 8), nullptr);
  zoltc_logix_free(nullptr);
  zoltc_logix_path path{};
  EXPECT_EQ(zoltc_logix_path_add_class(&path, 1), ZOLTC_LOGIX_STATUS_NO_MEMORY);
  zoltc_logix_set_allocator(previous);
}

TEST(AllocArray, RejectsAnOverflowingProductWithoutAllocating) {
  TestAllocator allocator;
  EXPECT_EQ(zoltc_logix_alloc_array(SIZE_MAX / 2 + 1, 2), nullptr);
  EXPECT_EQ(allocator.attempts(), 0u);
  void* block = zoltc_logix_alloc_array(3, 5);
  EXPECT_EQ(allocator.liveBytes(), 15u);
  zoltc_logix_free(block);
}

TEST(BufferCopy, ZeroBytesAllocateNothingAndLeaveTheBuffer) {
  TestAllocator allocator;
  uint8_t marker = 0;
  zoltc_logix_buffer buffer{&marker, 7};
  EXPECT_EQ(zoltc_logix_buffer_copy(nullptr, 0, &buffer), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(buffer.data, &marker);
  EXPECT_EQ(buffer.length, 7u);
  EXPECT_EQ(allocator.attempts(), 0u);
}

TEST(BufferCopy, CopiesAndFreeZeroesTwice) {
  TestAllocator allocator;
  const Bytes source{1, 2, 3};
  zoltc_logix_buffer buffer{};
  ASSERT_EQ(zoltc_logix_buffer_copy(source.data(), 3, &buffer), ZOLTC_LOGIX_STATUS_OK);
  EXPECT_EQ(bytesOf(buffer), source);
  EXPECT_NE(buffer.data, source.data());
  zoltc_logix_buffer_free(&buffer);
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.length, 0u);
  zoltc_logix_buffer_free(&buffer);
  zoltc_logix_buffer_free(nullptr);
}

TEST(BufferCopy, AllocationFailureLeavesTheBufferEmpty) {
  TestAllocator allocator;
  allocator.failAt(1);
  const Bytes source{1, 2, 3};
  zoltc_logix_buffer buffer{};
  EXPECT_EQ(zoltc_logix_buffer_copy(source.data(), 3, &buffer), ZOLTC_LOGIX_STATUS_NO_MEMORY);
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.length, 0u);
}

TEST(PathBuilder, InitAndFreeLeaveZeroes) {
  zoltc_logix_path path{};
  ASSERT_EQ(zoltc_logix_path_reserve(&path, 3), ZOLTC_LOGIX_STATUS_OK);
  path.length = 3;
  zoltc_logix_path_free(&path);
  EXPECT_EQ(path.data, nullptr);
  EXPECT_EQ(path.length, 0u);
  EXPECT_EQ(path.capacity, 0u);
  zoltc_logix_path_free(&path);
  zoltc_logix_path_free(nullptr);
  zoltc_logix_path_init(nullptr);
}

// Capacity starts at 16 and doubles until the request fits.
TEST(PathBuilder, CapacityGrowsSixteenThirtyTwoSixtyFour) {
  struct Step {
    uint32_t reserve;
    uint32_t use;
    uint32_t capacity;
  };
  const Step steps[] = {{5, 16, 16}, {20, 36, 64}, {28, 64, 64}, {1, 65, 128}, {0, 65, 128}};
  TestAllocator allocator;
  zoltc_logix_path path{};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.reserve);
    ASSERT_EQ(zoltc_logix_path_reserve(&path, step.reserve), ZOLTC_LOGIX_STATUS_OK);
    EXPECT_EQ(path.capacity, step.capacity);
    EXPECT_EQ(allocator.liveBytes(), step.capacity);
    path.length = step.use;
  }
  zoltc_logix_path_free(&path);
}

TEST(PathBuilder, ReserveRejectsNullAndSumsBeyond32Bits) {
  TestAllocator allocator;
  EXPECT_EQ(zoltc_logix_path_reserve(nullptr, 1), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  zoltc_logix_path huge{nullptr, 0xFFFFFFF0u, 0xFFFFFFF0u};
  EXPECT_EQ(zoltc_logix_path_reserve(&huge, 0x20), ZOLTC_LOGIX_STATUS_INVALID_ARGUMENT);
  EXPECT_EQ(allocator.attempts(), 0u);
}

// The doubling stops at 0x80000000: beyond it the capacity becomes exactly what
// is needed. The requests are failed, so nothing of that size is allocated.
TEST(PathBuilder, GrowthPastTwoGigabytesAsksForExactlyTheNeed) {
  struct Case {
    uint32_t length;
    uint32_t capacity;
    uint32_t reserve;
    std::size_t requested;
  };
  const Case cases[] = {
      {0x40000000u, 0x40000000u, 1, 0x80000000u},
      {0x7FFFFFF0u, 0x80000000u, 0x20, 0x80000010u},
      {0x30000000u, 0x60000000u, 0x40000000u, 0xC0000000u},
      {0xC0000000u, 0xC0000000u, 0x3FFFFFFFu, 0xFFFFFFFFu},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    TestAllocator allocator;
    allocator.failAt(1);
    zoltc_logix_path path{nullptr, c.length, c.capacity};
    EXPECT_EQ(zoltc_logix_path_reserve(&path, c.reserve), ZOLTC_LOGIX_STATUS_NO_MEMORY);
    EXPECT_EQ(allocator.largestRequest(), c.requested);
    EXPECT_EQ(path.length, c.length);
    EXPECT_EQ(path.capacity, c.capacity);
  }
}

TEST(PathBuilder, FailedGrowthKeepsTheContents) {
  TestAllocator allocator;
  zoltc_logix_path path{};
  ASSERT_EQ(zoltc_logix_path_add_symbol(&path, "abcdefghijklm"), ZOLTC_LOGIX_STATUS_OK);
  const Bytes before = bytesOf(path);
  allocator.failAt(1);
  EXPECT_EQ(zoltc_logix_path_add_symbol(&path, "xyz"), ZOLTC_LOGIX_STATUS_NO_MEMORY);
  allocator.failAt(1);
  EXPECT_EQ(zoltc_logix_path_add_element(&path, 70000), ZOLTC_LOGIX_STATUS_NO_MEMORY);
  EXPECT_EQ(path.capacity, 16u);
  EXPECT_EQ(bytesOf(path), before);
  zoltc_logix_path_free(&path);
}

}  // namespace
