#include "platform/pixel_arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
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

// Scans fill thumbnails on several threads and free them on another: every
// block stays intact, and every chunk goes back once its blocks are freed
// and its thread has moved on.
TEST(PixelArena, BlocksMadeOnSeveralThreadsAreFreedOnAnother) {
  const std::size_t before = platform::PixelArenaChunkCount();
  constexpr int kThreads = 4;
  constexpr int kBlocksEach = 250;  // about three chunks per thread
  std::vector<std::vector<std::uint8_t*>> made(kThreads);
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([t, &made] {
      for (int i = 0; i < kBlocksEach; ++i) {
        std::uint8_t* block = platform::AllocatePixels(kThumbnailBytes);
        ASSERT_NE(block, nullptr);
        std::memset(block, (t * 31 + i) & 0xFF, kThumbnailBytes);
        made[static_cast<std::size_t>(t)].push_back(block);
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kBlocksEach; ++i) {
      const std::uint8_t* block = made[static_cast<std::size_t>(t)][static_cast<std::size_t>(i)];
      ASSERT_EQ(block[0], (t * 31 + i) & 0xFF);
      ASSERT_EQ(block[kThumbnailBytes - 1], (t * 31 + i) & 0xFF);
    }
  }
  // Freed here, while other threads free theirs too.
  std::thread other([&made] {
    for (std::uint8_t* block : made[0]) platform::FreePixels(block);
  });
  for (int t = 1; t < kThreads; ++t) {
    for (std::uint8_t* block : made[static_cast<std::size_t>(t)]) platform::FreePixels(block);
  }
  other.join();
  EXPECT_EQ(platform::PixelArenaChunkCount(), before) << "the ended threads' chunks are gone";
}

}  // namespace
