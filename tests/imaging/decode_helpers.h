// Runs the decoders over in-memory bytes and hands back plain vectors, so
// that tests compare pixels without handling global blocks themselves.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "imaging/tessera.h"
#include "platform/global_memory.h"

namespace imagingtest {

struct Decoded {
  bool ok = false;  // a buffer came back
  std::int32_t error = TSERR_NONE;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> pixels;
  std::array<std::uint8_t, 1024> table{};
  std::uint32_t consumed = 0;  // tsCloseSource's result
};

inline Decoded finish(ImageStream* source, std::uint8_t* buffer, std::size_t bytes, Decoded d) {
  d.error = tsGetLastError();
  d.ok = buffer != nullptr;
  if (buffer != nullptr) {
    d.pixels.assign(buffer, buffer + bytes);
    GlobalFree(buffer);
  }
  d.consumed = tsCloseSource(source);
  return d;
}

// depth 24: RGB; 1 or 8: indexed (the table lands in Decoded::table).
inline Decoded decodeBmp(const std::vector<std::uint8_t>& file, std::int32_t depth = 24) {
  Decoded d;
  ImageStream* source = tsOpenMemorySource(file.data(), static_cast<std::uint32_t>(file.size()));
  if (source == nullptr) return d;
  std::uint8_t* out = tsReadBMP(source, &d.width, &d.height, depth, d.table.data());
  const std::size_t bytes = std::size_t{d.width} * d.height * (depth == 24 ? 3 : 1);
  return finish(source, out, bytes, d);
}

inline Decoded decodePng(const std::vector<std::uint8_t>& file) {
  Decoded d;
  ImageStream* source = tsOpenMemorySource(file.data(), static_cast<std::uint32_t>(file.size()));
  if (source == nullptr) return d;
  std::uint8_t* out = tsReadPNG(source, &d.width, &d.height);
  return finish(source, out, std::size_t{d.width} * d.height * 3, d);
}

// One index per pixel mapped through a colour table (blue, green, red,
// reserved per entry) to packed RGB.
inline std::vector<std::uint8_t> throughTable(const std::vector<std::uint8_t>& indexes,
                                              const std::array<std::uint8_t, 1024>& table) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(indexes.size() * 3);
  for (const std::uint8_t i : indexes) {
    rgb.push_back(table[i * 4 + 2]);
    rgb.push_back(table[i * 4 + 1]);
    rgb.push_back(table[i * 4]);
  }
  return rgb;
}

// Pixel (x, y) of a packed RGB buffer as 0xRRGGBB.
inline std::uint32_t rgbAt(const std::vector<std::uint8_t>& p, std::uint32_t width,
                           std::uint32_t x, std::uint32_t y) {
  const std::size_t i = (std::size_t{y} * width + x) * 3;
  return (std::uint32_t{p[i]} << 16) | (std::uint32_t{p[i + 1]} << 8) | p[i + 2];
}

}  // namespace imagingtest
