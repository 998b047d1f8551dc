// tsReadPNG over arbitrary bytes; every buffer that comes back is read end to
// end under the sanitizer.
#include <cstddef>
#include <cstdint>

#include "imaging/tessera.h"
#include "platform/global_memory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 0xFFFFFFFFu) return 0;
  ImageStream* source = tsOpenMemorySource(data, static_cast<std::uint32_t>(size));
  if (source == nullptr) return 0;
  std::uint32_t w = 0;
  std::uint32_t h = 0;
  std::uint8_t* pixels = tsReadPNG(source, &w, &h);
  if (pixels != nullptr) {
    if (w == 0 || h == 0) __builtin_trap();
    const std::size_t bytes = std::size_t{w} * h * 3;
    if (GlobalSize(pixels) < bytes) __builtin_trap();
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes; ++i) sum += pixels[i];
    volatile std::uint32_t sink = sum;
    (void)sink;
    GlobalFree(pixels);
  }
  tsCloseSource(source);
  return 0;
}
