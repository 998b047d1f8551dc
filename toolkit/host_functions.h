// The thin layer of host functions through which the toolkit reaches the C
// library for streams, file tests and memory. Only the drawing database
// engine uses the stream functions; every allocation of the toolkit goes
// through HostMemoryAllocate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// fopen with the given mode; an opened stream gets full buffering with an
// 8192-byte buffer that the C library allocates. Null on failure.
std::FILE* HostStreamOpen(const char* path, const char* mode);
int HostStreamClose(std::FILE* stream);
std::size_t HostStreamRead(void* destination, std::size_t itemSize, std::size_t itemCount,
                           std::FILE* stream);
std::size_t HostStreamWrite(const void* source, std::size_t itemSize, std::size_t itemCount,
                            std::FILE* stream);
int HostStreamSeek(std::FILE* stream, long offset, int origin);
long HostStreamTell(std::FILE* stream);
int HostStreamPutText(const char* text, std::FILE* stream);

// access(path, mode), result passed through.
int HostFileTest(const char* path, int mode);

void* HostMemoryAllocate(std::size_t bytes);
void HostMemoryFree(void* block);
// Frees the block and returns 1.
std::int16_t HostMemoryRelease(void* block);
// Copies length bytes; the regions must not overlap. Returns 1.
std::int16_t HostMemoryCopy(void* destination, const void* source, std::uint16_t length);
// Bracket the toolkit's life; no work, both return 1.
std::int16_t HostMemoryStart();
std::int16_t HostMemoryStop();

// Replaces the allocator behind HostMemoryAllocate (blocks are still freed
// with free, so the replacement must hand out malloc'ed memory or null).
// Null restores malloc. Lets tests fail a chosen allocation.
using HostAllocator = void* (*)(std::size_t bytes);
void SetHostAllocator(HostAllocator allocator);
