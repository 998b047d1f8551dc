// The RGB decoder: header checks, every bit count, row order, colour tables,
// the pixel-data offset and short data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "imaging/tessera.h"
#include "tests/imaging/decode_helpers.h"
#include "tools/builders/bmp_builder.h"

namespace {

using imagingtest::decodeBmp;
using imagingtest::rgbAt;
using testsupport::BmpLayout;
using testsupport::bmpFileBytes;
using testsupport::packRows;
using Bytes = std::vector<std::uint8_t>;

BmpLayout indexed(int w, int h, int bits, std::vector<std::uint32_t> palette,
                std::function<std::uint32_t(int, int)> value) {
  BmpLayout s;
  s.width = w;
  s.height = h;
  s.bitCount = static_cast<std::uint16_t>(bits);
  s.palette = std::move(palette);
  s.coloursUsed = static_cast<std::uint32_t>(s.palette.size());
  s.pixels = packRows(w, h, bits, value, h < 0);
  return s;
}

void setU32(Bytes& b, std::size_t at, std::uint32_t v) {
  Bytes le;
  testsupport::putU32(le, v);
  std::copy(le.begin(), le.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

TEST(ReadBmp, RejectsBadHeadersWithTheirCodes) {
  const Bytes good = bmpFileBytes(indexed(2, 2, 8, {0x102030}, [](int, int) { return 0; }));
  struct Case {
    const char* what;
    Bytes file;
    std::int32_t code;
  };
  std::vector<Case> cases;
  cases.push_back({"13 bytes", Bytes(good.begin(), good.begin() + 13), TSERR_READ});
  Bytes sig = good;
  sig[1] = 'A';
  cases.push_back({"signature BA", sig, TSERR_BAD_FORMAT});
  cases.push_back({"header cut at 50", Bytes(good.begin(), good.begin() + 50), TSERR_READ});
  Bytes w0 = good;
  setU32(w0, 18, 0);
  cases.push_back({"width 0", w0, TSERR_BAD_FORMAT});
  Bytes wneg = good;
  setU32(wneg, 18, 0xFFFFFFFEu);
  cases.push_back({"width -2", wneg, TSERR_BAD_FORMAT});
  Bytes h0 = good;
  setU32(h0, 22, 0);
  cases.push_back({"height 0", h0, TSERR_BAD_FORMAT});
  Bytes wide = good;
  setU32(wide, 18, 16385);
  cases.push_back({"width above 16384", wide, TSERR_MEMORY});
  Bytes huge = good;  // both sides allowed, but 16384 x 16384 pixels in all
  setU32(huge, 18, 16384);
  setU32(huge, 22, 16384);
  huge[30] = 1;  // run-length: a few bytes could otherwise fill gigabytes
  cases.push_back({"16384 x 16384 run-length", huge, TSERR_MEMORY});
  Bytes tall = good;
  setU32(tall, 22, 0x80000000u);
  cases.push_back({"height -2^31", tall, TSERR_MEMORY});
  Bytes rle24 = good;
  rle24[28] = 24;
  rle24[30] = 1;
  cases.push_back({"RLE8 at 24 bits", rle24, TSERR_BAD_FORMAT});
  Bytes rle4at8 = good;
  rle4at8[30] = 2;
  cases.push_back({"RLE4 at 8 bits", rle4at8, TSERR_BAD_FORMAT});
  Bytes comp4 = good;
  comp4[30] = 4;
  cases.push_back({"compression 4", comp4, TSERR_BAD_FORMAT});
  Bytes bits7 = good;
  bits7[28] = 7;
  cases.push_back({"7 bits", bits7, TSERR_BAD_FORMAT});
  Bytes masksCut = good;
  masksCut[30] = 3;
  masksCut.resize(60);
  cases.push_back({"masks cut", masksCut, TSERR_READ});
  Bytes gapPastEnd = good;
  setU32(gapPastEnd, 10, 5000);
  cases.push_back({"pixel offset past the end", gapPastEnd, TSERR_BAD_FORMAT});

  BmpLayout longHeader = indexed(2, 2, 8, {0x102030}, [](int, int) { return 0; });
  longHeader.headerSize = 124;
  const Bytes v5 = bmpFileBytes(longHeader);
  cases.push_back({"124-byte header cut at 100", Bytes(v5.begin(), v5.begin() + 14 + 100), TSERR_READ});
  Bytes endless = good;
  setU32(endless, 14, 0xFFFFFFFFu);
  cases.push_back({"header size 2^32 - 1", endless, TSERR_READ});

  for (const Case& c : cases) {
    const auto d = decodeBmp(c.file);
    EXPECT_FALSE(d.ok) << c.what;
    EXPECT_EQ(d.error, c.code) << c.what;
    EXPECT_EQ(d.width, 0u) << c.what;
    EXPECT_EQ(d.height, 0u) << c.what;
  }
}

TEST(ReadBmp, HeaderSizesBelowFortyAreReadAsForty) {
  const std::vector<std::uint32_t> pal = {0x000000, 0xFF0000, 0x00FF00};
  for (const std::uint32_t size : {0u, 12u, 39u}) {
    BmpLayout s = indexed(3, 1, 8, pal, [](int x, int) { return static_cast<std::uint32_t>(x); });
    s.headerSize = size;
    const auto d = decodeBmp(bmpFileBytes(s));
    ASSERT_TRUE(d.ok) << size;
    EXPECT_EQ(d.pixels, (Bytes{0, 0, 0, 255, 0, 0, 0, 255, 0})) << size;
  }
}

TEST(ReadBmp, RefusesBadArgumentsAndHandles) {
  const Bytes file = bmpFileBytes(indexed(1, 1, 8, {0}, [](int, int) { return 0; }));
  std::uint32_t w = 9;
  std::uint32_t h = 9;
  EXPECT_EQ(tsReadBMP(nullptr, &w, &h, 24, nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);

  ImageStream* source = tsOpenMemorySource(file.data(), static_cast<std::uint32_t>(file.size()));
  EXPECT_EQ(tsReadBMP(source, &w, &h, 4, nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM) << "depth 4 is not offered";
  EXPECT_EQ(tsReadBMP(source, nullptr, &h, 24, nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  tsCloseSource(source);
  EXPECT_EQ(tsReadBMP(source, &w, &h, 24, nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_STREAM) << "a closed handle fails validation";
}

TEST(ReadBmp, RowOrderFollowsTheSignOfTheHeight) {
  const std::vector<std::uint32_t> pal = {0x000000, 0xFF0000, 0x00FF00};
  auto value = [](int, int y) { return static_cast<std::uint32_t>(y + 1); };
  const auto up = decodeBmp(bmpFileBytes(indexed(3, 2, 8, pal, value)));
  const auto down = decodeBmp(bmpFileBytes(indexed(3, -2, 8, pal, value)));
  for (const auto* d : {&up, &down}) {
    ASSERT_TRUE(d->ok);
    EXPECT_EQ(d->error, TSERR_NONE);
    EXPECT_EQ(d->height, 2u) << "reported height is positive";
    EXPECT_EQ(rgbAt(d->pixels, 3, 0, 0), 0xFF0000u) << "image row 0";
    EXPECT_EQ(rgbAt(d->pixels, 3, 2, 1), 0x00FF00u) << "image row 1";
  }
  // Bottom-up: the first stored row is the last image row.
  const Bytes raw = bmpFileBytes(indexed(3, 2, 8, pal, value));
  EXPECT_EQ(raw[54 + 12], 2) << "stored row 0 holds image row 1";
}

TEST(ReadBmp, ConvertsEveryBitCount) {
  // 1 bit: most significant bit first.
  BmpLayout one = indexed(10, 1, 1, {0x000000, 0xFFFFFF}, [](int x, int) { return x == 0 || x == 9 ? 1u : 0u; });
  auto d = decodeBmp(bmpFileBytes(one));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(rgbAt(d.pixels, 10, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(rgbAt(d.pixels, 10, 1, 0), 0u);
  EXPECT_EQ(rgbAt(d.pixels, 10, 9, 0), 0xFFFFFFu);

  // 4 bits: high nibble first.
  BmpLayout four = indexed(3, 1, 4, testsupport::greyPalette(16), [](int x, int) { return 15u - 7u * x; });
  d = decodeBmp(bmpFileBytes(four));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(rgbAt(d.pixels, 3, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(rgbAt(d.pixels, 3, 1, 0), 0x888888u);
  EXPECT_EQ(rgbAt(d.pixels, 3, 2, 0), 0x111111u);

  // 24 bits: stored 10, 20, 30 comes out 30, 20, 10.
  BmpLayout rgb;
  rgb.width = 1;
  rgb.height = 1;
  rgb.bitCount = 24;
  rgb.pixels = {10, 20, 30, 0};
  d = decodeBmp(bmpFileBytes(rgb));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.pixels, (Bytes{30, 20, 10}));

  // 32 bits: the top byte is dropped.
  BmpLayout wide;
  wide.width = 1;
  wide.height = 1;
  wide.bitCount = 32;
  wide.pixels = {10, 20, 30, 99};
  d = decodeBmp(bmpFileBytes(wide));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.pixels, (Bytes{30, 20, 10}));
}

// A 32 x 20 16-bit picture whose first row starts with the given words.
BmpLayout sixteen(std::vector<std::uint16_t> first, std::uint32_t compression = 0) {
  BmpLayout s;
  s.width = 32;
  s.height = 20;
  s.bitCount = 16;
  s.compression = compression;
  s.pixels = packRows(32, 20, 16, [&](int x, int y) {
    return y == 0 && x < static_cast<int>(first.size()) ? first[x] : 0x1234u;
  });
  return s;
}

TEST(ReadBmp, SixteenBitsWithoutMasksAre555) {
  const auto d = decodeBmp(bmpFileBytes(sixteen({0x7FFF, 0x0000, 0x7C00, 0x03E0, 0x001F})));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_NONE);
  EXPECT_EQ(rgbAt(d.pixels, 32, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(rgbAt(d.pixels, 32, 1, 0), 0x070707u);
  EXPECT_EQ(rgbAt(d.pixels, 32, 2, 0), 0xFF0707u);
  EXPECT_EQ(rgbAt(d.pixels, 32, 3, 0), 0x07FF07u);
  EXPECT_EQ(rgbAt(d.pixels, 32, 4, 0), 0x0707FFu);
}

TEST(ReadBmp, SixteenBitsFollowTheirMasks) {
  BmpLayout s = sixteen({0xF800, 0x07E0, 0x0020, 0x0000}, 3);
  s.masks = std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F};  // 5-6-5
  auto d = decodeBmp(bmpFileBytes(s));
  ASSERT_TRUE(d.ok);
  // The bits below a narrow field are set: 5 bits get 3 ones, 6 bits get 2.
  EXPECT_EQ(rgbAt(d.pixels, 32, 0, 0), 0xFF0307u);
  EXPECT_EQ(rgbAt(d.pixels, 32, 1, 0), 0x07FF07u);
  EXPECT_EQ(rgbAt(d.pixels, 32, 2, 0), 0x070707u) << "green 1 of 63 lands on bit 2";
  EXPECT_EQ(rgbAt(d.pixels, 32, 3, 0), 0x070307u);

  // A 12-bit field keeps its top 8 bits; an empty mask reads 0; a 4-bit
  // field gets four ones below it.
  s = sixteen({0x0ABC}, 3);
  s.masks = std::array<std::uint32_t, 3>{0x0FFF, 0, 0xF000};
  d = decodeBmp(bmpFileBytes(s));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(rgbAt(d.pixels, 32, 0, 0), 0xAB000Fu);
}

TEST(ReadBmp, SixteenBitsReadATableOnlyWhenColoursUsedDeclaresOne) {
  // Colours-used 0: no table, so a file that ends inside the first 1024
  // bytes after the header still has its rows (once read as a 256-entry
  // table, which made the file too short).
  BmpLayout tiny;
  tiny.width = 2;
  tiny.height = 1;
  tiny.bitCount = 16;
  tiny.pixels = {0xFF, 0x7F, 0x00, 0x7C};
  auto d = decodeBmp(bmpFileBytes(tiny));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_NONE);
  EXPECT_EQ(d.pixels, (Bytes{255, 255, 255, 255, 7, 7}));

  // A file cut inside the rows keeps what was read.
  const Bytes file = bmpFileBytes(sixteen({0x7FFF}));
  d = decodeBmp(Bytes(file.begin(), file.begin() + 54 + 1000));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_READ);
  EXPECT_EQ(rgbAt(d.pixels, 32, 0, 19), 0x278FA7u) << "the bottom row (0x1234) was read";
  EXPECT_EQ(rgbAt(d.pixels, 32, 0, 0), 0u) << "the top row was not";

  // With 16 colours used, only 64 table bytes are read, and rows still come
  // from the pixel offset, wherever it points.
  BmpLayout s = sixteen({0x7FFF});
  s.coloursUsed = 16;
  s.palette = std::vector<std::uint32_t>(40, 0xABCDEF);  // 160 bytes before the rows
  d = decodeBmp(bmpFileBytes(s));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(rgbAt(d.pixels, 32, 0, 0), 0xFFFFFFu);
  // A declared table that the file does not hold is a short read.
  s.palette.clear();
  s.pixels.clear();
  d = decodeBmp(bmpFileBytes(s));
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.error, TSERR_READ);
}

TEST(ReadBmp, ColourTableSizesAndThePixelOffset) {
  auto value = [](int x, int) { return static_cast<std::uint32_t>(x); };
  // Colours used 0 at 8 bits: a full 256-entry table.
  BmpLayout full = indexed(4, 1, 8, testsupport::greyPalette(256), value);
  full.coloursUsed = 0;
  auto d = decodeBmp(bmpFileBytes(full));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(rgbAt(d.pixels, 4, 3, 0), 0x030303u);

  // Colours used 16 with a gap after the table: rows from the offset.
  BmpLayout sixteenColours = indexed(4, 1, 8, testsupport::greyPalette(16), value);
  sixteenColours.coloursUsed = 16;
  sixteenColours.pixelOffset = 14 + 40 + 64 + 8;
  Bytes pixels = sixteenColours.pixels;
  sixteenColours.pixels = Bytes(8, 0xEE);
  sixteenColours.pixels.insert(sixteenColours.pixels.end(), pixels.begin(), pixels.end());
  d = decodeBmp(bmpFileBytes(sixteenColours));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(rgbAt(d.pixels, 4, 1, 0), 0x111111u);
  EXPECT_EQ(rgbAt(d.pixels, 4, 3, 0), 0x333333u);

  // More than 256 colours declared: 256 are kept, the offset finds the rows.
  BmpLayout many = indexed(4, 1, 8, testsupport::greyPalette(300), value);
  many.coloursUsed = 300;
  d = decodeBmp(bmpFileBytes(many));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(rgbAt(d.pixels, 4, 2, 0), 0x010101u);
}

TEST(ReadBmp, MaskedThirtyTwoBitsAreReadFromTheOffset) {
  BmpLayout s;
  s.width = 2;
  s.height = 1;
  s.bitCount = 32;
  s.compression = 3;
  s.masks = std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
  s.pixelOffset = 14 + 40 + 12 + 4;
  s.pixels = {0xEE, 0xEE, 0xEE, 0xEE, 1, 2, 3, 0, 4, 5, 6, 0};
  const auto d = decodeBmp(bmpFileBytes(s));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.pixels, (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST(ReadBmp, ShortRowsReturnThePartialImage) {
  BmpLayout s = indexed(4, 3, 8, {0, 0xFFFFFF}, [](int, int) { return 1u; });
  Bytes file = bmpFileBytes(s);
  file.resize(file.size() - 4);  // the last stored row (image row 0) is cut
  const auto d = decodeBmp(file);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_READ);
  EXPECT_EQ(d.width, 4u);
  EXPECT_EQ(d.height, 3u);
  EXPECT_EQ(rgbAt(d.pixels, 4, 0, 0), 0u) << "unread rows stay black";
  EXPECT_EQ(rgbAt(d.pixels, 4, 0, 1), 0xFFFFFFu);
  EXPECT_EQ(rgbAt(d.pixels, 4, 3, 2), 0xFFFFFFu);
}

TEST(ReadBmp, SuccessResetsTheLastErrorAndCloseReportsBytesConsumed) {
  const Bytes file = bmpFileBytes(indexed(5, 3, 4, testsupport::greyPalette(16), [](int x, int y) {
    return static_cast<std::uint32_t>(x + y);
  }));
  EXPECT_EQ(tsOpenMemorySource(nullptr, 1), nullptr);
  ASSERT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  const auto d = decodeBmp(file);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.error, TSERR_NONE);
  EXPECT_EQ(d.consumed, file.size());
}

}  // namespace
