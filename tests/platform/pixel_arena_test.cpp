#include "platform/pixel_arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kThumbnailBytes = 180 * 140 * 4;

TEST(PixelArena, BlocksAreAlignedDisjointAndWritable) {
  std::vector<std::uint8_t*> blocks;
  for (int i = 0; i < 300; ++i) {  // more than one chunk's worth
    std::uint8_t* block = platform::AllocatePixels(kThumbnailBytes);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 64, 0u);
    std::memset(block, i & 0xFF, kThumbnailBytes);
    blocks.push_back(block);
  }
  for (int i = 0; i < 300; ++i) {
    ASSERT_EQ(blocks[i][0], i & 0xFF) << i;
    ASSERT_EQ(blocks[i][kThumbnailBytes - 1], i & 0xFF) << i;
  }
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_GE(platform::PixelArenaChunkCount(), 2u);
#endif
  for (std::uint8_t* block : blocks) platform::FreePixels(block);
  EXPECT_LE(platform::PixelArenaChunkCount(), 1u) << "emptied chunks go back to the system";
}

TEST(PixelArena, ReusesTheCurrentChunkOnceItIsEmpty) {
  std::uint8_t* first = platform::AllocatePixels(kThumbnailBytes);
  platform::FreePixels(first);
  const std::size_t chunks = platform::PixelArenaChunkCount();
  std::uint8_t* again = platform::AllocatePixels(kThumbnailBytes);
  EXPECT_EQ(platform::PixelArenaChunkCount(), chunks);
  platform::FreePixels(again);
}

TEST(PixelArena, LargeBlocksComeFromTheHeapAndNullIsIgnored) {
  const std::size_t chunks = platform::PixelArenaChunkCount();
  std::uint8_t* large = platform::AllocatePixels(std::size_t{16} << 20);
  ASSERT_NE(large, nullptr);
  large[(std::size_t{16} << 20) - 1] = 1;
  EXPECT_EQ(platform::PixelArenaChunkCount(), chunks);
  platform::FreePixels(large);
  platform::FreePixels(nullptr);
}

}  // namespace
