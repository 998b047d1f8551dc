// Storage for device bitmaps' pixels.
//
// A folder scan keeps a thumbnail bitmap alive for every drawing it lists, so
// thousands of equally sized pixel blocks are made in a row and usually freed
// together. Taking them from large chunks that are faulted in with one call
// (and backed by huge pages where the system offers them) spares a page fault
// for every 4 KiB of every thumbnail, which was a third of a scan's time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// An uninitialised block of `bytes` bytes, 64-byte aligned; null when memory
// is exhausted. Blocks of a quarter chunk or more come from the heap.
std::uint8_t* AllocatePixels(std::size_t bytes);

// Gives a block back; a chunk is returned to the system when its last block
// goes. Null is ignored.
void FreePixels(std::uint8_t* block);

// Chunks currently held (for tests).
std::size_t PixelArenaChunkCount();

}  // namespace platform
