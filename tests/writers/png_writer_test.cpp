// PNG files: the chunks asked for and their contents, time stamps from a fixed
// clock, and pixels decoded back with libpng.
#include <gtest/gtest.h>

#include <set>

#include "imaging/writers/writer_support.h"
#include "tests/writers/writer_test_support.h"

using namespace writertest;

namespace {

struct PngCall {
  std::uint32_t rowBytes = 0;  // 0: width x 3
  int bitDepth = 8;
  std::uint32_t paletteCount = 0;
  const std::uint8_t* palette = nullptr;
  int colourType = 2;
  double gamma = 0.0;
  int interlace = 0;
};

Written writePng(const Picture& in, const PngCall& c = {}) {
  return writeMemory([&](ImageStream* sink) {
    return tsWritePNG(sink, in.pixels.empty() ? nullptr : in.pixels.data(), in.width, in.height,
                      c.rowBytes != 0 ? c.rowBytes : in.width * 3, c.bitDepth, c.paletteCount,
                      c.palette, c.colourType, c.gamma, c.interlace, nullptr);
  });
}

const Chunk* find(const std::vector<Chunk>& chunks, const std::string& type) {
  for (const Chunk& c : chunks) {
    if (c.type == type) return &c;
  }
  return nullptr;
}

std::time_t firstClock() { return 1700000000; }   // 2023-11-14 22:13:20 UTC
std::time_t secondClock() { return 1710000000; }  // 2024-03-09 16:00:00 UTC

// Installs a fixed clock for one test.
class FixedClock {
 public:
  explicit FixedClock(tessera::WriterClock clock) : previous_(tessera::setWriterClock(clock)) {}
  ~FixedClock() { tessera::setWriterClock(previous_); }

 private:
  tessera::WriterClock previous_;
};

}  // namespace

TEST(PngWriter, ApplicationSettingsWriteHeaderSizeTimeAndPixels) {
  FixedClock clock(firstClock);
  const Picture in = mixedRgb(180, 140, 1);
  const Written w = writePng(in);
  ASSERT_EQ(w.error, TSERR_NONE);
  EXPECT_EQ(w.result, w.file.size());

  const auto chunks = pngChunks(w.file);
  std::set<std::string> types;
  for (const Chunk& c : chunks) types.insert(c.type);
  EXPECT_EQ(types, (std::set<std::string>{"IHDR", "pHYs", "tIME", "IDAT", "IEND"}));
  ASSERT_EQ(chunks.front().type, "IHDR");
  EXPECT_EQ(chunks.back().type, "IEND");
  const Bytes& ihdr = chunks.front().data;
  EXPECT_EQ(be32(ihdr, 0), 180u);
  EXPECT_EQ(be32(ihdr, 4), 140u);
  EXPECT_EQ(Bytes(ihdr.begin() + 8, ihdr.end()), (Bytes{8, 2, 0, 0, 0}));
  EXPECT_EQ(find(chunks, "pHYs")->data, (Bytes{0, 0, 0, 1, 0, 0, 0, 1, 0}));
  EXPECT_EQ(find(chunks, "tIME")->data, (Bytes{0x07, 0xE7, 11, 14, 22, 13, 20}));

  EXPECT_EQ(decodePng(w.file).pixels, in.pixels);
}

TEST(PngWriter, FilesWrittenAtDifferentTimesDifferOnlyInTime) {
  const Picture in = mixedRgb(40, 30, 2);
  Written first;
  Written second;
  {
    FixedClock clock(firstClock);
    first = writePng(in);
  }
  {
    FixedClock clock(secondClock);
    second = writePng(in);
  }
  const auto a = pngChunks(first.file);
  const auto b = pngChunks(second.file);
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    ASSERT_EQ(a[i].type, b[i].type);
    if (a[i].type == "tIME") {
      EXPECT_EQ(b[i].data, (Bytes{0x07, 0xE8, 3, 9, 16, 0, 0}));
      EXPECT_NE(a[i].data, b[i].data);
    } else {
      EXPECT_EQ(a[i].data, b[i].data) << a[i].type;
    }
  }
}

TEST(PngWriter, GammaBackgroundAndPaletteChunksFollowTheCall) {
  const Picture rgb = mixedRgb(8, 4, 3);
  const Bytes palette = distinctPalette();
  struct Case {
    const char* what;
    PngCall call;
    std::set<std::string> present, absent;
  } cases[] = {
      {"gamma above 0", {.gamma = 0.45455}, {"gAMA"}, {"PLTE", "bKGD"}},
      {"gamma 0", {.gamma = 0.0}, {}, {"gAMA"}},
      {"negative gamma", {.gamma = -1.0}, {}, {"gAMA"}},
      {"palette count above 256", {.paletteCount = 300}, {}, {"PLTE"}},
      {"palette on truecolour", {.paletteCount = 2, .palette = palette.data()}, {"PLTE"}, {}},
  };
  for (const Case& c : cases) {
    const Written w = writePng(rgb, c.call);
    ASSERT_EQ(w.error, TSERR_NONE) << c.what;
    const auto chunks = pngChunks(w.file);
    for (const auto& t : c.present) EXPECT_NE(find(chunks, t), nullptr) << c.what << ": " << t;
    for (const auto& t : c.absent) EXPECT_EQ(find(chunks, t), nullptr) << c.what << ": " << t;
  }
  const Written gamma = writePng(rgb, {.gamma = 0.45455});
  EXPECT_EQ(be32(find(pngChunks(gamma.file), "gAMA")->data, 0), 45455u);

  // Colour type 6: a black background; the alpha channel reaches the file.
  Picture rgba{5, 3, 4, noise(5 * 3 * 4, 4)};
  const Written alpha = writePng(rgba, {.rowBytes = 20, .colourType = 6});
  ASSERT_EQ(alpha.error, TSERR_NONE);
  EXPECT_EQ(find(pngChunks(alpha.file), "bKGD")->data, Bytes(6, 0));
  EXPECT_EQ(decodePng(alpha.file, 4).pixels, rgba.pixels);

  // Colour type 3: the palette's blue, green, red entries become red, green, blue.
  Picture indices{9, 2, 1, {0, 1, 2, 3, 0, 1, 2, 3, 0, 3, 2, 1, 0, 3, 2, 1, 0, 0}};
  const Written indexed =
      writePng(indices, {.rowBytes = 9, .paletteCount = 4, .palette = palette.data(), .colourType = 3});
  ASSERT_EQ(indexed.error, TSERR_NONE);
  const Bytes plte = find(pngChunks(indexed.file), "PLTE")->data;
  ASSERT_EQ(plte.size(), 12u);
  const Picture decoded = decodePng(indexed.file);
  for (std::size_t i = 0; i < indices.pixels.size(); ++i) {
    const std::uint8_t* entry = palette.data() + indices.pixels[i] * 4;
    EXPECT_EQ(Bytes(decoded.pixels.begin() + i * 3, decoded.pixels.begin() + i * 3 + 3),
              (Bytes{entry[2], entry[1], entry[0]}));
    EXPECT_EQ(Bytes(plte.begin() + indices.pixels[i] * 3, plte.begin() + indices.pixels[i] * 3 + 3),
              (Bytes{entry[2], entry[1], entry[0]}));
  }
}

TEST(PngWriter, InterlacedAndPaddedRowsDecodeExactly) {
  const Picture in = mixedRgb(23, 19, 5);
  const Written interlaced = writePng(in, {.interlace = 1});
  ASSERT_EQ(interlaced.error, TSERR_NONE);
  EXPECT_EQ(pngChunks(interlaced.file).front().data[12], 1) << "Adam7";
  EXPECT_EQ(decodePng(interlaced.file).pixels, in.pixels);

  // Rows 5 bytes longer than their pixels: the padding never reaches the file.
  Picture padded{23, 19, 3, {}};
  for (std::uint32_t y = 0; y < 19; ++y) {
    padded.pixels.insert(padded.pixels.end(), in.pixels.begin() + y * 69, in.pixels.begin() + (y + 1) * 69);
    padded.pixels.insert(padded.pixels.end(), 5, 0xEE);
  }
  const Written w = writePng(padded, {.rowBytes = 74});
  ASSERT_EQ(w.error, TSERR_NONE);
  EXPECT_EQ(decodePng(w.file).pixels, in.pixels);
}

TEST(PngWriter, RefusesBadCallsWithTheirCodes) {
  const Picture in = mixedRgb(4, 4, 6);
  const Picture none{4, 4, 3, {}};
  struct Case {
    const char* what;
    const Picture& picture;
    PngCall call;
    std::int32_t code;
  } cases[] = {
      {"null pixels", none, {}, TSERR_BAD_PARAM},
      {"palette count without palette", in, {.paletteCount = 4}, TSERR_BAD_PARAM},
      {"rows shorter than their pixels", in, {.rowBytes = 11}, TSERR_BAD_PARAM},
      {"bit depth libpng refuses", in, {.bitDepth = 3}, TSERR_WRITE},
      {"colour type libpng refuses", in, {.colourType = 5}, TSERR_WRITE},
      {"palette type without palette", in, {.colourType = 3}, TSERR_WRITE},
  };
  for (const Case& c : cases) {
    const Written w = writePng(c.picture, c.call);
    EXPECT_EQ(w.error, c.code) << c.what;
    EXPECT_EQ(w.result, 0u) << c.what;
  }
}
