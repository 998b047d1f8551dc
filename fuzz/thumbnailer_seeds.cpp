// Writes a seed corpus for fuzz_thumbnailer from the test builders: drawings
// whose previews decode (8-, 4-, 1- and 24-bit and run-length bitmaps, PNG
// pictures with alpha and a palette) at sizes on both sides of the boxes.
//   fuzz_thumbnailer_seeds <dir>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/seed_files.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/dwg_builder.h"
#include "tools/builders/png_builder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Dib(int width, int height, int bitCount) {
  testsupport::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = static_cast<std::uint16_t>(bitCount);
  if (bitCount <= 8) layout.palette = testsupport::greyPalette(1 << bitCount);
  layout.pixels = testsupport::packRows(width, height, bitCount, [bitCount](int x, int y) {
    const auto v = static_cast<std::uint32_t>(x * 5 + y * 3);
    return bitCount == 24 ? v * 0x010203u & 0xFFFFFFu : v % (1u << bitCount);
  });
  return testsupport::dibBytes(layout);
}

Bytes RunLength(int width, int height) {
  testsupport::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.compression = 1;
  layout.palette = {0xFFFFFF, 0x000000};
  layout.coloursUsed = 2;
  for (int y = 0; y < height; ++y)
    layout.pixels.insert(layout.pixels.end(), {static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(y & 1), 0, 0});
  layout.pixels.insert(layout.pixels.end(), {0, 1});
  return testsupport::dibBytes(layout);
}

Bytes Png(std::uint32_t width, std::uint32_t height, int colourType) {
  testsupport::PngPicture picture;
  picture.width = width;
  picture.height = height;
  picture.colourType = colourType;
  if (colourType == testsupport::kPngPalette) {
    picture.palette = {0x000000, 0xFF8000, 0x0080FF, 0xFFFFFF};
    picture.paletteAlpha = {0, 128, 255, 255};
  }
  picture.sample = [colourType](std::uint32_t x, std::uint32_t y, int channel) -> std::uint32_t {
    if (colourType == testsupport::kPngPalette) return (x + y) % 4;
    return (x * 7 + y * 11 + static_cast<std::uint32_t>(channel) * 60) & 0xFF;
  };
  return testsupport::pngFileBytes(picture);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_thumbnailer_seeds <dir>\n";
    return 2;
  }
  const std::string dir = argv[1];
  const std::vector<fuzzsupport::Seed> seeds = {
      {"bmp8-wide", testsupport::dwgWithDib("AC1015", Dib(300, 40, 8))},
      {"bmp4", testsupport::dwgWithDib("AC1018", Dib(33, 17, 4))},
      {"bmp1", testsupport::dwgWithDib("AC1014", Dib(70, 9, 1))},
      {"bmp24-tall", testsupport::dwgWithDib("AC1021", Dib(13, 140, 24))},
      {"bmp8-tiny", testsupport::dwgWithDib("AC1012", Dib(1, 1, 8))},
      {"rle8", testsupport::dwgWithDib("AC1024", RunLength(20, 6))},
      {"png-rgba", testsupport::dwgWithPng("AC1032", Png(130, 60, testsupport::kPngRgba))},
      {"png-palette", testsupport::dwgWithPng("AC1027", Png(17, 300, testsupport::kPngPalette))},
  };
  return fuzzsupport::WriteSeedFiles(dir, seeds);
}
