#include "toolkit/host_functions.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kStreamBufferBytes = 8192;

HostAllocator gAllocator = nullptr;

}  // namespace

std::FILE* HostStreamOpen(const char* path, const char* mode) {
  std::FILE* stream = std::fopen(path, mode);
  if (stream != nullptr) std::setvbuf(stream, nullptr, _IOFBF, kStreamBufferBytes);
  return stream;
}

int HostStreamClose(std::FILE* stream) { return std::fclose(stream); }

std::size_t HostStreamRead(void* destination, std::size_t itemSize, std::size_t itemCount,
                           std::FILE* stream) {
  return std::fread(destination, itemSize, itemCount, stream);
}

std::size_t HostStreamWrite(const void* source, std::size_t itemSize, std::size_t itemCount,
                            std::FILE* stream) {
  return std::fwrite(source, itemSize, itemCount, stream);
}

int HostStreamSeek(std::FILE* stream, long offset, int origin) { return std::fseek(stream, offset, origin); }

long HostStreamTell(std::FILE* stream) { return std::ftell(stream); }

int HostStreamPutText(const char* text, std::FILE* stream) { return std::fputs(text, stream); }

int HostFileTest(const char* path, int mode) { return access(path, mode); }

void* HostMemoryAllocate(std::size_t bytes) {
  return gAllocator != nullptr ? gAllocator(bytes) : std::malloc(bytes);
}

void HostMemoryFree(void* block) { std::free(block); }

std::int16_t HostMemoryRelease(void* block) {
  std::free(block);
  return 1;
}

std::int16_t HostMemoryCopy(void* destination, const void* source, std::uint16_t length) {
  if (length != 0) std::memcpy(destination, source, length);
  return 1;
}

std::int16_t HostMemoryStart() { return 1; }
std::int16_t HostMemoryStop() { return 1; }

void SetHostAllocator(HostAllocator allocator) { gAllocator = allocator; }
