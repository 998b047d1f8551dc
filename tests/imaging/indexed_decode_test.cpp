// Indexed output: depth checks, the caller's colour table, packed 1-bit rows
// and one index byte per pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "imaging/tessera.h"
#include "tests/imaging/decode_helpers.h"
#include "tools/builders/bmp_builder.h"

namespace {

using imagingtest::decodeBmp;
using testsupport::BmpLayout;
using Bytes = std::vector<std::uint8_t>;

BmpLayout indexedPicture(int w, int h, int bits, int colours) {
  BmpLayout s;
  s.width = w;
  s.height = h;
  s.bitCount = static_cast<std::uint16_t>(bits);
  s.palette = testsupport::greyPalette(colours);
  s.coloursUsed = static_cast<std::uint32_t>(colours);
  s.pixels = testsupport::packRows(w, h, bits, [colours](int x, int y) {
    return static_cast<std::uint32_t>((x + 2 * y) % colours);
  }, h < 0);
  return s;
}

TEST(ReadIndexed, DepthMustCoverTheBitCount) {
  BmpLayout rgb;
  rgb.width = 1;
  rgb.height = 1;
  rgb.bitCount = 24;
  rgb.pixels = {1, 2, 3, 0};
  auto d = decodeBmp(testsupport::bmpFileBytes(rgb), 8);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.error, TSERR_DEPTH) << "24 bits cannot become indexes";

  d = decodeBmp(testsupport::bmpFileBytes(indexedPicture(4, 1, 8, 4)), 1);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.error, TSERR_DEPTH) << "8 bits do not fit depth 1";

  const Bytes file = testsupport::bmpFileBytes(indexedPicture(4, 1, 8, 4));
  ImageStream* source = tsOpenMemorySource(file.data(), static_cast<std::uint32_t>(file.size()));
  std::uint32_t w = 0;
  std::uint32_t h = 0;
  EXPECT_EQ(tsReadBMP(source, &w, &h, 8, nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM) << "no colour-table area";
  tsCloseSource(source);
}

TEST(ReadIndexed, FourBitsUnpackToOneIndexPerPixelAndTheTableIsPadded) {
  const auto d = decodeBmp(testsupport::bmpFileBytes(indexedPicture(5, 2, 4, 16)), 8);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_NONE);
  EXPECT_EQ(d.pixels, (Bytes{0, 1, 2, 3, 4, 2, 3, 4, 5, 6}));
  EXPECT_EQ(d.table[4 * 15], 255) << "entry 15 as read";
  BmpLayout few = indexedPicture(3, 1, 8, 3);
  few.palette = {0x102030, 0xFFFFFF, 0x808080};
  const auto f = decodeBmp(testsupport::bmpFileBytes(few), 8);
  ASSERT_TRUE(f.ok);
  for (int i = 3; i < 256; ++i) {
    ASSERT_EQ(f.table[i * 4], 0x30) << "entry " << i << " copies entry 0";
    ASSERT_EQ(f.table[i * 4 + 2], 0x10) << "entry " << i;
  }
}

TEST(ReadIndexed, OneBitAtDepthOneKeepsPackedRows) {
  BmpLayout s = indexedPicture(10, -3, 1, 2);  // top-down, 2 packed bytes a row
  const auto d = decodeBmp(testsupport::bmpFileBytes(s), 1);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.width, 10u);
  EXPECT_EQ(d.height, 3u);
  // Row y has pixel x set when (x + 2y) is odd: 0101010101 for every row.
  const Bytes packed = {0x55, 0x40, 0x55, 0x40, 0x55, 0x40};
  EXPECT_EQ(Bytes(d.pixels.begin(), d.pixels.begin() + 6), packed);
  EXPECT_EQ(Bytes(d.pixels.begin() + 6, d.pixels.end()), Bytes(24, 0)) << "the rest stays zero";

  const auto unpacked = decodeBmp(testsupport::bmpFileBytes(s), 8);
  ASSERT_TRUE(unpacked.ok);
  EXPECT_EQ(Bytes(unpacked.pixels.begin(), unpacked.pixels.begin() + 10),
            (Bytes{0, 1, 0, 1, 0, 1, 0, 1, 0, 1}));
}

TEST(ReadIndexed, BadLayoutsAndShortRows) {
  BmpLayout masked = indexedPicture(4, 1, 8, 4);
  masked.compression = 3;
  auto d = decodeBmp(testsupport::bmpFileBytes(masked), 8);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.error, TSERR_BAD_FORMAT);

  BmpLayout overlap = indexedPicture(4, 1, 8, 4);
  overlap.pixelOffset = 14 + 40 + 8;  // inside the table
  d = decodeBmp(testsupport::bmpFileBytes(overlap), 8);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.error, TSERR_BAD_FORMAT);

  BmpLayout many = indexedPicture(4, 2, 8, 4);
  many.palette = testsupport::greyPalette(400);
  many.coloursUsed = 400;
  Bytes file = testsupport::bmpFileBytes(many);
  file.resize(file.size() - 4);  // the top row is missing
  d = decodeBmp(file, 8);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_READ);
  EXPECT_EQ(d.pixels, (Bytes{0, 0, 0, 0, 2, 3, 0, 1}));
  EXPECT_EQ(d.table[4 * 255], 255 * 255 / 399) << "256 of 400 entries kept";
}

}  // namespace
