#include "platform/pixel_arena.h"

#include <sys/mman.h>

#include <atomic>
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

// A chunk belongs to the thread that cuts blocks from it (its owner) until
// it is full; it is then retired and goes back to the system once its last
// block is freed, on whatever thread that happens. Each thread filling its
// own chunk lets scans on several threads fault their pages in at the same
// time, without waiting for each other.
struct Chunk {
  std::uint8_t* base;
  std::size_t used;               // bytes handed out from the start (the owner's)
  std::atomic<std::size_t> live;  // blocks not yet freed
  bool retired;                   // under g_lock: no owner any more
};

// Every block starts after a header naming its chunk (null for heap blocks),
// so that freeing needs no search.
struct alignas(kAlign) BlockHeader {
  Chunk* chunk;
};

// Guards the chunk count and each chunk's retirement and release.
std::mutex g_lock;
std::size_t g_chunks = 0;

void releaseChunk(Chunk* chunk) {
  munmap(chunk->base, kChunkBytes);
  delete chunk;
  --g_chunks;
}

// The calling thread's current chunk. A thread that ends retires it.
class CurrentChunk {
 public:
  ~CurrentChunk() { retire(); }
  Chunk* get() const { return chunk_; }
  void replace(Chunk* fresh) {
    retire();
    chunk_ = fresh;
  }

 private:
  void retire() {
    if (chunk_ == nullptr) return;
    std::lock_guard<std::mutex> guard(g_lock);
    chunk_->retired = true;
    if (chunk_->live.load() == 0) releaseChunk(chunk_);
    chunk_ = nullptr;
  }
  Chunk* chunk_ = nullptr;
};
thread_local CurrentChunk t_current;

// Maps and faults in a chunk outside any lock: the kernel zeroing its pages
// is most of its cost.
Chunk* newChunk() {
  void* base = mmap(nullptr, kChunkBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return nullptr;
  // Both are hints: without them the chunk still works, page by page.
  madvise(base, kChunkBytes, MADV_HUGEPAGE);
  madvise(base, kChunkBytes, MADV_POPULATE_WRITE);
  Chunk* chunk = new (std::nothrow) Chunk{static_cast<std::uint8_t*>(base), 0, {0}, false};
  if (chunk == nullptr) {
    munmap(base, kChunkBytes);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(g_lock);
  ++g_chunks;
  return chunk;
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
  Chunk* chunk = t_current.get();
  // An emptied chunk of this thread starts over for the next scan.
  if (chunk != nullptr && chunk->live.load() == 0) chunk->used = 0;
  if (chunk == nullptr || kChunkBytes - chunk->used < need) {
    chunk = newChunk();
    if (chunk == nullptr) return nullptr;
    t_current.replace(chunk);
  }
  auto* header = reinterpret_cast<BlockHeader*>(chunk->base + chunk->used);
  header->chunk = chunk;
  chunk->used += need;
  ++chunk->live;
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
  // Any block but the last is let go without the lock; the last one is
  // counted under it, so that its release and the chunk's retirement
  // cannot both think the chunk theirs to give back.
  std::size_t live = chunk->live.load();
  while (live > 1) {
    if (chunk->live.compare_exchange_weak(live, live - 1)) return;
  }
  std::lock_guard<std::mutex> guard(g_lock);
  // The owner keeps an emptied chunk; a retired one goes.
  if (--chunk->live == 0 && chunk->retired) releaseChunk(chunk);
}

std::size_t PixelArenaChunkCount() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_chunks;
}

}  // namespace platform
