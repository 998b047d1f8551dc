// Large reads of a cached file's bytes that go straight to the descriptor.
//
// A preview of a megabyte would otherwise come through the block cache one
// 8192-byte read at a time; on a network share every one of those waits a
// round trip. This read asks for the whole range at once and fills the
// caller's buffer in place. It neither uses nor changes the cache: the
// file's blocks, stamps, cursor and end flag stay as they were.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/cached_file.h"

// The end of the range that direct reads serve: the bytes the block cache
// can deliver (blocks load only below 2 GiB - 8 KiB). A range that ends
// later is left to the block reads, which treat it as the end of the file.
constexpr std::int64_t kCachedFileDirectLimit = INT32_MAX - kCachedBlockBytes;

// Reads `bytes` bytes at `position` into destination. Returns the number of
// bytes delivered: all of them, or fewer when the file ends first (it may
// have shrunk since it was measured). A failed operating-system read goes to
// the critical-error function with code 1, as a block load does.
std::size_t CachedFileReadDirect(CachedFile* file, std::int64_t position, void* destination,
                                 std::size_t bytes);
