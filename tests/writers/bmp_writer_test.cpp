// Bitmap files: exact bytes for small cases, and round trips through Qt's reader.
#include <gtest/gtest.h>

#include "tests/writers/writer_test_support.h"

using namespace writertest;

namespace {

Written writeBmp(const Bytes& pixels, std::uint32_t width,
                 std::uint32_t height, std::uint32_t bits, std::uint32_t count,
                 const std::uint8_t* palette, int runLength) {
  return writeMemory([&](ImageStream* sink) {
    return tsWriteBMP(sink, pixels.empty() ? nullptr : pixels.data(), width, height, bits, count,
                      palette, runLength);
  });
}

// The colour Qt should show for palette index i of distinctPalette().
void expectIndexedPixels(const Picture& decoded, const Bytes& indices, const Bytes& palette) {
  ASSERT_EQ(decoded.pixels.size(), indices.size() * 3);
  for (std::size_t i = 0; i < indices.size(); ++i) {
    const std::uint8_t* entry = palette.data() + indices[i] * 4;
    ASSERT_EQ(decoded.pixels[i * 3 + 0], entry[2]) << "pixel " << i;
    ASSERT_EQ(decoded.pixels[i * 3 + 1], entry[1]) << "pixel " << i;
    ASSERT_EQ(decoded.pixels[i * 3 + 2], entry[0]) << "pixel " << i;
  }
}

}  // namespace

TEST(BmpWriter, OneByTwoRgbIsSixtyTwoBytesBottomRowFirst) {
  const Bytes pixels = {10, 20, 30, 40, 50, 60};  // top pixel, then bottom pixel
  const Written w = writeBmp(pixels, 1, 2, 24, 0, nullptr, 0);
  const Bytes expected = {
      'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
      40, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0,             // size, width, height
      1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0,             // planes, bits, compression, image size
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // resolutions, colours
      60, 50, 40, 0, 30, 20, 10, 0};                   // bottom row first, blue green red
  EXPECT_EQ(w.file, expected);
  EXPECT_EQ(w.result, 62u);
  EXPECT_EQ(w.error, TSERR_NONE);
  EXPECT_EQ(pixels[0], 10) << "the caller's buffer is left as it was";
}

TEST(BmpWriter, RgbRoundTripsAtEveryPadding) {
  for (std::uint32_t width : {1u, 2u, 3u, 4u, 5u, 180u}) {
    const Picture in = mixedRgb(width, 7, width);
    const Written w = writeBmp(in.pixels, width, 7, 24, 0, nullptr, 0);
    const std::uint32_t fileRow = (width * 3 + 3) / 4 * 4;
    EXPECT_EQ(w.file.size(), 54u + 7 * fileRow) << "width " << width;
    EXPECT_EQ(w.result, w.file.size());
    EXPECT_EQ(decodeWithQt(w.file).pixels, in.pixels) << "width " << width;
  }
}

TEST(BmpWriter, IndexedDepthsCarryTheirPalette) {
  const Bytes palette = distinctPalette();
  const std::uint32_t width = 13;
  const std::uint32_t height = 3;
  for (std::uint32_t bits : {1u, 4u, 8u}) {
    const std::uint32_t count = 1u << bits;
    const std::uint32_t inputRow = (width * bits + 7) / 8;
    Bytes packed = noise(std::size_t{inputRow} * height, bits);
    // The indices those packed bytes hold, most significant bits first.
    Bytes indices;
    for (std::uint32_t y = 0; y < height; ++y) {
      for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint8_t byte = packed[y * inputRow + x * bits / 8];
        const std::uint32_t shift = 8 - bits - (x * bits) % 8;
        indices.push_back(static_cast<std::uint8_t>((byte >> shift) & (count - 1)));
      }
    }
    const Written w = writeBmp(packed, width, height, bits, count, palette.data(), 0);
    ASSERT_EQ(w.error, TSERR_NONE) << bits << " bits";
    EXPECT_EQ(le32(w.file, 10), 54 + count * 4) << "pixel data offset";
    EXPECT_EQ(le32(w.file, 46), count) << "colours used";
    EXPECT_EQ(le32(w.file, 50), count) << "important colours";
    EXPECT_EQ(w.file[54 + 3], 0) << "reserved palette byte";
    expectIndexedPixels(decodeWithQt(w.file), indices, palette);
  }
}

TEST(BmpWriter, SixteenBitRowsAreCopiedAndThePaletteIgnored) {
  const std::uint32_t width = 5;  // 10 bytes a row, padded to 12
  const std::uint32_t height = 3;
  const Bytes pixels = noise(width * height * 2, 16);
  const Bytes palette = distinctPalette();
  const Written w = writeBmp(pixels, width, height, 16, 7, palette.data(), 0);
  ASSERT_EQ(w.error, TSERR_NONE);
  EXPECT_EQ(le32(w.file, 10), 54u);
  EXPECT_EQ(le32(w.file, 46), 0u);
  EXPECT_EQ(le32(w.file, 50), 0u);
  EXPECT_EQ(w.file.size(), 54u + height * 12);
  // 5-5-5 words: whatever a reader does to widen them, the top five bits of
  // each 8-bit component are the word's own.
  const Picture decoded = decodeWithQt(w.file);
  ASSERT_EQ(decoded.pixels.size(), std::size_t{width} * height * 3);
  for (std::size_t i = 0; i < std::size_t{width} * height; ++i) {
    const std::uint32_t word = pixels[i * 2] | (pixels[i * 2 + 1] << 8);
    EXPECT_EQ(decoded.pixels[i * 3 + 0] >> 3, (word >> 10) & 31) << "pixel " << i;
    EXPECT_EQ(decoded.pixels[i * 3 + 1] >> 3, (word >> 5) & 31) << "pixel " << i;
    EXPECT_EQ(decoded.pixels[i * 3 + 2] >> 3, word & 31) << "pixel " << i;
  }
}

TEST(BmpWriter, RefusesBadParametersBeforeWriting) {
  const Bytes pixels(64, 1);
  const Bytes palette = distinctPalette();
  struct Case {
    const char* what;
    std::uint32_t bits;
    const std::uint8_t* palette;
    int runLength;
    bool nullPixels;
  } cases[] = {
      {"depth 32", 32, palette.data(), 0, false}, {"depth 2", 2, palette.data(), 0, false},
      {"8 bits without palette", 8, nullptr, 0, false},
      {"run-length without palette", 8, nullptr, 1, false},
      {"null pixels", 24, nullptr, 0, true}, {"null pixels, run-length", 8, palette.data(), 1, true},
  };
  for (const Case& c : cases) {
    const Written w = writeBmp(c.nullPixels ? Bytes{} : pixels, 4, 4, c.bits, 2, c.palette,
                               c.runLength);
    EXPECT_EQ(w.result, 0u) << c.what;
    EXPECT_EQ(w.error, TSERR_BAD_PARAM) << c.what;
    EXPECT_TRUE(w.file.empty()) << c.what;
  }
}

TEST(BmpRunLength, WorkedRowsCodeByteForByte) {
  const Bytes palette = distinctPalette();
  struct Case {
    Bytes row;
    Bytes coded;  // the row's runs, end of line and end of bitmap
  } cases[] = {
      {{1, 2, 3, 4, 5, 5}, {0, 5, 1, 2, 3, 4, 5, 0, 1, 5, 0, 0, 0, 1}},
      {{7, 7, 8, 9}, {2, 7, 1, 8, 1, 9, 0, 0, 0, 1}},
      {Bytes(300, 9), {255, 9, 45, 9, 0, 0, 0, 1}},
      // Odd width: the coded width is even and its extra byte repeats the last.
      {{1, 2, 3}, {0, 3, 1, 2, 3, 0, 1, 3, 0, 0, 0, 1}},
      {{4}, {2, 4, 0, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    const auto width = static_cast<std::uint32_t>(c.row.size());
    const Written w = writeBmp(c.row, width, 1, 8, 256, palette.data(), 1);
    ASSERT_EQ(w.error, TSERR_NONE);
    const std::size_t start = 54 + 1024;
    ASSERT_EQ(w.file.size(), start + c.coded.size()) << "width " << width;
    EXPECT_EQ(Bytes(w.file.begin() + start, w.file.end()), c.coded) << "width " << width;
    EXPECT_EQ(le32(w.file, 2), w.file.size()) << "file size patched";
    EXPECT_EQ(le32(w.file, 34), c.coded.size()) << "image size patched";
    EXPECT_EQ(le16(w.file, 28), 8u);
    EXPECT_EQ(le32(w.file, 30), 1u) << "compression";
    EXPECT_EQ(w.result, w.file.size());
  }
}

TEST(BmpRunLength, RoundTripsThroughQt) {
  const Bytes palette = distinctPalette();
  for (std::uint32_t width : {37u, 300u, 601u}) {
    const std::uint32_t height = 9;
    // Noise, long runs and pairs: literal runs, the 255 limits and short runs.
    Bytes indices = noise(std::size_t{width} * height, width);
    for (std::uint32_t y = 0; y < height; y += 3) {
      std::fill_n(indices.begin() + std::size_t{y} * width, width * 2 / 3, static_cast<std::uint8_t>(y));
    }
    for (std::size_t i = 1; i < indices.size(); i += 5) indices[i] = indices[i - 1];
    const Written w = writeBmp(indices, width, height, 8, 256, palette.data(), 1);
    ASSERT_EQ(w.error, TSERR_NONE);
    expectIndexedPixels(decodeWithQt(w.file), indices, palette);
  }
}
