// TIFF files: the directory as written (read entry by entry), and pixels
// decoded back with libtiff.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <set>
#include <string>

#include "imaging/writers/writer_support.h"
#include "tests/writers/writer_test_support.h"

using namespace writertest;

namespace {

struct TiffCall {
  std::uint32_t bits = 24;
  const std::uint8_t* palette = nullptr;
  std::uint32_t compression = 1;
  const ResolutionInfo* resolution = nullptr;
};

Written writeTiff(const Picture& in, const TiffCall& c = {}) {
  return writeMemory([&](ImageStream* sink) {
    return tsWriteTIFF(sink, in.pixels.empty() ? nullptr : in.pixels.data(), in.width, in.height,
                       c.bits, c.palette, c.compression, c.resolution);
  });
}

// A RATIONAL entry's value: numerator / denominator at the entry's offset.
double rational(const Bytes& file, const TiffEntry& e) {
  return static_cast<double>(le32(file, e.value)) / le32(file, e.value + 4);
}

std::string asciiValue(const Bytes& file, const TiffEntry& e) {
  return std::string(file.begin() + e.value, file.begin() + e.value + e.count - 1);
}

// The release the software text should name: "4.5.0" from libtiff's own text.
std::string libtiffRelease() {
  std::string text = TIFFGetVersion();
  text = text.substr(text.find("Version ") + 8);
  return text.substr(0, text.find_first_of(" \n"));
}

}  // namespace

TEST(TiffWriter, ApplicationSettingsWriteTheTagTable) {
  const Picture in = mixedRgb(180, 140, 7);
  const Written w = writeTiff(in);
  ASSERT_EQ(w.error, TSERR_NONE);
  EXPECT_EQ(w.result, w.file.size());

  const auto tags = tiffDirectory(w.file);
  std::set<std::uint16_t> numbers;
  for (const auto& [tag, entry] : tags) numbers.insert(tag);
  EXPECT_EQ(numbers, (std::set<std::uint16_t>{256, 257, 258, 259, 262, 273, 274, 277, 278, 279, 282,
                                              283, 284, 296, 305}));
  EXPECT_EQ(tags.at(256).value, 180u);                       // ImageWidth
  EXPECT_EQ(tags.at(257).value, 140u);                       // ImageLength
  EXPECT_EQ(tags.at(274).value, 1u);                         // Orientation
  EXPECT_EQ(tags.at(296).value, 1u);                         // ResolutionUnit
  EXPECT_EQ(rational(w.file, tags.at(282)), 1.0);            // XResolution
  EXPECT_EQ(rational(w.file, tags.at(283)), 1.0);            // YResolution
  EXPECT_EQ(tags.at(278).value, 356u);                       // RowsPerStrip: 8192 / 23
  EXPECT_EQ(tags.at(277).value, 3u);                         // SamplesPerPixel
  ASSERT_EQ(tags.at(258).count, 3u);                         // BitsPerSample, one per sample
  EXPECT_EQ(le16(w.file, tags.at(258).value), 8u);
  EXPECT_EQ(le16(w.file, tags.at(258).value + 4), 8u);
  EXPECT_EQ(tags.at(284).value, 1u);                         // PlanarConfiguration
  EXPECT_EQ(tags.at(262).value, 2u);                         // Photometric: RGB
  EXPECT_EQ(tags.at(259).value, 1u);                         // Compression: none
  EXPECT_EQ(asciiValue(w.file, tags.at(305)), "Tessera, using " + libtiffRelease());
  EXPECT_EQ(tags.at(279).value, 180u * 140 * 3) << "one uncompressed strip";

  EXPECT_EQ(decodeTiff(w.file).pixels, in.pixels);
}

TEST(TiffWriter, StripRowsComeFromOneBitSamples) {
  const Picture wide = mixedRgb(8193, 2, 8);
  const Written w = writeTiff(wide);
  ASSERT_EQ(w.error, TSERR_NONE);
  EXPECT_EQ(tiffDirectory(w.file).at(278).value, 7u) << "8192 / 1025";
  EXPECT_EQ(decodeTiff(w.file).pixels, wide.pixels);
}

TEST(TiffWriter, PaletteImageIgnoresJpegCompressionAndScalesItsColourMap) {
  Bytes palette = distinctPalette();
  palette[0] = palette[1] = palette[2] = 0;           // entry 0 black
  palette[4] = palette[5] = palette[6] = 255;         // entry 1 white
  const Picture indices{17, 5, 1, noise(17 * 5, 11)};
  const Written w = writeTiff(indices, {.bits = 8, .palette = palette.data(), .compression = 7});
  ASSERT_EQ(w.error, TSERR_NONE);
  const auto tags = tiffDirectory(w.file);
  EXPECT_EQ(tags.at(259).value, 1u) << "written uncompressed";
  EXPECT_EQ(tags.at(262).value, 3u) << "palette colour";
  EXPECT_EQ(tags.at(277).value, 1u);
  const TiffEntry& map = tags.at(320);
  ASSERT_EQ(map.count, 768u);
  EXPECT_EQ(le16(w.file, map.value), 0u) << "red of entry 0";
  EXPECT_EQ(le16(w.file, map.value + 2), 65535u) << "red of entry 1";
  EXPECT_EQ(le16(w.file, map.value + 512 + 2), 65535u) << "green of entry 1";
  EXPECT_EQ(le16(w.file, map.value + 1024 + 4), palette[8] * 257u) << "blue of entry 2";

  const Picture decoded = decodeTiff(w.file);
  ASSERT_EQ(decoded.pixels.size(), indices.pixels.size() * 3);
  for (std::size_t i = 0; i < indices.pixels.size(); ++i) {
    const std::uint8_t* entry = palette.data() + indices.pixels[i] * 4;
    ASSERT_EQ(Bytes(decoded.pixels.begin() + i * 3, decoded.pixels.begin() + i * 3 + 3),
              (Bytes{entry[2], entry[1], entry[0]}))
        << "pixel " << i;
  }
}

TEST(TiffWriter, ResolutionAndCodecReachTheFile) {
  const Picture in = mixedRgb(50, 20, 9);
  const ResolutionInfo dpcm{118, 59, 3};
  const Written w = writeTiff(in, {.compression = 5, .resolution = &dpcm});
  ASSERT_EQ(w.error, TSERR_NONE);
  const auto tags = tiffDirectory(w.file);
  EXPECT_EQ(tags.at(259).value, 5u);
  EXPECT_EQ(tags.at(296).value, 3u);
  EXPECT_EQ(rational(w.file, tags.at(282)), 118.0);
  EXPECT_EQ(rational(w.file, tags.at(283)), 59.0);
  EXPECT_EQ(decodeTiff(w.file).pixels, in.pixels);
}

TEST(TiffWriter, RefusesBadParametersBeforeWriting) {
  const Picture in = mixedRgb(4, 4, 10);
  const Bytes palette = distinctPalette();
  struct Case {
    const char* what;
    Picture picture;
    TiffCall call;
  } cases[] = {
      {"width 0", {0, 4, 3, in.pixels}, {}},
      {"height 0", {4, 0, 3, in.pixels}, {}},
      {"16 bits", in, {.bits = 16, .palette = palette.data()}},
      {"8 bits without palette", in, {.bits = 8}},
      {"null pixels", {4, 4, 3, {}}, {}},
  };
  for (const Case& c : cases) {
    const Written w = writeTiff(c.picture, c.call);
    EXPECT_EQ(w.error, TSERR_BAD_PARAM) << c.what;
    EXPECT_EQ(w.result, 0u) << c.what;
    EXPECT_TRUE(w.file.empty()) << c.what;
  }
}

TEST(TiffWriter, ATagLibtiffRefusesFailsTheWrite) {
  // libtiff takes resolution units 1 to 3 only. A refused tag was once left
  // out of a file reported as written.
  const Picture in = mixedRgb(8, 4, 11);
  for (const std::int32_t unit : {0, 4}) {
    const ResolutionInfo resolution{72, 72, unit};
    tessera::clearDiagnostic();
    const Written w = writeTiff(in, {.resolution = &resolution});
    EXPECT_EQ(w.result, 0u) << unit;
    EXPECT_EQ(w.error, TSERR_WRITE) << unit;
    EXPECT_NE(std::string(tessera::lastDiagnostic()).find("ResolutionUnit"), std::string::npos)
        << tessera::lastDiagnostic();
  }
  // An unknown compression fails at the first row.
  const Written unknown = writeTiff(in, {.compression = 12345});
  EXPECT_EQ(unknown.result, 0u);
  EXPECT_EQ(unknown.error, TSERR_WRITE);
}
