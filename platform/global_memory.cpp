#include "platform/global_memory.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Each block is preceded by a small header holding its size and a tag, so that
// GlobalSize works and GlobalFree can refuse pointers that are not blocks.
struct alignas(std::max_align_t) BlockHeader {
  std::size_t size;
  std::uint64_t tag;
};

constexpr std::uint64_t kLiveTag = 0x476C6F62416C6C63ull;  // "GlobAllc"
constexpr std::uint64_t kDeadTag = 0x46726565644D656Dull;  // "FreedMem"

BlockHeader* headerOf(HGLOBAL block) {
  return reinterpret_cast<BlockHeader*>(static_cast<unsigned char*>(block) - sizeof(BlockHeader));
}

HGLOBAL blockOf(BlockHeader* header) {
  return reinterpret_cast<unsigned char*>(header) + sizeof(BlockHeader);
}

std::atomic<std::size_t> g_liveBlocks{0};
std::atomic<GlobalAllocationHook> g_hook{nullptr};

// True when an installed hook wants this allocation to fail.
bool hookRefuses(std::size_t bytes) {
  const GlobalAllocationHook hook = g_hook.load(std::memory_order_relaxed);
  return hook != nullptr && hook(bytes);
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  if (bytes > kGlobalMaxBlock || hookRefuses(bytes)) return nullptr;
  void* raw = (flags & GMEM_ZEROINIT) ? std::calloc(1, sizeof(BlockHeader) + bytes)
                                      : std::malloc(sizeof(BlockHeader) + bytes);
  if (raw == nullptr) return nullptr;
  g_liveBlocks.fetch_add(1, std::memory_order_relaxed);
  auto* header = static_cast<BlockHeader*>(raw);
  header->size = bytes;
  header->tag = kLiveTag;
  return blockOf(header);
}

HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes, UINT flags) {
  if (block == nullptr) return GlobalAlloc(flags, bytes);
  if (bytes > kGlobalMaxBlock) return nullptr;
  BlockHeader* header = headerOf(block);
  if (header->tag != kLiveTag || hookRefuses(bytes)) return nullptr;
  const std::size_t oldSize = header->size;
  void* raw = std::realloc(header, sizeof(BlockHeader) + bytes);
  if (raw == nullptr) return nullptr;
  header = static_cast<BlockHeader*>(raw);
  header->size = bytes;
  HGLOBAL grown = blockOf(header);
  if ((flags & GMEM_ZEROINIT) && bytes > oldSize) {
    std::memset(static_cast<unsigned char*>(grown) + oldSize, 0, bytes - oldSize);
  }
  return grown;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  if (block == nullptr) return nullptr;
  BlockHeader* header = headerOf(block);
  if (header->tag != kLiveTag) return block;
  header->tag = kDeadTag;
  std::free(header);
  g_liveBlocks.fetch_sub(1, std::memory_order_relaxed);
  return nullptr;
}

std::size_t GlobalSize(HGLOBAL block) {
  if (block == nullptr) return 0;
  const BlockHeader* header = headerOf(block);
  return header->tag == kLiveTag ? header->size : 0;
}

std::size_t GlobalLiveBlockCount() { return g_liveBlocks.load(std::memory_order_relaxed); }

GlobalAllocationHook SetGlobalAllocationHook(GlobalAllocationHook hook) { return g_hook.exchange(hook); }
