// Global memory blocks: zero-filled on request, sized, resizable, and capped
// at the largest single block the image library accepts. Blocks are fixed:
// the handle is the block's address.
#pragma once

#include <cstddef>

#include "platform/win_types.h"

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// The largest block GlobalAlloc and GlobalReAlloc hand out; larger requests
// fail. 2,147,348,478 bytes.
constexpr std::size_t kGlobalMaxBlock = 2147348478u;

// Allocates a block of `bytes` bytes (zero-filled with GMEM_ZEROINIT). Returns
// null when the size exceeds kGlobalMaxBlock or memory is exhausted. A size of
// 0 yields a valid, empty block.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);

// Resizes a block, keeping its contents; with GMEM_ZEROINIT the bytes added
// at the end are zero. Returns the (possibly moved) block, or null on failure,
// in which case the old block stays valid.
HGLOBAL GlobalReAlloc(HGLOBAL block, std::size_t bytes, UINT flags);

// Frees a block. Returns null on success (and for a null block), the block
// itself when it was not one of ours.
HGLOBAL GlobalFree(HGLOBAL block);

// The usable size of a block, 0 for null.
std::size_t GlobalSize(HGLOBAL block);

// Blocks handed out and not yet freed, over the whole process; tests compare
// it before and after a call to see that every block was given back.
std::size_t GlobalLiveBlockCount();

// For tests that make allocations fail: a function asked before every
// allocation GlobalAlloc or GlobalReAlloc makes; when it answers true, that
// call fails as it does when memory is exhausted. Null (the default) removes
// it. Returns the hook it replaces.
using GlobalAllocationHook = bool (*)(std::size_t bytes);
GlobalAllocationHook SetGlobalAllocationHook(GlobalAllocationHook hook);
