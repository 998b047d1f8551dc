// JPEG files: frame type, quantisation tables and JFIF fields as written, and
// pixels decoded back with libjpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "imaging/writers/writer_support.h"
#include "tests/writers/writer_test_support.h"

using namespace writertest;

namespace {

Written writeJpeg(const Picture& in, int quality, int progressive,
                  const ResolutionInfo* resolution = nullptr) {
  return writeMemory([&](ImageStream* sink) {
    return tsWriteJPG(sink, in.pixels.data(), in.width, in.height, quality, progressive,
                      in.channels * 8, resolution);
  });
}

const Segment* find(const std::vector<Segment>& segments, std::uint8_t marker) {
  for (const Segment& s : segments) {
    if (s.marker == marker) return &s;
  }
  return nullptr;
}

// Every 8-bit table of every DQT segment holds only ones.
bool quantisationAllOnes(const std::vector<Segment>& segments) {
  bool any = false;
  for (const Segment& s : segments) {
    if (s.marker != 0xDB) continue;
    for (std::size_t at = 0; at + 65 <= s.data.size(); at += 65) {
      any = true;
      if ((s.data[at] >> 4) != 0) return false;  // 8-bit precision
      if (!std::all_of(s.data.begin() + at + 1, s.data.begin() + at + 65,
                       [](std::uint8_t q) { return q == 1; })) {
        return false;
      }
    }
  }
  return any;
}

int largestError(const Bytes& a, const Bytes& b) {
  int worst = 0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
  return worst;
}

}  // namespace

TEST(JpegWriter, ApplicationSettingsGiveProgressiveJfifWithUnitTables) {
  const Picture in = gradientRgb(180, 140);
  const Written w = writeJpeg(in, 100, 1);
  ASSERT_EQ(w.error, TSERR_NONE);
  EXPECT_EQ(w.result, w.file.size());

  const auto segments = jpegSegments(w.file);
  ASSERT_FALSE(segments.empty());
  const Segment& app0 = segments.front();
  ASSERT_EQ(app0.marker, 0xE0) << "JFIF segment first";
  ASSERT_GE(app0.data.size(), 12u);
  EXPECT_EQ(std::string(app0.data.begin(), app0.data.begin() + 5), std::string("JFIF\0", 5));
  EXPECT_EQ(app0.data[5], 1) << "major version";
  EXPECT_EQ(app0.data[6], 1) << "minor version";
  EXPECT_EQ(app0.data[7], 0) << "density unit";
  EXPECT_EQ((app0.data[8] << 8) | app0.data[9], 1) << "x density";
  EXPECT_EQ((app0.data[10] << 8) | app0.data[11], 1) << "y density";
  EXPECT_TRUE(quantisationAllOnes(segments));
  const Segment* sof = find(segments, 0xC2);
  ASSERT_NE(sof, nullptr) << "progressive frame";
  EXPECT_EQ(find(segments, 0xC0), nullptr);
  EXPECT_EQ(sof->data[5], 3) << "components";
  EXPECT_EQ(find(segments, 0xFE), nullptr) << "no comment";

  const Picture out = decodeJpeg(w.file);
  ASSERT_EQ(out.width, 180u);
  ASSERT_EQ(out.height, 140u);
  ASSERT_EQ(out.channels, 3u);
  EXPECT_LE(largestError(in.pixels, out.pixels), 6);
}

TEST(JpegWriter, GreyBaselineAndResolution) {
  Picture grey{61, 17, 1, noise(61 * 17, 5)};
  const ResolutionInfo dpi{300, 0x10000 + 200, 1};  // only the low 16 bits are kept
  const Written w = writeJpeg(grey, 100, 0, &dpi);
  ASSERT_EQ(w.error, TSERR_NONE);
  const auto segments = jpegSegments(w.file);
  const Segment* sof = find(segments, 0xC0);
  ASSERT_NE(sof, nullptr) << "sequential baseline frame";
  EXPECT_EQ(sof->data[5], 1) << "one grey component";
  const Segment* app0 = find(segments, 0xE0);
  ASSERT_NE(app0, nullptr);
  EXPECT_EQ(app0->data[7], 1);
  EXPECT_EQ((app0->data[8] << 8) | app0->data[9], 300);
  EXPECT_EQ((app0->data[10] << 8) | app0->data[11], 200);
  const Picture out = decodeJpeg(w.file);
  ASSERT_EQ(out.channels, 1u);
  EXPECT_LE(largestError(grey.pixels, out.pixels), 2);

  const Written lower = writeJpeg(gradientRgb(32, 32), 50, 1);
  ASSERT_EQ(lower.error, TSERR_NONE);
  EXPECT_FALSE(quantisationAllOnes(jpegSegments(lower.file))) << "quality reaches libjpeg";
}

TEST(JpegWriter, FailedWriteCarriesLibjpegsMessage) {
  // A noisy picture compresses to far more than one 4096-byte buffer, so the
  // first buffer write already fails.
  const Picture in{256, 256, 3, noise(256 * 256 * 3, 9)};
  ImageStream* full = tsOpenFileSink("/dev/full");
  ASSERT_NE(full, nullptr);
  tessera::clearDiagnostic();
  EXPECT_EQ(tsWriteJPG(full, in.pixels.data(), 256, 256, 100, 1, 24, nullptr), 0u);
  EXPECT_EQ(tsGetLastError(), TSERR_WRITE);
  EXPECT_STREQ(tessera::lastDiagnostic(),
               "Tessera JPG Error : Output file write error --- out of disk space?\n");
  tsCloseSink(full);
}

TEST(JpegWriter, RefusesBadParameters) {
  const Bytes pixels(64 * 3, 1);
  struct Case {
    const char* what;
    std::uint32_t width, height, bits;
    const std::uint8_t* pixels;
  } cases[] = {
      {"width 0", 0, 4, 24, pixels.data()},  {"height 0", 4, 0, 24, pixels.data()},
      {"16 bits", 4, 4, 16, pixels.data()},  {"null pixels", 4, 4, 24, nullptr},
  };
  for (const Case& c : cases) {
    const Written w = writeMemory([&](ImageStream* sink) {
      return tsWriteJPG(sink, c.pixels, c.width, c.height, 100, 1, c.bits, nullptr);
    });
    EXPECT_EQ(w.error, TSERR_BAD_PARAM) << c.what;
    EXPECT_EQ(w.result, 0u) << c.what;
    EXPECT_TRUE(w.file.empty()) << c.what;
  }
  // Too large for libjpeg: its error comes back as a write failure, and the
  // compressor it had built is released (the sanitizer build checks).
  const Written huge = writeMemory([&](ImageStream* sink) {
    return tsWriteJPG(sink, pixels.data(), 70000, 1, 100, 1, 24, nullptr);
  });
  EXPECT_EQ(huge.error, TSERR_WRITE);
  EXPECT_EQ(huge.result, 0u);
}
