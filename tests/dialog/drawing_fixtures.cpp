#include "tests/dialog/drawing_fixtures.h"

#include "tools/builders/bmp_builder.h"
#include "tools/builders/dwg_builder.h"
#include "tools/builders/dxf_builder.h"
#include "tools/builders/png_builder.h"

namespace apptest {

std::vector<std::uint8_t> TwoColourBmpDrawing(int width, int height, std::uint32_t left,
                                              std::uint32_t right) {
  testsupport::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = 24;
  layout.pixels = testsupport::packRows(width, height, 24,
                                      [&](int x, int) { return x < width / 2 ? left : right; });
  return testsupport::dwgWithDib("AC1015", testsupport::dibBytes(layout));
}

std::vector<std::uint8_t> StripedBmpDrawing(int width, int height) {
  testsupport::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = 24;
  layout.pixels =
      testsupport::packRows(width, height, 24, [](int x, int) { return x % 2 == 0 ? 0x000000u : 0xFFFFFFu; });
  return testsupport::dwgWithDib("AC1015", testsupport::dibBytes(layout));
}

std::vector<std::uint8_t> BmpDrawing(int width, int height, std::uint32_t rgb, int bitCount,
                                     const std::string& version) {
  testsupport::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = static_cast<std::uint16_t>(bitCount);
  if (bitCount == 8) {
    layout.palette = {0x000000, rgb};
    layout.coloursUsed = 2;
    layout.pixels = testsupport::packRows(width, height, 8, [](int, int) { return 1u; });
  } else {
    layout.pixels = testsupport::packRows(width, height, 24, [&](int, int) { return rgb; });
  }
  return testsupport::dwgWithDib(version, testsupport::dibBytes(layout));
}

std::vector<std::uint8_t> DxfDrawing(int width, int height, std::uint32_t rgb) {
  testsupport::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = 24;
  layout.pixels = testsupport::packRows(width, height, 24, [&](int, int) { return rgb; });
  return testsupport::DxfBuilder(testsupport::DxfKind::TextCrLf).preview(testsupport::dibBytes(layout)).bytes();
}

std::vector<std::uint8_t> PngDrawing(int width, int height, std::uint32_t rgb,
                                     const std::string& version) {
  testsupport::PngPicture layout;
  layout.width = static_cast<std::uint32_t>(width);
  layout.height = static_cast<std::uint32_t>(height);
  layout.colourType = testsupport::kPngRgb;
  layout.sample = [rgb](std::uint32_t, std::uint32_t, int channel) -> std::uint32_t {
    return (rgb >> (16 - 8 * channel)) & 0xFF;
  };
  return testsupport::dwgWithPng(version, testsupport::pngFileBytes(layout));
}

std::vector<std::uint8_t> NoPreviewDrawing() {
  return testsupport::DwgBuilder("AC1015").headerEntry().bytes();
}

std::vector<std::uint8_t> BrokenPreviewDrawing() {
  // A bitmap header the decoders refuse: 7 bits per pixel.
  testsupport::BmpLayout layout;
  layout.width = 16;
  layout.height = 16;
  layout.bitCount = 7;
  layout.pixels.assign(256, 0x55);
  return testsupport::dwgWithDib("AC1015", testsupport::dibBytes(layout));
}

}  // namespace apptest
