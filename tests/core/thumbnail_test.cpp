// Thumbnails: where a picture lands on the 180 x 140 canvas, what the canvas
// holds, and the entry's device bitmap built from a BMP or PNG file image.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/core/decode_preview.h"
#include "app/core/preview_entry.h"
#include "app/core/preview_image.h"
#include "app/core/thumbnail.h"
#include "app/core/thumbnail_bitmap.h"
#include "app/core/toolkit_session.h"
#include "imaging/tessera.h"
#include "platform/gdi.h"
#include "tests/dialog/drawing_fixtures.h"
#include "tests/core/core_fixtures.h"
#include "tests/support/temp_dir.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/png_builder.h"

namespace coretest {
namespace {

using namespace pictrove;

// A 24-bit picture whose every pixel is dark and tells its own position.
std::vector<std::uint8_t> PositionalBmp(int w, int h) {
  testsupport::BmpLayout picture;
  picture.width = w;
  picture.height = h;
  picture.bitCount = 24;
  picture.pixels = testsupport::packRows(w, h, 24, [](int x, int y) {
    return static_cast<std::uint32_t>(((x & 0x7F) << 16) | ((y & 0x7F) << 8) | 0x10);
  });
  return testsupport::bmpFileBytes(picture);
}

// One colour for a whole picture.
constexpr std::uint32_t kSolid = 0x3060C0;

std::vector<std::uint8_t> SolidBmp(int w, int h) {
  testsupport::BmpLayout picture;
  picture.width = w;
  picture.height = h;
  picture.bitCount = 24;
  picture.pixels = testsupport::packRows(w, h, 24, [](int, int) { return kSolid; });
  return testsupport::bmpFileBytes(picture);
}

// Each case: the picture's size and where it must land. The canvas is
// checked against that placement, not against the code's own, so a wrong
// offset or size in either shows.
TEST(ThumbnailPlacement, LongerSideFillsAndThePictureIsCentredOnWhite) {
  struct Case {
    std::uint32_t width, height;
    ThumbnailPlacement expected;
  };
  const Case cases[] = {
      {200, 100, {180, 90, 0, 25}},
      {100, 200, {70, 140, 55, 0}},
      {64, 64, {140, 140, 20, 0}},     // square: height fills, enlarged
      {200, 190, {180, 171, 0, -15}},  // taller than the thumbnail: cut at top and bottom
      {39, 20, {179, 92, 1, 24}},      // 39 x (180 / 39) falls just below 180
      {100, 275, {50, 139, 65, 1}},    // 275 x (140 / 275) falls just below 140
      {180, 140, {180, 140, 0, 0}},
      {1000, 10, {180, 1, 0, 70}},
      {1, 1, {140, 140, 20, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    const ThumbnailPlacement place = PlaceOnThumbnail(c.width, c.height);
    EXPECT_EQ(place.width, c.expected.width);
    EXPECT_EQ(place.height, c.expected.height);
    EXPECT_EQ(place.left, c.expected.left);
    EXPECT_EQ(place.top, c.expected.top);

    // A picture of one colour scales to that colour whatever the
    // resampling, so the canvas is known without it: the colour inside the
    // placement, white around it. A picture of the thumbnail's own size is
    // not scaled at all: it is copied pixel for pixel.
    const bool copied = c.width == 180 && c.height == 140;
    const auto file = copied ? PositionalBmp(180, 140)
                             : SolidBmp(static_cast<int>(c.width), static_cast<int>(c.height));
    const RgbPicture picture = DecodePreview(file.data(), static_cast<std::uint32_t>(file.size()));
    ASSERT_FALSE(picture.empty());
    auto canvas = std::make_unique<ThumbnailPixels>();
    canvas->fill(0x5A);
    ComposeThumbnail(picture, *canvas);
    const std::vector<std::uint8_t> shown(canvas->begin(), canvas->end());
    for (int y = 0; y < kThumbHeight; ++y) {
      for (int x = 0; x < kThumbWidth; ++x) {
        const std::int64_t sx = x - c.expected.left;
        const std::int64_t sy = y - c.expected.top;
        const bool inside = sx >= 0 && sy >= 0 && sx < c.expected.width && sy < c.expected.height;
        const std::uint32_t picturePixel =
            copied ? ((static_cast<std::uint32_t>(x & 0x7F) << 16) | ((y & 0x7F) << 8) | 0x10)
                   : kSolid;
        ASSERT_EQ(RgbAt(shown, kThumbWidth, x, y), inside ? picturePixel : 0xFFFFFFu)
            << "at " << x << "," << y;
      }
    }
  }
  EXPECT_EQ(PlaceOnThumbnail(0, 10).width, 0u) << "no picture, no placement";
}

TEST(ThumbnailPlacement, EmptyPictureLeavesAWhiteCanvas) {
  auto canvas = std::make_unique<ThumbnailPixels>();
  canvas->fill(0);
  ComposeThumbnail(RgbPicture(), *canvas);
  for (std::uint8_t byte : *canvas) ASSERT_EQ(byte, 0xFF);
}

class ThumbnailBitmapTest : public ::testing::Test {
 protected:
  void SetUp() override { gdiBaseline = GdiLiveObjectCount(); }
  void TearDown() override {
    made.clear();
    EXPECT_EQ(GdiLiveObjectCount(), gdiBaseline) << "every thumbnail freed with its entry";
  }

  // Builds a thumbnail from a file image into a fresh entry, kept until the
  // test ends.
  PreviewEntry& Make(const std::vector<std::uint8_t>& image, bool expected = true) {
    made.push_back(std::make_unique<PreviewEntry>());
    EXPECT_EQ(MakeThumbnailBitmap(DecodeDrawingPicture(image.data(), static_cast<std::uint32_t>(image.size())),
                                  *made.back()),
              expected);
    return *made.back();
  }

  std::vector<std::unique_ptr<PreviewEntry>> made;
  std::size_t gdiBaseline = 0;
};

TEST_F(ThumbnailBitmapTest, DeviceBitmapHoldsTheComposedCanvasAtEveryScreenDepth) {
  const auto file = PositionalBmp(256, 102);
  const RgbPicture picture = DecodePreview(file.data(), static_cast<std::uint32_t>(file.size()));
  auto canvas = std::make_unique<ThumbnailPixels>();
  ComposeThumbnail(picture, *canvas);
  const std::vector<std::uint8_t> expected(canvas->begin(), canvas->end());
  for (int depth : {24, 32}) {
    ASSERT_TRUE(SetScreenBitsPerPixel(depth));
    PreviewEntry& entry = Make(file);
    EXPECT_EQ(CaptureThumbnail(entry), expected) << depth << " bits";
    EXPECT_EQ(entry.m_kind, PreviewKind::Bmp);
    EXPECT_EQ(entry.m_nPreviewWidth, 256u);
    EXPECT_EQ(entry.m_nPreviewHeight, 102u);
  }
  SetScreenBitsPerPixel(32);
}

TEST_F(ThumbnailBitmapTest, ADxfAndADwgWithTheSameBitmapGiveTheSameThumbnail) {
  const ToolkitSession toolkit;
  ASSERT_TRUE(toolkit.started());
  testsupport::TempDir dir;
  PreviewImage dwg;
  PreviewImage dxf;
  ASSERT_TRUE(ReadPreviewImage(dir.write("plan.dwg", apptest::BmpDrawing(250, 90, 0x2060A0)), dwg));
  ASSERT_TRUE(ReadPreviewImage(dir.write("plan.dxf", apptest::DxfDrawing(250, 90, 0x2060A0)), dxf));
  const std::vector<std::uint8_t> fromDwg = CaptureThumbnail(Make({dwg.data.get(), dwg.data.get() + dwg.length}));
  EXPECT_EQ(CaptureThumbnail(Make({dxf.data.get(), dxf.data.get() + dxf.length})), fromDwg);
  EXPECT_NE(fromDwg, std::vector<std::uint8_t>(fromDwg.size(), 0xFF)) << "a picture, not a blank canvas";
}

TEST_F(ThumbnailBitmapTest, PictureIsNeitherMirroredNorFlipped) {
  testsupport::BmpLayout layout;
  layout.width = 180;
  layout.height = 140;
  layout.bitCount = 24;
  // Left half red, right half blue; top half light, bottom half dark red.
  layout.pixels = testsupport::packRows(180, 140, 24, [](int x, int y) -> std::uint32_t {
    if (x >= 90) return 0x0000FF;
    return y < 70 ? 0xFF0000 : 0x800000;
  });
  const auto rgb = CaptureThumbnail(Make(testsupport::bmpFileBytes(layout)));
  EXPECT_EQ(RgbAt(rgb, kThumbWidth, 10, 10), 0xFF0000u);
  EXPECT_EQ(RgbAt(rgb, kThumbWidth, 10, 130), 0x800000u);
  EXPECT_EQ(RgbAt(rgb, kThumbWidth, 170, 10), 0x0000FFu);
}

TEST_F(ThumbnailBitmapTest, PngPreviewsAreRecognisedAndDecoded) {
  testsupport::PngPicture layout;
  layout.width = 90;
  layout.height = 45;
  layout.colourType = testsupport::kPngRgb;
  layout.sample = [](std::uint32_t, std::uint32_t, int channel) -> std::uint32_t {
    return channel == 2 ? 200 : 10;
  };
  PreviewEntry& entry = Make(testsupport::pngFileBytes(layout));
  EXPECT_EQ(entry.m_kind, PreviewKind::Png);
  EXPECT_EQ(entry.m_nPreviewWidth, 90u);
  EXPECT_EQ(entry.m_nPreviewHeight, 45u);
  const auto rgb = CaptureThumbnail(entry);
  EXPECT_EQ(RgbAt(rgb, kThumbWidth, 90, 70), 0x0A0AC8u);
  EXPECT_EQ(RgbAt(rgb, kThumbWidth, 90, 24), 0xFFFFFFu) << "white above the 180 x 90 picture";
  EXPECT_EQ(RgbAt(rgb, kThumbWidth, 90, 25), 0x0A0AC8u);
}

TEST_F(ThumbnailBitmapTest, WhatCannotBeDecodedLeavesTheEntryWithoutABitmap) {
  const std::vector<std::uint8_t> pngHeadOnly = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0};
  struct Case {
    std::vector<std::uint8_t> image;
    PreviewKind kind;
  };
  const Case cases[] = {
      {{'G', 'I', 'F', '8', '9', 'a', 0, 0}, PreviewKind::Unknown},  // neither signature
      {{'B'}, PreviewKind::Unknown},
      {{'B', 'M', 0, 0}, PreviewKind::Bmp},
      {pngHeadOnly, PreviewKind::Png},
  };
  for (const Case& c : cases) {
    PreviewEntry& entry = Make(c.image, false);
    EXPECT_EQ(entry.m_bitmap->GetSafeHandle(), nullptr);
    EXPECT_EQ(entry.m_kind, c.kind);
    EXPECT_EQ(entry.m_nPreviewWidth, 0u);
  }
  PreviewEntry entry;
  entry.m_bitmap.reset();
  const auto good = PositionalBmp(4, 4);
  EXPECT_FALSE(MakeThumbnailBitmap(
      DecodeDrawingPicture(good.data(), static_cast<std::uint32_t>(good.size())), entry))
      << "no bitmap object";
  EXPECT_FALSE(MakeThumbnailBitmap(DecodeDrawingPicture(nullptr, 10), Make(good)));
}

}  // namespace
}  // namespace coretest
