#include "tests/app/drawing_fixtures.h"

#include "tests/support/bmp_builder.h"
#include "tests/support/dwg_builder.h"
#include "tests/support/png_builder.h"

namespace apptest {

std::vector<std::uint8_t> TwoColourBmpDrawing(int width, int height, std::uint32_t left,
                                              std::uint32_t right) {
  testsupport::BmpSpec spec;
  spec.width = width;
  spec.height = height;
  spec.bitCount = 24;
  spec.pixels = testsupport::packRows(width, height, 24,
                                      [&](int x, int) { return x < width / 2 ? left : right; });
  return testsupport::dwgWithDib("AC1015", testsupport::dibBytes(spec));
}

std::vector<std::uint8_t> BmpDrawing(int width, int height, std::uint32_t rgb, int bitCount,
                                     const std::string& version) {
  testsupport::BmpSpec spec;
  spec.width = width;
  spec.height = height;
  spec.bitCount = static_cast<std::uint16_t>(bitCount);
  if (bitCount == 8) {
    spec.palette = {0x000000, rgb};
    spec.coloursUsed = 2;
    spec.pixels = testsupport::packRows(width, height, 8, [](int, int) { return 1u; });
  } else {
    spec.pixels = testsupport::packRows(width, height, 24, [&](int, int) { return rgb; });
  }
  return testsupport::dwgWithDib(version, testsupport::dibBytes(spec));
}

std::vector<std::uint8_t> PngDrawing(int width, int height, std::uint32_t rgb,
                                     const std::string& version) {
  testsupport::PngPicture spec;
  spec.width = static_cast<std::uint32_t>(width);
  spec.height = static_cast<std::uint32_t>(height);
  spec.colourType = testsupport::kPngRgb;
  spec.sample = [rgb](std::uint32_t, std::uint32_t, int channel) -> std::uint32_t {
    return (rgb >> (16 - 8 * channel)) & 0xFF;
  };
  return testsupport::dwgWithPng(version, testsupport::pngFileBytes(spec));
}

std::vector<std::uint8_t> NoPreviewDrawing() {
  return testsupport::DwgBuilder("AC1015").headerEntry().bytes();
}

std::vector<std::uint8_t> BrokenPreviewDrawing() {
  // A bitmap header the decoders refuse: 7 bits per pixel.
  testsupport::BmpSpec spec;
  spec.width = 16;
  spec.height = 16;
  spec.bitCount = 7;
  spec.pixels.assign(256, 0x55);
  return testsupport::dwgWithDib("AC1015", testsupport::dibBytes(spec));
}

}  // namespace apptest
