// Thumbnails: the longer side fills 180 x 140, the picture is centred on a
// white canvas, BMP and PNG previews are told apart by their first bytes.
#include <gtest/gtest.h>

#include "app/core/preview_entry.h"
#include "app/core/thumbnail_bitmap.h"
#include "platform/gdi.h"
#include "tests/app/dialog_fixture.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/png_builder.h"

namespace apptest {
namespace {

using namespace pictrove;

constexpr std::uint32_t kInk = 0xC03020;

std::vector<std::uint8_t> SolidBmpFile(int width, int height) {
  testsupport::BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = 24;
  layout.pixels = testsupport::packRows(width, height, 24, [](int, int) { return kInk; });
  return testsupport::bmpFileBytes(layout);
}

// The bounding box of the non-white pixels: left, top, right, bottom
// (exclusive).
struct Box {
  int left = 180, top = 140, right = 0, bottom = 0;
  bool operator==(const Box&) const = default;
};

Box PictureBox(const std::vector<std::uint8_t>& rgb) {
  Box box;
  for (int y = 0; y < 140; ++y) {
    for (int x = 0; x < 180; ++x) {
      if (IsWhite(rgb, x, y)) continue;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x + 1);
      box.bottom = std::max(box.bottom, y + 1);
    }
  }
  return box;
}

class ThumbnailTest : public ::testing::Test {
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
    EXPECT_EQ(MakeThumbnailBitmap(image.data(), static_cast<std::uint32_t>(image.size()), *made.back()),
              expected);
    return *made.back();
  }
  Box BoxOf(int width, int height) {
    const auto rgb = CaptureThumbnail(Make(SolidBmpFile(width, height)));
    EXPECT_FALSE(rgb.empty());
    return PictureBox(rgb);
  }

  std::vector<std::unique_ptr<PreviewEntry>> made;
  std::size_t gdiBaseline = 0;
};

TEST_F(ThumbnailTest, LongerSideFillsTheThumbnailCentredOnWhite) {
  struct Case {
    int width, height;
    Box box;
  };
  const Case cases[] = {
      {200, 100, {0, 25, 180, 115}},   // 180 x 90 at (0, 25)
      {100, 200, {55, 0, 125, 140}},   // 70 x 140 at (55, 0)
      {64, 64, {20, 0, 160, 140}},     // square: enlarged to 140 x 140 at (20, 0)
      {39, 20, {1, 24, 180, 116}},     // 179 wide at left 1, 92 high
      {180, 140, {0, 0, 180, 140}},
      {1000, 10, {0, 70, 180, 71}},    // 180 x 1 at (0, 70)
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BoxOf(c.width, c.height), c.box) << c.width << " x " << c.height;
  }
}

TEST_F(ThumbnailTest, TooTallAWidePictureIsCutEquallyAtTopAndBottom) {
  // 200 x 190 becomes 180 x 171 placed at top -15: every row is covered.
  EXPECT_EQ(BoxOf(200, 190), (Box{0, 0, 180, 140}));
}

TEST_F(ThumbnailTest, HeightOf275ScalesTo139Rows) {
  const Box box = BoxOf(100, 275);
  EXPECT_EQ(box.bottom - box.top, 139);
  EXPECT_EQ(box.top, 1) << "70 - 139 / 2";
}

TEST_F(ThumbnailTest, PictureIsNeitherMirroredNorFlipped) {
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
  EXPECT_EQ(PixelAt(rgb, 10, 10), 0xFF0000u);
  EXPECT_EQ(PixelAt(rgb, 10, 130), 0x800000u);
  EXPECT_EQ(PixelAt(rgb, 170, 10), 0x0000FFu);
}

TEST_F(ThumbnailTest, PngPreviewsAreRecognisedAndDecoded) {
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
  EXPECT_EQ(PictureBox(rgb), (Box{0, 25, 180, 115}));
  EXPECT_EQ(PixelAt(rgb, 90, 70), 0x0A0AC8u);
}

TEST_F(ThumbnailTest, WhatCannotBeDecodedLeavesTheEntryWithoutABitmap) {
  std::vector<std::uint8_t> pngHeadOnly = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0};
  const std::vector<std::vector<std::uint8_t>> bad = {
      {'G', 'I', 'F', '8', '9', 'a', 0, 0},  // neither signature
      {'B'},
      pngHeadOnly,
  };
  for (const auto& image : bad) {
    PreviewEntry& entry = Make(image, false);
    EXPECT_EQ(entry.m_bitmap->GetSafeHandle(), nullptr);
    EXPECT_EQ(entry.m_nPreviewWidth, 0u);
  }
  PreviewEntry entry;
  entry.m_bitmap.reset();
  const auto good = SolidBmpFile(4, 4);
  EXPECT_FALSE(MakeThumbnailBitmap(good.data(), static_cast<std::uint32_t>(good.size()), entry))
      << "no bitmap object";
  EXPECT_FALSE(MakeThumbnailBitmap(nullptr, 10, Make(good)));
}

}  // namespace
}  // namespace apptest
