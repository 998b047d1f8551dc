// tsReadPNG over arbitrary bytes; every buffer that comes back is read end to
// end under the sanitizer. Each input is decoded twice: as it is, and with
// every chunk's CRC recomputed, so that mutations reach past libpng's CRC
// checks into the image data instead of failing there.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/tessera.h"
#include "platform/global_memory.h"

namespace {

void decode(const std::uint8_t* data, std::size_t size) {
  ImageStream* source = tsOpenMemorySource(data, static_cast<std::uint32_t>(size));
  if (source == nullptr) return;
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
}

std::uint32_t bigEndian(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Rewrites the CRC of every whole chunk after the signature; false when
// nothing changed.
bool fixCrcs(std::vector<std::uint8_t>& png) {
  bool changed = false;
  std::size_t at = 8;
  while (at <= png.size() && png.size() - at >= 12) {
    const std::uint32_t length = bigEndian(&png[at]);
    if (length > png.size() - at - 12) break;
    const uLong crc = crc32(0, &png[at + 4], static_cast<uInt>(length + 4));
    std::uint8_t* stored = &png[at + 8 + length];
    const std::uint8_t want[4] = {static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
                                  static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)};
    if (std::memcmp(stored, want, 4) != 0) {
      std::memcpy(stored, want, 4);
      changed = true;
    }
    at += 12 + std::size_t{length};
  }
  return changed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 0xFFFFFFFFu) return 0;
  decode(data, size);
  std::vector<std::uint8_t> fixed(data, data + size);
  if (fixCrcs(fixed)) decode(fixed.data(), fixed.size());
  return 0;
}
