// tsReadBMP over arbitrary bytes, as RGB (depth 24) and as indexes (8 and 1).
// Every buffer that comes back is read end to end, so that a size that does
// not match the reported width and height shows up under the sanitizer.
#include <cstddef>
#include <cstdint>

#include "imaging/tessera.h"
#include "platform/global_memory.h"

namespace {

std::uint32_t touch(const std::uint8_t* p, std::size_t n) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += p[i];
  return sum;
}

void decodeAt(const std::uint8_t* data, std::size_t size, std::int32_t depth) {
  ImageStream* source = tsOpenMemorySource(data, static_cast<std::uint32_t>(size));
  if (source == nullptr) return;
  std::uint32_t w = 0;
  std::uint32_t h = 0;
  std::uint8_t table[1024];
  std::uint8_t* pixels = tsReadBMP(source, &w, &h, depth, table);
  if (pixels != nullptr) {
    if (w == 0 || h == 0) __builtin_trap();
    const std::size_t bytes = std::size_t{w} * h * (depth == 24 ? 3 : 1);
    if (GlobalSize(pixels) < bytes) __builtin_trap();
    volatile std::uint32_t sink = touch(pixels, bytes) + touch(table, sizeof table);
    (void)sink;
    GlobalFree(pixels);
  }
  tsCloseSource(source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 0xFFFFFFFFu) return 0;
  decodeAt(data, size, 24);
  decodeAt(data, size, 8);
  decodeAt(data, size, 1);
  return 0;
}
