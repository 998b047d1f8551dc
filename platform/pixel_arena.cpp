#include "platform/pixel_arena.h"

#include <sys/mman.h>

#include <cstdlib>
#include <mutex>
#include <new>

namespace platform {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{8} << 20;  // 8 MiB: about 100 thumbnails

// Under AddressSanitizer every block comes from the heap, where overruns are
// caught; a chunk would hide them.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUseChunks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUseChunks = false;
#else
constexpr bool kUseChunks = true;
#endif
#else
constexpr bool kUseChunks = true;
#endif
constexpr std::size_t kAlign = 64;

struct Chunk {
  std::uint8_t* base;
  std::size_t used;  // bytes handed out from the start of the chunk
  std::size_t live;  // blocks not yet freed
};

// Every block starts after a header naming its chunk (null for heap blocks),
// so that freeing needs no search.
struct alignas(kAlign) BlockHeader {
  Chunk* chunk;
};

std::mutex g_lock;
Chunk* g_current = nullptr;  // the chunk new blocks are cut from
std::size_t g_chunks = 0;

Chunk* newChunk() {
  void* base = mmap(nullptr, kChunkBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return nullptr;
  // Both are hints: without them the chunk still works, page by page.
  madvise(base, kChunkBytes, MADV_HUGEPAGE);
  madvise(base, kChunkBytes, MADV_POPULATE_WRITE);
  Chunk* chunk = new (std::nothrow) Chunk{static_cast<std::uint8_t*>(base), 0, 0};
  if (chunk == nullptr) {
    munmap(base, kChunkBytes);
    return nullptr;
  }
  ++g_chunks;
  return chunk;
}

void releaseChunk(Chunk* chunk) {
  munmap(chunk->base, kChunkBytes);
  delete chunk;
  --g_chunks;
}

std::size_t roundUp(std::size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }

}  // namespace

std::uint8_t* AllocatePixels(std::size_t bytes) {
  if (!kUseChunks || bytes > kChunkBytes / 4) {
    void* block = std::aligned_alloc(kAlign, roundUp(sizeof(BlockHeader) + bytes));
    if (block == nullptr) return nullptr;
    static_cast<BlockHeader*>(block)->chunk = nullptr;
    return static_cast<std::uint8_t*>(block) + sizeof(BlockHeader);
  }
  const std::size_t need = roundUp(sizeof(BlockHeader) + bytes);
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_current == nullptr || kChunkBytes - g_current->used < need) {
    Chunk* fresh = newChunk();
    if (fresh == nullptr) return nullptr;
    // The old chunk lives on while it has blocks; without any it goes now.
    if (g_current != nullptr && g_current->live == 0) releaseChunk(g_current);
    g_current = fresh;
  }
  auto* header = reinterpret_cast<BlockHeader*>(g_current->base + g_current->used);
  header->chunk = g_current;
  g_current->used += need;
  ++g_current->live;
  return reinterpret_cast<std::uint8_t*>(header) + sizeof(BlockHeader);
}

void FreePixels(std::uint8_t* block) {
  if (block == nullptr) return;
  auto* header = reinterpret_cast<BlockHeader*>(block - sizeof(BlockHeader));
  Chunk* chunk = header->chunk;
  if (chunk == nullptr) {
    std::free(header);
    return;
  }
  std::lock_guard<std::mutex> guard(g_lock);
  if (--chunk->live > 0) return;
  if (chunk == g_current) {
    chunk->used = 0;  // keep the current chunk for the next scan
  } else {
    releaseChunk(chunk);
  }
}

std::size_t PixelArenaChunkCount() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_chunks;
}

}  // namespace platform
