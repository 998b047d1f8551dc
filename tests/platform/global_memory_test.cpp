#include "platform/global_memory.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(GlobalMemory, ZeroInitBlocksAreZeroAndSized) {
  auto* block = static_cast<unsigned char*>(GlobalAlloc(GPTR, 1000));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 1000u);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(block[i], 0) << i;
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(GlobalMemory, RefusesBlocksAboveTheLimitButNotAtIt) {
  EXPECT_EQ(GlobalAlloc(GPTR, kGlobalMaxBlock + 1), nullptr);
  void* small = GlobalAlloc(GPTR, 16);
  EXPECT_EQ(GlobalReAlloc(small, kGlobalMaxBlock + 1, GMEM_ZEROINIT), nullptr);
  EXPECT_EQ(GlobalSize(small), 16u) << "a failed resize keeps the old block";
  GlobalFree(small);
}

TEST(GlobalMemory, ReAllocKeepsContentsAndZeroesTheGrowth) {
  auto* block = static_cast<unsigned char*>(GlobalAlloc(GMEM_FIXED, 4));
  ASSERT_NE(block, nullptr);
  std::memcpy(block, "abcd", 4);
  auto* grown = static_cast<unsigned char*>(GlobalReAlloc(block, 4096, GMEM_ZEROINIT));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(std::memcmp(grown, "abcd", 4), 0);
  for (int i = 4; i < 4096; ++i) ASSERT_EQ(grown[i], 0) << i;
  EXPECT_EQ(GlobalSize(grown), 4096u);
  GlobalFree(grown);
}

TEST(GlobalMemory, NullAndEmptyBlocks) {
  EXPECT_EQ(GlobalSize(nullptr), 0u);
  EXPECT_EQ(GlobalFree(nullptr), nullptr);
  void* empty = GlobalAlloc(GPTR, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(GlobalSize(empty), 0u);
  GlobalFree(empty);
}

namespace {
int g_refusals = 0;
bool refuseLargeBlocks(std::size_t bytes) {
  if (bytes < 100) return false;
  ++g_refusals;
  return true;
}
}  // namespace

TEST(GlobalMemory, AHookCanRefuseAllocationsAndResizesLikeExhaustedMemory) {
  const std::size_t live = GlobalLiveBlockCount();
  void* small = GlobalAlloc(GPTR, 10);
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(GlobalLiveBlockCount(), live + 1);
  g_refusals = 0;
  EXPECT_EQ(SetGlobalAllocationHook(refuseLargeBlocks), nullptr);
  EXPECT_EQ(GlobalAlloc(GPTR, 100), nullptr);
  EXPECT_EQ(GlobalReAlloc(small, 200, GMEM_ZEROINIT), nullptr);
  EXPECT_EQ(GlobalSize(small), 10u) << "a refused resize keeps the block";
  void* other = GlobalAlloc(GMEM_FIXED, 99);
  EXPECT_NE(other, nullptr);
  EXPECT_EQ(g_refusals, 2);
  EXPECT_EQ(SetGlobalAllocationHook(nullptr), refuseLargeBlocks);
  EXPECT_EQ(GlobalLiveBlockCount(), live + 2);
  GlobalFree(other);
  GlobalFree(small);
  EXPECT_EQ(GlobalLiveBlockCount(), live) << "freed blocks are no longer counted";
}
