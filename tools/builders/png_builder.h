// Builds PNG files in memory for tests, benchmarks and fuzz seeds, through
// libpng's writing interface: any colour type and bit depth, a palette, a
// transparency chunk, Adam7 interlacing.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace testsupport {

// Colour types as stored in IHDR.
enum PngColour : int {
  kPngGrey = 0,
  kPngRgb = 2,
  kPngPalette = 3,
  kPngGreyAlpha = 4,
  kPngRgba = 6,
};

struct PngPicture {
  std::uint32_t width = 4;
  std::uint32_t height = 2;
  int colourType = kPngRgb;
  int bitDepth = 8;  // 1, 2, 4, 8 or 16 as the colour type allows
  bool interlaced = false;
  // Sample `channel` of pixel (x, y), y = 0 the top row, at the bit depth
  // (a palette index for palette images). Channels: grey 1, grey+alpha 2,
  // RGB 3, RGBA 4, palette 1.
  std::function<std::uint32_t(std::uint32_t x, std::uint32_t y, int channel)> sample;
  std::vector<std::uint32_t> palette;       // 0x00RRGGBB (PLTE)
  std::vector<std::uint8_t> paletteAlpha;   // tRNS of a palette image
  std::optional<std::array<std::uint16_t, 3>> transparentColour;  // tRNS: grey in [0], or RGB
};

// The whole file. Throws std::runtime_error when libpng refuses the picture.
std::vector<std::uint8_t> pngFileBytes(const PngPicture& picture);

// The file with one more chunk right after IHDR. `declaredLength` goes into
// the chunk's length field (the data's size when unset), so that a chunk can
// claim more than it holds; the CRC covers the type and the data given.
std::vector<std::uint8_t> withChunkAfterHeader(const std::vector<std::uint8_t>& png,
                                               const char (&type)[5],
                                               const std::vector<std::uint8_t>& data,
                                               std::optional<std::uint32_t> declaredLength = {});

// Channels per pixel of a colour type.
int pngChannels(int colourType);

}  // namespace testsupport
