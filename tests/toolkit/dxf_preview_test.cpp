// Preview extraction from DXF drawings: one table over text and binary
// files built in the test and the real DXF files, and the agreement with
// the DWG extraction.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tools/builders/bmp_builder.h"
#include "tools/builders/dwg_builder.h"
#include "tools/builders/dxf_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/dxf_preview.h"
#include "toolkit/messages.h"
#include "toolkit/preview.h"

using testsupport::BmpLayout;
using testsupport::DxfBuilder;
using testsupport::DxfFaults;
using testsupport::DxfKind;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes dib8() {
  BmpLayout layout;
  layout.width = 37;
  layout.height = 11;
  layout.bitCount = 8;
  for (std::uint32_t i = 0; i < 256; ++i) layout.palette.push_back(i * 0x010203u);
  layout.pixels = testsupport::packRows(37, 11, 8, [](int x, int y) { return static_cast<std::uint32_t>(x * 7 + y); });
  return testsupport::dibBytes(layout);
}

Bytes dib24() {
  BmpLayout layout;
  layout.width = 64;
  layout.height = 32;
  layout.bitCount = 24;
  layout.pixels =
      testsupport::packRows(64, 32, 24, [](int x, int y) { return static_cast<std::uint32_t>(x * 0x030501 + y * 0x1100); });
  return testsupport::dibBytes(layout);
}

// Bytes that are not a bitmap information header (a header size of 0x426B),
// as in one real file.
Bytes notABitmap() {
  Bytes out = dib8();
  out[0] = 0x6B;
  out[1] = 0x42;
  return out;
}

// A 24-bit bitmap whose pixels hold the bytes of a binary section header
// (`0 SECTION`, `2 THUMBNAILIMAGE`), which a search from the end meets first.
Bytes headerInsidePixels() {
  Bytes out = dib24();
  const std::string header("\0\0SECTION\0\x02\0THUMBNAILIMAGE\0", 27);
  std::copy(header.begin(), header.end(), out.begin() + 50);
  return out;
}

struct Outcome {
  std::uint32_t size;
  std::int16_t result;
  std::int16_t error;
  Bytes image;
};

Outcome extractDxf(const std::string& path) {
  Outcome out{};
  out.size = DxfPreviewImageSize(path.c_str());
  Bytes buffer(out.size > 0 ? out.size : 4096, 0xCC);
  std::uint32_t length = 0xDEADBEEF;
  out.result = ExtractDxfPreviewImage(path.c_str(), buffer.data(), static_cast<std::uint32_t>(buffer.size()), &length);
  out.error = ThreadErrorNumber();
  if (out.result == 1) out.image.assign(buffer.begin(), buffer.begin() + length);
  return out;
}

// The DWG extraction's image of a drawing carrying the same bitmap.
Bytes dwgImage(testsupport::TempDir& dir, const Bytes& dib) {
  const std::string path = dir.write("same.dwg", testsupport::dwgWithDib("AC1015", dib));
  Bytes buffer(PreviewImageSize(path.c_str()));
  std::uint32_t length = 0;
  EXPECT_EQ(ExtractPreviewImage(path.c_str(), buffer.data(), static_cast<std::uint32_t>(buffer.size()), &length), 1);
  buffer.resize(length);
  return buffer;
}

// Faults with one field set.
template <typename Set>
DxfFaults with(Set set) {
  DxfFaults faults;
  set(faults);
  return faults;
}

class DxfPreviewTest : public toolkittest::StartedToolkit {
 protected:
  testsupport::TempDir dir_;
};

}  // namespace

// Every built file: a preview equal, byte for byte, to the DWG extraction's
// image of the same bitmap, or "no preview" (size 0, error 23).
TEST_F(DxfPreviewTest, BuiltFilesGiveTheDwgImageOrNoPreview) {
  struct Case {
    const char* what;
    DxfKind kind;
    std::optional<Bytes> dib;
    bool preview;
    DxfFaults faults{};
    std::size_t bytesPerLine = 0;
  };
  const std::vector<Case> cases = {
      {"text CR LF, 8-bit", DxfKind::TextCrLf, dib8(), true},
      {"text LF, 8-bit", DxfKind::TextLf, dib8(), true},
      {"text CR LF, 24-bit, short lines", DxfKind::TextCrLf, dib24(), true, {}, 13},
      {"binary, 8-bit", DxfKind::Binary, dib8(), true},
      {"binary, 24-bit, full chunks", DxfKind::Binary, dib24(), true, {}, 255},
      {"binary, a section header inside the pixels", DxfKind::Binary, headerInsidePixels(), true},
      {"text, name inside an entity only", DxfKind::TextCrLf, std::nullopt, false, with([](DxfFaults& f) { f.nameInsideEntity = true; })},
      {"text, no preview section", DxfKind::TextLf, std::nullopt, false},
      {"binary, no preview section", DxfKind::Binary, std::nullopt, false},
      {"text, count above the data", DxfKind::TextCrLf, dib8(), false, with([](DxfFaults& f) { f.statedCount = static_cast<std::int64_t>(dib8().size()) + 1; })},
      {"text, count below the data", DxfKind::TextCrLf, dib8(), false, with([](DxfFaults& f) { f.statedCount = 1000; })},
      {"binary, count below the data", DxfKind::Binary, dib8(), false, with([](DxfFaults& f) { f.statedCount = 1000; })},
      {"text, count beyond the preview limit", DxfKind::TextCrLf, dib8(), false, with([](DxfFaults& f) { f.statedCount = 16 * 1024 * 1024 + 1; })},
      {"text, count of minus one", DxfKind::TextLf, dib8(), false, with([](DxfFaults& f) { f.statedCount = -1; })},
      {"text, odd digits", DxfKind::TextCrLf, dib8(), false, with([](DxfFaults& f) { f.oddDigits = true; })},
      {"text, non-hex digit", DxfKind::TextLf, dib8(), false, with([](DxfFaults& f) { f.nonHexDigit = true; })},
      {"text, unterminated section", DxfKind::TextCrLf, dib8(), false, with([](DxfFaults& f) { f.noEndOfSection = true; })},
      {"binary, unterminated section", DxfKind::Binary, dib8(), false, with([](DxfFaults& f) { f.noEndOfSection = true; })},
      {"binary, chunk past the end", DxfKind::Binary, dib8(), false, with([](DxfFaults& f) { f.chunkPastEnd = true; })},
      {"text, over-long line", DxfKind::TextCrLf, dib8(), false, with([](DxfFaults& f) { f.longLine = 4000; })},
      {"text, section not last", DxfKind::TextCrLf, dib8(), false, with([](DxfFaults& f) { f.sectionNotLast = true; })},
      {"binary, section not last", DxfKind::Binary, dib8(), false, with([](DxfFaults& f) { f.sectionNotLast = true; })},
      {"text, not a bitmap", DxfKind::TextCrLf, notABitmap(), false},
      {"binary, not a bitmap", DxfKind::Binary, notABitmap(), false},
  };
  for (const Case& c : cases) {
    DxfBuilder builder(c.kind);
    if (c.dib) builder.preview(*c.dib);
    if (c.bytesPerLine > 0) builder.bytesPerLine(c.bytesPerLine);
    builder.faults(c.faults);
    const std::string path = dir_.write("drawing.dxf", builder.bytes());
    EXPECT_EQ(IsDxfDrawing(path.c_str()), 1) << c.what;
    const Outcome got = extractDxf(path);
    if (c.preview) {
      const Bytes expected = dwgImage(dir_, *c.dib);
      EXPECT_EQ(got.size, expected.size()) << c.what;
      EXPECT_EQ(got.result, 1) << c.what;
      EXPECT_EQ(got.error, 0) << c.what;
      EXPECT_EQ(got.image, expected) << c.what;
    } else {
      EXPECT_EQ(got.size, 0u) << c.what;
      EXPECT_EQ(got.result, 0) << c.what;
      EXPECT_EQ(got.error, 23) << c.what;
    }
  }
}

TEST_F(DxfPreviewTest, CapacityNamesAndContent) {
  const std::string path = dir_.write("drawing.dxf", DxfBuilder(DxfKind::TextLf).preview(dib8()).bytes());
  Bytes small(100, 0xCC);
  std::uint32_t length = 7;
  EXPECT_EQ(ExtractDxfPreviewImage(path.c_str(), small.data(), 100, &length), 0);
  EXPECT_EQ(ThreadErrorNumber(), 135);
  EXPECT_EQ(length, 7u);
  EXPECT_EQ(small, Bytes(100, 0xCC));
  EXPECT_EQ(ExtractDxfPreviewImage(path.c_str(), nullptr, 0, &length), 0);
  EXPECT_EQ(ThreadErrorNumber(), 135);
  EXPECT_EQ(ExtractDxfPreviewImage((dir_.path() + "/missing.dxf").c_str(), small.data(), 100, &length), 0);
  EXPECT_EQ(ThreadErrorNumber(), 3);
  EXPECT_EQ(ExtractDxfPreviewImage(dir_.path().c_str(), small.data(), 100, &length), 0) << "a folder";
  EXPECT_EQ(ThreadErrorNumber(), 3);

  const std::string dwg = dir_.write("plan.dwg", testsupport::dwgWithDib("AC1015", dib8()));
  EXPECT_EQ(IsDxfDrawing(dwg.c_str()), 0);
  Bytes commented = {'9', '9', '9', '\n', 'n', 'o', 't', 'e', '\n'};
  const Bytes body = DxfBuilder(DxfKind::TextLf).bytes();
  commented.insert(commented.end(), body.begin(), body.end());
  EXPECT_EQ(IsDxfDrawing(dir_.write("c.dxf", commented).c_str()), 1);
}

TEST_F(DxfPreviewTest, RealFiles) {
  if (testsupport::realDrawingsDir().empty()) GTEST_SKIP() << "the real drawings folder is absent";
  struct Real {
    const char* name;
    std::uint32_t size;
  };
  for (const Real& real : {Real{"r2000-polyline.dxf", 28968 + 14}, Real{"r2000-odd-thumbnail.dxf", 0},
                           Real{"r2000-no-preview.dxf", 0}, Real{"r2000-binary-no-preview.dxf", 0}}) {
    const std::string path = testsupport::realDrawingsDir() + "/" + real.name;
    EXPECT_EQ(IsDxfDrawing(path.c_str()), 1) << real.name;
    const Outcome got = extractDxf(path);
    EXPECT_EQ(got.size, real.size) << real.name;
    EXPECT_EQ(got.result, real.size > 0 ? 1 : 0) << real.name;
    if (real.size == 0) continue;
    ASSERT_EQ(got.image.size(), real.size);
    EXPECT_EQ(testsupport::getU32(got.image, 14 + 4), 256u);      // width
    EXPECT_EQ(testsupport::getU32(got.image, 14 + 8), 109u);      // height
    EXPECT_EQ(testsupport::getU16(got.image, 14 + 14), 8u);       // bits
    EXPECT_EQ(testsupport::getU32(got.image, 10), 14u + 40 + 1024);  // pixel-data offset
  }
}

// Found by fuzzing: the latest binary section header claims 300 bytes and
// is broken; an earlier one, whose one chunk holds the later header, is a
// valid 194-byte image. Extraction into a buffer of that size must not stop
// at the later header's count and call the image too large.
TEST_F(DxfPreviewTest, FuzzBinaryLaterHeaderClaimsMoreThanTheBuffer) {
  const std::string path = dir_.write(
      "input.dxf", testsupport::malformedInput("fuzz_dxf_preview", "binary-later-header-claims-more-than-the-buffer.dxf"));
  const Outcome got = extractDxf(path);
  EXPECT_EQ(got.size, 194u);
  EXPECT_EQ(got.result, 1);
  EXPECT_EQ(got.error, 0);
}
