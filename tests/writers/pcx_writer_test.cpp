// PCX files: header fields, exact run coding, and round trips through a decoder.
#include <gtest/gtest.h>

#include "tests/writers/writer_test_support.h"

using namespace writertest;

namespace {

Written writePcx(const Bytes& pixels, std::uint32_t width,
                 std::uint32_t height, std::uint32_t bits, const std::uint8_t* palette) {
  return writeMemory([&](ImageStream* sink) {
    return tsWritePCX(sink, pixels.empty() ? nullptr : pixels.data(), width, height, bits, palette);
  });
}

}  // namespace

TEST(PcxWriter, ThreePixelRowsSplitIntoPaddedPlanes) {
  const Bytes pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  const Written w = writePcx(pixels, 3, 2, 24, nullptr);
  ASSERT_EQ(w.error, TSERR_NONE);
  Bytes header(128, 0);
  const Bytes fields = {10, 5, 1, 8, 0, 0, 0, 0, 2, 0, 1, 0, 96, 0, 96, 0};
  std::copy(fields.begin(), fields.end(), header.begin());
  header[65] = 3;  // planes
  header[66] = 4;  // bytes per line
  header[68] = 1;  // palette information
  EXPECT_EQ(Bytes(w.file.begin(), w.file.begin() + 128), header);
  const Bytes rows = {1, 4, 7, 0, 2, 5, 8, 0, 3, 6, 9, 0,  //
                      10, 13, 16, 0, 11, 14, 17, 0, 12, 15, 18, 0};
  EXPECT_EQ(Bytes(w.file.begin() + 128, w.file.end()), rows) << "no trailing palette for RGB";
  EXPECT_EQ(w.result, w.file.size());
}

TEST(PcxWriter, RunsStopAtSixtyThreeAndMarkHighBytes) {
  const Bytes palette = distinctPalette();
  Bytes sixtyThreeThenEight(63, 7);
  sixtyThreeThenEight.push_back(8);
  struct Case {
    Bytes row;
    Bytes coded;
  } cases[] = {
      {Bytes(100, 7), {0xFF, 7, 0xE5, 7}},
      {sixtyThreeThenEight, {0xFF, 7, 8}},
      {Bytes(126, 7), {0xFF, 7, 0xFF, 7}},
      {{1, 0xC5, 2, 0x3F}, {1, 0xC1, 0xC5, 2, 0x3F}},
      {{0x10, 0x10}, {0xC2, 0x10}},
  };
  for (const Case& c : cases) {
    const auto width = static_cast<std::uint32_t>(c.row.size());
    const Written w = writePcx(c.row, width, 1, 8, palette.data());
    ASSERT_EQ(w.error, TSERR_NONE);
    ASSERT_EQ(w.file.size(), 128 + c.coded.size() + 769) << "width " << width;
    EXPECT_EQ(Bytes(w.file.begin() + 128, w.file.end() - 769), c.coded) << "width " << width;
  }
}

TEST(PcxWriter, RgbRoundTripsAtOddAndEvenWidths) {
  for (std::uint32_t width : {1u, 2u, 3u, 64u, 180u, 201u}) {
    const Picture in = mixedRgb(width, 11, width);
    const Written w = writePcx(in.pixels, width, 11, 24, nullptr);
    ASSERT_EQ(w.error, TSERR_NONE);
    const Pcx pcx = decodePcx(w.file);
    EXPECT_EQ(pcx.planes, 3u);
    EXPECT_EQ(pcx.bytesPerLine, width + width % 2) << "width " << width;
    EXPECT_EQ(pcx.dataEnd, w.file.size()) << "nothing follows the rows";
    EXPECT_EQ(pcx.picture.pixels, in.pixels) << "width " << width;
  }
}

TEST(PcxWriter, IndexedImageEndsWithItsPaletteInRedGreenBlue) {
  const Bytes palette = distinctPalette();
  const Bytes indices = noise(33 * 5, 3);
  const Written w = writePcx(indices, 33, 5, 8, palette.data());
  ASSERT_EQ(w.error, TSERR_NONE);
  const Pcx pcx = decodePcx(w.file);
  EXPECT_EQ(pcx.planes, 1u);
  EXPECT_EQ(pcx.picture.pixels, indices);
  ASSERT_EQ(pcx.palette.size(), 768u);
  for (std::size_t i = 0; i < 256; ++i) {
    EXPECT_EQ(pcx.palette[i * 3 + 0], palette[i * 4 + 2]);
    EXPECT_EQ(pcx.palette[i * 3 + 1], palette[i * 4 + 1]);
    EXPECT_EQ(pcx.palette[i * 3 + 2], palette[i * 4 + 0]);
  }
}

TEST(PcxWriter, RefusesBadParametersBeforeWriting) {
  const Bytes pixels(3 * 32768, 1);
  const Bytes palette = distinctPalette();
  struct Case {
    const char* what;
    std::uint32_t width, height, bits;
    const std::uint8_t* palette;
    bool nullPixels;
  } cases[] = {
      {"16 bits", 4, 4, 16, nullptr, false},
      {"8 bits without palette", 4, 4, 8, nullptr, false},
      {"null pixels", 4, 4, 24, nullptr, true},
      {"width 0", 0, 4, 24, nullptr, false},
      {"height 0", 4, 0, 24, nullptr, false},
      {"width above 32767", 32768, 1, 24, nullptr, false},
      {"height above 32767", 1, 32768, 24, nullptr, false},
  };
  for (const Case& c : cases) {
    const Written w = writePcx(c.nullPixels ? Bytes{} : pixels, c.width, c.height, c.bits,
                               c.palette);
    EXPECT_EQ(w.error, TSERR_BAD_PARAM) << c.what;
    EXPECT_EQ(w.result, 0u) << c.what;
    EXPECT_TRUE(w.file.empty()) << c.what;
  }
  const Written widest = writePcx(pixels, 32767, 1, 24, nullptr);
  EXPECT_EQ(widest.error, TSERR_NONE);
  EXPECT_EQ(le16(widest.file, 8), 32766u) << "window x max";
}
