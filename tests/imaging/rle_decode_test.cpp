// Run-length bitmaps: the state machine's codes, the background colour, the
// clipping cursor, short data, and both output modes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/tessera.h"
#include "tests/imaging/decode_helpers.h"
#include "tools/builders/bmp_builder.h"

namespace {

using imagingtest::decodeBmp;
using Bytes = std::vector<std::uint8_t>;

// Palette index i is the grey i x 16 + 1, so index 0 (the background) is 0x010101.
std::vector<std::uint32_t> palette16() {
  std::vector<std::uint32_t> p;
  for (std::uint32_t i = 0; i < 16; ++i) {
    const std::uint32_t g = i * 16 + 1;
    p.push_back((g << 16) | (g << 8) | g);
  }
  return p;
}

Bytes rleFile(int bits, int width, int height, Bytes data) {
  testsupport::BmpLayout s;
  s.width = width;
  s.height = height;
  s.bitCount = static_cast<std::uint16_t>(bits);
  s.compression = bits == 8 ? 1 : 2;
  s.palette = palette16();
  s.coloursUsed = 16;
  s.pixels = std::move(data);
  return testsupport::bmpFileBytes(s);
}

// The decoded picture as one character per pixel: the palette index, '.'
// for the background colour when it is not index 0.
std::string indexes(const imagingtest::Decoded& d) {
  std::string out;
  for (std::uint32_t y = 0; y < d.height; ++y) {
    for (std::uint32_t x = 0; x < d.width; ++x) {
      const std::uint8_t grey = d.pixels[(y * d.width + x) * 3];
      out += "0123456789ABCDEF"[(grey - 1) / 16];
    }
    if (y + 1 < d.height) out += '|';
  }
  return out;
}

TEST(ReadRle8, RunsAbsoluteRunsDeltasAndLineEnds) {
  // Stored rows run upward from the bottom image row.
  const Bytes data = {
      3, 5,              // run of three 5s
      0, 3, 1, 2, 3, 0,  // absolute run 1 2 3, odd length: one pad byte
      0, 0,              // end of line
      2, 4,              // run of two 4s
      0, 2, 3, 1,        // delta: three right, one up
      1, 9,              // a single 9
      0, 1,              // end of bitmap
  };
  const auto d = decodeBmp(rleFile(8, 6, 3, data));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_NONE);
  EXPECT_EQ(indexes(d), "000009|440000|555123");
  EXPECT_EQ(d.consumed, 14 + 40 + 64 + data.size()) << "decoding stops at the end code";
}

TEST(ReadRle8, UncoveredPixelsTakeColourZeroAndShortDataKeepsTheImage) {
  const Bytes data = {2, 7};  // no end-of-bitmap code
  const auto d = decodeBmp(rleFile(8, 4, 2, data));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_READ);
  EXPECT_EQ(indexes(d), "0000|7700");
  EXPECT_EQ(d.pixels[0], 0x01) << "background is table entry 0, not black";
}

TEST(ReadRle8, ClipsRunsAndMovesThatLeaveTheImage) {
  const Bytes data = {
      9, 3,              // a run longer than the row is cut at its end
      4, 6,              // the row is full: written nowhere
      0, 2, 200, 0,      // far right: nothing more on this row
      2, 1,
      0, 0,              // next row
      0, 2, 1, 9,        // nine rows up: past the top
      5, 2,              // nothing written above the image
      0, 0, 3, 2,        // nor after further line ends
      0, 1,
  };
  const auto d = decodeBmp(rleFile(8, 4, 2, data));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_NONE);
  EXPECT_EQ(indexes(d), "0000|3333");
}

TEST(ReadRle8, AnAbsoluteRunWithoutItsPadEndsTheData) {
  const auto d = decodeBmp(rleFile(8, 4, 1, {0, 3, 1, 2, 3}));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_READ);
  EXPECT_EQ(indexes(d), "1230");
}

TEST(ReadRle4, NibblesAlternateAndPadsFallOnOddOffsets) {
  const Bytes data = {
      5, 0x12,                 // 1 2 1 2 1
      0, 0,                    // end of line
      0, 5, 0x34, 0x56, 0x70,  // absolute 3 4 5 6 7: three data bytes
      0,                       // pad at an odd offset: an empty pair
      0, 1,
  };
  const auto d = decodeBmp(rleFile(4, 6, 2, data));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_NONE);
  EXPECT_EQ(indexes(d), "345670|121210");
}

TEST(ReadRle, IndexModeGivesOneIndexPerPixel) {
  const Bytes data = {3, 5, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1};
  const auto d = decodeBmp(rleFile(8, 4, 2, data), 8);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_NONE);
  EXPECT_EQ(d.pixels, (Bytes{1, 2, 3, 0, 5, 5, 5, 0}));
  EXPECT_EQ(d.table[4 * 15 + 2], 15 * 16 + 1) << "the caller's table holds the palette";
}

TEST(ReadRle, RejectsTopDownAndBadGaps) {
  auto d = decodeBmp(rleFile(8, 4, -2, {0, 1}));
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.error, TSERR_MEMORY) << "run-length rows are always bottom-up";

  Bytes file = rleFile(8, 4, 2, {0, 1});
  file[10] = 14 + 40 + 60;  // pixel offset inside the colour table
  d = decodeBmp(file);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.error, TSERR_BAD_FORMAT);

  file = rleFile(8, 4, 2, {0, 1});
  file[10] = 200;  // gap runs past the end
  d = decodeBmp(file);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.error, TSERR_BAD_FORMAT);
}

TEST(ReadRle, OversizedColourTablesAreSkippedPastTheFirst256) {
  testsupport::BmpLayout s;
  s.width = 2;
  s.height = 1;
  s.bitCount = 8;
  s.compression = 1;
  s.palette = testsupport::greyPalette(1000);
  s.coloursUsed = 1000;
  s.pixels = {2, 255, 0, 1};
  const auto d = decodeBmp(testsupport::bmpFileBytes(s));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_NONE);
  const std::uint8_t grey255 = static_cast<std::uint8_t>(255 * 255 / 999);
  EXPECT_EQ(d.pixels, (Bytes{grey255, grey255, grey255, grey255, grey255, grey255}));

  s.coloursUsed = 0xFFFFFFF0u;  // a table far larger than the file
  const auto huge = decodeBmp(testsupport::bmpFileBytes(s));
  EXPECT_FALSE(huge.ok);
  EXPECT_EQ(huge.error, TSERR_READ);
}

}  // namespace
