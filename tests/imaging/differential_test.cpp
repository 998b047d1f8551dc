// Every picture decodes to the same pixels as an independent decoder (Qt's
// image readers) gives for the same bytes. Pictures have the geometry of
// real drawing previews: 256 x 102 and 672 x 448 8-bit bitmaps, and palette
// PNGs, plus the other layouts the decoders accept.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/imaging/decode_helpers.h"
#include "tests/imaging/qt_reference.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/png_builder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A line drawing on white: a frame, diagonals and a few filled boxes.
std::uint32_t drawingIndex(int x, int y, int w, int h) {
  if (x == 0 || y == 0 || x == w - 1 || y == h - 1) return 1;
  if (x * h / w == y || (w - 1 - x) * h / w == y) return 2;
  if ((x / 16 + y / 16) % 7 == 0) return 3 + static_cast<std::uint32_t>(x + y) % 250;
  return 0;
}

std::vector<std::uint32_t> drawingPalette() {
  std::vector<std::uint32_t> p = {0xFFFFFF, 0x000000, 0xFF0000};
  for (std::uint32_t i = 3; i < 256; ++i) p.push_back((i * 0x3B9ACAu) & 0xFFFFFF);
  return p;
}


struct BmpCase {
  std::string name;
  testsupport::BmpLayout picture;
};

std::vector<BmpCase> bmpCases() {
  std::vector<BmpCase> cases;
  auto indexed = [](int w, int h, int bits) {
    testsupport::BmpLayout s;
    s.width = w;
    s.height = h;
    s.bitCount = static_cast<std::uint16_t>(bits);
    std::vector<std::uint32_t> pal = drawingPalette();
    pal.resize(std::size_t{1} << bits);
    s.palette = pal;
    s.pixels = testsupport::packRows(w, h, bits, [&](int x, int y) {
      return drawingIndex(x, y, w, std::abs(h)) % (1u << bits);
    }, h < 0);
    return s;
  };
  cases.push_back({"preview 256x102 8-bit", indexed(256, 102, 8)});
  cases.push_back({"preview 672x448 8-bit", indexed(672, 448, 8)});
  cases.push_back({"preview 216x140 8-bit", indexed(216, 140, 8)});
  cases.push_back({"top-down 8-bit", indexed(37, -21, 8)});
  cases.push_back({"4-bit", indexed(33, 17, 4)});
  cases.push_back({"1-bit", indexed(45, 9, 1)});
  testsupport::BmpLayout fewColours = indexed(50, 20, 8);
  fewColours.palette.resize(3);
  fewColours.coloursUsed = 3;
  fewColours.pixels = testsupport::packRows(50, 20, 8, [](int x, int y) { return (x + y) % 3u; });
  cases.push_back({"8-bit with 3 colours", fewColours});
  for (int bits : {24, 32}) {
    testsupport::BmpLayout s;
    s.width = 29;
    s.height = 13;
    s.bitCount = static_cast<std::uint16_t>(bits);
    s.pixels = testsupport::packRows(29, 13, bits, [](int x, int y) {
      return static_cast<std::uint32_t>(x * 0x080402 + y * 0x101010) & 0xFFFFFF;
    });
    cases.push_back({std::to_string(bits) + "-bit", s});
  }
  testsupport::BmpLayout rle8 = indexed(6, 3, 8);
  rle8.compression = 1;
  // The codes reach every pixel: readers differ on pixels left unreached
  // (the colour of entry 0 here; Qt leaves them undefined).
  rle8.pixels = {3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 6, 4, 0, 0, 6, 9, 0, 1};
  cases.push_back({"RLE8", rle8});
  testsupport::BmpLayout rle4 = indexed(6, 2, 4);
  rle4.compression = 2;
  rle4.pixels = {6, 0x12, 0, 0, 0, 6, 0x34, 0x56, 0x78, 0, 0, 1};
  cases.push_back({"RLE4", rle4});
  return cases;
}

TEST(Differential, BitmapsDecodeAsQtDecodesThem) {
  for (const BmpCase& c : bmpCases()) {
    const Bytes file = testsupport::bmpFileBytes(c.picture);
    const auto ours = imagingtest::decodeBmp(file);
    ASSERT_TRUE(ours.ok) << c.name;
    EXPECT_EQ(ours.error, TSERR_NONE) << c.name;
    const auto theirs = imagingtest::qtDecode(file, "BMP");
    ASSERT_TRUE(theirs.ok) << c.name << ": Qt could not read it";
    EXPECT_EQ(ours.pixels, theirs.rgb) << c.name;
  }
}

// Every layout the RGB and indexed decoders accept, behind each of the
// three information-header sizes in use (40, 108 and 124 bytes). Decoders
// that place the colour table or the masks by a fixed offset get the colours
// of the longer headers wrong.
struct LayoutCase {
  std::string name;
  testsupport::BmpLayout picture;
  // 16 bits: the red, green and blue field widths. Qt and the library widen
  // a field to 8 bits differently (the library fills the bits below it with
  // ones), so the comparison goes through the field's level, which both
  // keep in the top bits.
  std::array<int, 3> fieldBits{0, 0, 0};
};

std::vector<LayoutCase> layoutCases() {
  std::vector<LayoutCase> cases;
  auto indexed = [](int w, int h, int bits, std::uint32_t colours) {
    testsupport::BmpLayout s;
    s.width = w;
    s.height = h;
    s.bitCount = static_cast<std::uint16_t>(bits);
    std::vector<std::uint32_t> pal = drawingPalette();
    pal.resize(colours);
    s.palette = pal;
    s.coloursUsed = colours == (1u << bits) ? 0 : colours;
    s.pixels = testsupport::packRows(w, h, bits, [&](int x, int y) {
      return drawingIndex(x, y, w, std::abs(h)) % colours;
    }, h < 0);
    return s;
  };
  auto direct = [](int w, int h, int bits, std::uint32_t compression,
                   std::function<std::uint32_t(int, int)> value) {
    testsupport::BmpLayout s;
    s.width = w;
    s.height = h;
    s.bitCount = static_cast<std::uint16_t>(bits);
    s.compression = compression;
    s.pixels = testsupport::packRows(w, h, bits, value, h < 0);
    return s;
  };
  cases.push_back({"1-bit", indexed(45, 9, 1, 2)});
  cases.push_back({"4-bit", indexed(33, 17, 4, 16)});
  cases.push_back({"8-bit", indexed(64, 20, 8, 256)});
  cases.push_back({"8-bit top-down", indexed(37, -21, 8, 256)});
  cases.push_back({"4-bit top-down", indexed(19, -6, 4, 16)});
  cases.push_back({"8-bit, 3 colours used", indexed(50, 20, 8, 3)});
  cases.push_back({"4-bit, 5 colours used", indexed(21, 7, 4, 5)});
  cases.push_back({"1-bit, 1 colour used", indexed(12, 3, 1, 1)});

  testsupport::BmpLayout rle8 = indexed(6, 3, 8, 16);
  rle8.compression = 1;
  rle8.pixels = {3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 6, 4, 0, 0, 6, 9, 0, 1};
  cases.push_back({"RLE8", rle8});
  testsupport::BmpLayout rle4 = indexed(6, 2, 4, 16);
  rle4.compression = 2;
  rle4.pixels = {6, 0x12, 0, 0, 0, 6, 0x34, 0x56, 0x78, 0, 0, 1};
  cases.push_back({"RLE4", rle4});

  auto colour = [](int x, int y) {
    return static_cast<std::uint32_t>(x * 0x080402 + y * 0x101010) & 0xFFFFFF;
  };
  auto word = [](int x, int y) { return static_cast<std::uint32_t>(x * 1237 + y * 4099) & 0xFFFF; };
  cases.push_back({"24-bit", direct(29, 13, 24, 0, colour)});
  cases.push_back({"24-bit top-down", direct(7, -5, 24, 0, colour)});
  cases.push_back({"32-bit", direct(29, 13, 32, 0, colour)});
  testsupport::BmpLayout masked32 = direct(11, 4, 32, 3, colour);
  masked32.masks = std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
  cases.push_back({"32-bit bit fields", masked32});
  // A small 16-bit picture without a colour table: its whole file is far
  // shorter than a 256-entry table.
  cases.push_back({"16-bit 5-5-5, 3 x 2", direct(3, 2, 16, 0, word), {5, 5, 5}});
  cases.push_back({"16-bit 5-5-5", direct(17, 9, 16, 0, word), {5, 5, 5}});
  cases.push_back({"16-bit 5-5-5 top-down", direct(5, -3, 16, 0, word), {5, 5, 5}});
  testsupport::BmpLayout masked565 = direct(13, 6, 16, 3, word);
  masked565.masks = std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F};
  cases.push_back({"16-bit bit fields 5-6-5", masked565, {5, 6, 5}});
  testsupport::BmpLayout masked555 = direct(4, 3, 16, 3, word);
  masked555.masks = std::array<std::uint32_t, 3>{0x7C00, 0x03E0, 0x001F};
  cases.push_back({"16-bit bit fields 5-5-5", masked555, {5, 5, 5}});
  return cases;
}

// Qt's pixels with each 16-bit field's level widened as the library widens it.
std::vector<std::uint8_t> widenedLikeTheLibrary(std::vector<std::uint8_t> rgb,
                                                const std::array<int, 3>& fieldBits) {
  for (std::size_t i = 0; i < rgb.size(); ++i) {
    const int bits = fieldBits[i % 3];
    if (bits == 0 || bits >= 8) continue;
    const unsigned low = (1u << (8 - bits)) - 1;
    rgb[i] = static_cast<std::uint8_t>((rgb[i] & ~low) | low);
  }
  return rgb;
}

TEST(Differential, EveryLayoutDecodesAsQtDecodesItWhateverTheHeaderSize) {
  for (const std::uint32_t headerSize : {40u, 108u, 124u}) {
    for (const LayoutCase& c : layoutCases()) {
      const std::string name = c.name + ", " + std::to_string(headerSize) + "-byte header";
      testsupport::BmpLayout picture = c.picture;
      picture.headerSize = headerSize;
      const Bytes file = testsupport::bmpFileBytes(picture);
      const auto theirs = imagingtest::qtDecode(file, "BMP");
      ASSERT_TRUE(theirs.ok) << name << ": Qt could not read it";
      const auto ours = imagingtest::decodeBmp(file);
      EXPECT_EQ(ours.error, TSERR_NONE) << name;
      if (!ours.ok) {
        ADD_FAILURE() << name << ": not decoded";
        continue;
      }
      EXPECT_EQ(ours.width, theirs.width) << name;
      EXPECT_EQ(ours.height, theirs.height) << name;
      EXPECT_EQ(ours.pixels, widenedLikeTheLibrary(theirs.rgb, c.fieldBits)) << name;
      if (picture.bitCount > 8) continue;
      // The indexed decoder: indexes looked up in the table it hands back.
      const auto indexes = imagingtest::decodeBmp(file, 8);
      EXPECT_EQ(indexes.error, TSERR_NONE) << name << " as indexes";
      EXPECT_EQ(imagingtest::throughTable(indexes.pixels, indexes.table), theirs.rgb)
          << name << " as indexes";
    }
  }
}

TEST(Differential, PngsDecodeAsQtDecodesThem) {
  struct Case {
    const char* name;
    int colour, depth;
    std::uint32_t w, h;
    bool interlaced, transparent;
  };
  const Case cases[] = {
      {"palette preview 8-bit", testsupport::kPngPalette, 8, 256, 102, false, false},
      {"palette preview 4-bit", testsupport::kPngPalette, 4, 180, 88, false, false},
      {"palette with tRNS", testsupport::kPngPalette, 8, 64, 40, false, true},
      {"palette interlaced", testsupport::kPngPalette, 2, 67, 45, true, false},
      {"grey 8", testsupport::kPngGrey, 8, 30, 20, false, false},
      {"grey 16", testsupport::kPngGrey, 16, 30, 20, false, false},
      {"rgb 8 interlaced", testsupport::kPngRgb, 8, 31, 19, true, false},
      {"rgb 16", testsupport::kPngRgb, 16, 31, 19, false, false},
      {"rgba 8", testsupport::kPngRgba, 8, 25, 25, false, true},
      {"grey+alpha 8", testsupport::kPngGreyAlpha, 8, 25, 25, false, true},
  };
  for (const Case& c : cases) {
    testsupport::PngPicture s;
    s.width = c.w;
    s.height = c.h;
    s.colourType = c.colour;
    s.bitDepth = c.depth;
    s.interlaced = c.interlaced;
    const std::uint32_t levels = 1u << c.depth;
    const std::uint32_t w = c.w;
    const std::uint32_t h = c.h;
    s.sample = [=](std::uint32_t x, std::uint32_t y, int ch) {
      if (c.colour == testsupport::kPngPalette) {
        return drawingIndex(static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                            static_cast<int>(h)) % levels;
      }
      return (x * 2654435761u + y * 40503u + static_cast<std::uint32_t>(ch) * 977u) % levels;
    };
    if (c.colour == testsupport::kPngPalette) {
      s.palette = drawingPalette();
      s.palette.resize(levels);
      if (c.transparent) s.paletteAlpha = {0, 64, 128, 255, 10};
    }
    const Bytes file = testsupport::pngFileBytes(s);
    const auto ours = imagingtest::decodePng(file);
    ASSERT_TRUE(ours.ok) << c.name;
    const auto theirs = imagingtest::qtDecode(file, "PNG");
    ASSERT_TRUE(theirs.ok) << c.name << ": Qt could not read it";
    // Opaque pictures agree exactly; compositing may round differently by 1.
    EXPECT_LE(imagingtest::maxDifference(ours.pixels, theirs.rgb), c.transparent ? 1 : 0) << c.name;
  }
}

}  // namespace
