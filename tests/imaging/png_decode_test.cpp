// PNG decoding: every colour type and depth to 8-bit RGB, transparency over
// white, interlacing, and the error codes for bad, short and huge files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "imaging/tessera.h"
#include "tests/imaging/decode_helpers.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/png_builder.h"

namespace {

using imagingtest::decodePng;
using imagingtest::rgbAt;
using testsupport::PngPicture;
using Bytes = std::vector<std::uint8_t>;

PngPicture picture(int colour, int depth, std::uint32_t w = 3, std::uint32_t h = 2) {
  PngPicture s;
  s.width = w;
  s.height = h;
  s.colourType = colour;
  s.bitDepth = depth;
  return s;
}

TEST(ReadPng, TrueColourAndGreyExpandToEightBitRgb) {
  PngPicture rgb = picture(testsupport::kPngRgb, 8);
  rgb.sample = [](std::uint32_t x, std::uint32_t y, int c) { return x * 40 + y * 100 + c * 7; };
  auto d = decodePng(testsupport::pngFileBytes(rgb));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_NONE);
  EXPECT_EQ(d.width, 3u);
  EXPECT_EQ(d.height, 2u);
  EXPECT_EQ(rgbAt(d.pixels, 3, 2, 1), (180u << 16) | (187u << 8) | 194u);

  PngPicture rgb16 = picture(testsupport::kPngRgb, 16, 1, 1);
  rgb16.sample = [](std::uint32_t, std::uint32_t, int c) { return c == 0 ? 0xFFFFu : c == 1 ? 0x8080u : 0x0101u; };
  d = decodePng(testsupport::pngFileBytes(rgb16));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.pixels, (Bytes{255, 128, 1}));

  // Grey at 1, 2 and 4 bits scales its levels to 0..255.
  for (int depth : {1, 2, 4}) {
    PngPicture grey = picture(testsupport::kPngGrey, depth, 2, 1);
    const std::uint32_t top = (1u << depth) - 1;
    grey.sample = [top](std::uint32_t x, std::uint32_t, int) { return x == 0 ? 0u : top; };
    d = decodePng(testsupport::pngFileBytes(grey));
    ASSERT_TRUE(d.ok) << depth;
    EXPECT_EQ(d.pixels, (Bytes{0, 0, 0, 255, 255, 255})) << depth;
  }
}

TEST(ReadPng, PaletteImagesLookUpTheirColours) {
  PngPicture pal = picture(testsupport::kPngPalette, 4, 4, 1);
  pal.palette = {0xFF0000, 0x00FF00, 0x0000FF};
  pal.sample = [](std::uint32_t x, std::uint32_t, int) { return x % 3; };
  const auto d = decodePng(testsupport::pngFileBytes(pal));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(rgbAt(d.pixels, 4, 0, 0), 0xFF0000u);
  EXPECT_EQ(rgbAt(d.pixels, 4, 2, 0), 0x0000FFu);
  EXPECT_EQ(rgbAt(d.pixels, 4, 3, 0), 0xFF0000u);
}

TEST(ReadPng, TransparencyIsCompositedOverWhite) {
  PngPicture rgba = picture(testsupport::kPngRgba, 8, 3, 1);
  rgba.sample = [](std::uint32_t x, std::uint32_t, int c) {
    const std::uint32_t alpha[] = {255, 0, 128};
    return c == 3 ? alpha[x] : (c == 0 ? 200u : 0u);
  };
  auto d = decodePng(testsupport::pngFileBytes(rgba));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(rgbAt(d.pixels, 3, 0, 0), 0xC80000u) << "opaque keeps its colour";
  EXPECT_EQ(rgbAt(d.pixels, 3, 1, 0), 0xFFFFFFu) << "transparent is white";
  // 128/255 of (200, 0, 0) over white, rounded: 227.4 -> 227 and 127.0 -> 127.
  EXPECT_EQ(rgbAt(d.pixels, 3, 2, 0), (227u << 16) | (127u << 8) | 127u);

  PngPicture pal = picture(testsupport::kPngPalette, 8, 2, 1);
  pal.palette = {0x000000, 0x123456};
  pal.paletteAlpha = {0};  // entry 0 transparent, entry 1 opaque
  pal.sample = [](std::uint32_t x, std::uint32_t, int) { return x; };
  d = decodePng(testsupport::pngFileBytes(pal));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.pixels, (Bytes{255, 255, 255, 0x12, 0x34, 0x56}));

  PngPicture grey = picture(testsupport::kPngGrey, 8, 2, 1);
  grey.transparentColour = std::array<std::uint16_t, 3>{40, 0, 0};
  grey.sample = [](std::uint32_t x, std::uint32_t, int) { return x == 0 ? 40u : 41u; };
  d = decodePng(testsupport::pngFileBytes(grey));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.pixels, (Bytes{255, 255, 255, 41, 41, 41}));

  PngPicture ga = picture(testsupport::kPngGreyAlpha, 16, 1, 1);
  ga.sample = [](std::uint32_t, std::uint32_t, int c) { return c == 0 ? 0u : 0u; };
  d = decodePng(testsupport::pngFileBytes(ga));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.pixels, (Bytes{255, 255, 255}));
}

TEST(ReadPng, InterlacedImagesMatchTheirPlainTwins) {
  for (int colour : {testsupport::kPngRgb, testsupport::kPngRgba, testsupport::kPngPalette}) {
    PngPicture s = picture(colour, 8, 13, 11);
    if (colour == testsupport::kPngPalette) s.palette = testsupport::greyPalette(256);
    s.sample = [](std::uint32_t x, std::uint32_t y, int c) { return (x * 31 + y * 17 + c * 5) % 256; };
    const auto plain = decodePng(testsupport::pngFileBytes(s));
    s.interlaced = true;
    const auto adam7 = decodePng(testsupport::pngFileBytes(s));
    ASSERT_TRUE(plain.ok);
    ASSERT_TRUE(adam7.ok);
    EXPECT_EQ(adam7.pixels, plain.pixels) << "colour type " << colour;
  }
}

TEST(ReadPng, ErrorsAreToldApart) {
  PngPicture s = picture(testsupport::kPngRgb, 8, 20, 20);
  s.sample = [](std::uint32_t x, std::uint32_t y, int c) { return (x * 7 + y * 3 + c) * 97 % 256; };
  const Bytes good = testsupport::pngFileBytes(s);

  auto d = decodePng(Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(d.error, TSERR_BAD_FORMAT) << "not a PNG";
  d = decodePng(Bytes(good.begin(), good.begin() + 5));
  EXPECT_EQ(d.error, TSERR_READ) << "signature cut short";
  d = decodePng(Bytes(good.begin(), good.begin() + 20));
  EXPECT_EQ(d.error, TSERR_READ) << "header cut short";
  d = decodePng(Bytes(good.begin(), good.end() - 30));
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.error, TSERR_READ) << "image data cut short";

  Bytes crc = good;
  crc[29] ^= 0xFF;  // inside IHDR: its CRC no longer matches
  d = decodePng(crc);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.error, TSERR_BAD_FORMAT);

  Bytes huge = good;
  huge[16] = 0;
  huge[17] = 0;
  huge[18] = 0x40;
  huge[19] = 0x01;  // width 16385
  d = decodePng(huge);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.error, TSERR_MEMORY);

  Bytes square = good;  // 8192 x 8192: each side allowed, too many pixels in all
  for (int at : {16, 20}) {
    square[at] = 0;
    square[at + 1] = 0;
    square[at + 2] = 0x20;
    square[at + 3] = 0;
  }
  d = decodePng(square);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.error, TSERR_MEMORY);

  Bytes zero = good;
  zero[16] = zero[17] = zero[18] = zero[19] = 0;
  d = decodePng(zero);
  EXPECT_EQ(d.error, TSERR_BAD_FORMAT);

  d = decodePng(good);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_NONE);

  std::uint32_t w = 0;
  std::uint32_t h = 0;
  EXPECT_EQ(tsReadPNG(nullptr, &w, &h), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
}

// Found by fuzzing: a palette picture followed by a suggested-palette chunk
// that claims a gigabyte. libpng does not hold that chunk to its chunk limit
// and zero-filled a gigabyte before finding the data missing.
TEST(ReadPng, ChunkClaimingAGigabyteIsNeitherAllocatedNorWaitedFor) {
  PngPicture pal = picture(testsupport::kPngPalette, 1, 11, 7);
  pal.palette = {0x000000, 0xFFFFFF};
  pal.sample = [](std::uint32_t x, std::uint32_t y, int) { return (x + y) % 2; };
  const Bytes base = testsupport::pngFileBytes(pal);
  Bytes claim(40, 0);
  claim[0] = 'E';
  const auto cut = decodePng(testsupport::withChunkAfterHeader(base, "sPLT", claim, 0x40000006u));
  EXPECT_FALSE(cut.ok);
  EXPECT_EQ(cut.error, TSERR_READ);

  // Present in full but above the chunk limit, it makes the picture too large.
  Bytes big(9u * 1024u * 1024u, 1);
  const char name[] = "big";
  std::copy(name, name + sizeof name, big.begin());
  big[sizeof name] = 8;  // sample depth
  const auto full = decodePng(testsupport::withChunkAfterHeader(base, "sPLT", big));
  EXPECT_FALSE(full.ok);
  EXPECT_EQ(full.error, TSERR_MEMORY);

  // A small one is read past as usual.
  Bytes small = {'p', 0, 8, 1, 2, 3, 4, 0, 5};
  const auto fine = decodePng(testsupport::withChunkAfterHeader(base, "sPLT", small));
  ASSERT_TRUE(fine.ok);
  EXPECT_EQ(fine.error, TSERR_NONE);
  EXPECT_EQ(fine.width, 11u);
}

}  // namespace
