// The 180 x 140 thumbnail: scale factor, scaled size and centring offsets as
// the application computes them, and the whole chain from a bitmap file to a
// display bitmap and back.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "imaging/tessera.h"
#include "platform/gdi.h"
#include "platform/global_memory.h"
#include "tests/imaging/decode_helpers.h"
#include "tools/builders/bmp_builder.h"

namespace {

constexpr std::uint32_t kThumbW = 180;
constexpr std::uint32_t kThumbH = 140;

struct Placement {
  std::uint32_t w, h;   // scaled size
  std::int32_t left, top;
};

// The longer side fills the thumbnail (height when square); sizes truncated
// from double precision; offsets centre with halves rounded down.
Placement place(std::uint32_t w, std::uint32_t h) {
  const double s = w > h ? 180.0 / w : 140.0 / h;
  Placement p{};
  p.w = static_cast<std::uint32_t>(w * s);
  p.h = static_cast<std::uint32_t>(h * s);
  p.left = 90 - static_cast<std::int32_t>(p.w / 2);
  p.top = 70 - static_cast<std::int32_t>(p.h / 2);
  return p;
}

TEST(ThumbnailGeometry, ScaledSizeAndOffsets) {
  struct Case {
    std::uint32_t w, h;
    Placement expected;
  };
  const Case cases[] = {
      {200, 100, {180, 90, 0, 25}},
      {100, 200, {70, 140, 55, 0}},
      {64, 64, {140, 140, 20, 0}},        // square: height fills, enlarged
      {200, 190, {180, 171, 0, -15}},     // taller than the thumbnail: cut at top and bottom
      {39, 20, {179, 92, 1, 24}},         // 39 x (180 / 39) falls just below 180
      {100, 275, {50, 139, 65, 1}},       // 275 x (140 / 275) falls just below 140
  };
  for (const Case& c : cases) {
    const Placement p = place(c.w, c.h);
    EXPECT_EQ(p.w, c.expected.w) << c.w << "x" << c.h;
    EXPECT_EQ(p.h, c.expected.h) << c.w << "x" << c.h;
    EXPECT_EQ(p.left, c.expected.left) << c.w << "x" << c.h;
    EXPECT_EQ(p.top, c.expected.top) << c.w << "x" << c.h;
  }
}

struct Thumbnail {
  std::vector<std::uint8_t> canvas;
  std::vector<std::uint8_t> scaled;
  Placement placement{};
};

// Decode, scale, white canvas, centred overlay: the application's sequence.
Thumbnail makeThumbnail(const std::vector<std::uint8_t>& file) {
  Thumbnail t;
  const imagingtest::Decoded d = imagingtest::decodeBmp(file);
  EXPECT_TRUE(d.ok);
  t.placement = place(d.width, d.height);
  t.scaled.assign(std::size_t{t.placement.w} * t.placement.h * 3, 0);
  t.canvas.assign(kThumbW * kThumbH * 3, 0);
  EXPECT_EQ(tsResizeImage(d.pixels.data(), d.width, d.height, t.scaled.data(), t.placement.w,
                          t.placement.h, 3), 1);
  EXPECT_EQ(tsFillRect(t.canvas.data(), kThumbW, kThumbH, 0, 0, kThumbW, kThumbH, 0xFFFFFF), 1);
  EXPECT_EQ(tsOverlayImage(t.canvas.data(), kThumbW, kThumbH, t.scaled.data(), t.placement.w,
                           t.placement.h, t.placement.left, t.placement.top, 1.0, 1), 1);
  return t;
}

// A 24-bit picture whose every pixel is dark and tells its own position.
std::vector<std::uint8_t> positionalBmp(int w, int h) {
  testsupport::BmpLayout picture;
  picture.width = w;
  picture.height = h;
  picture.bitCount = 24;
  picture.pixels = testsupport::packRows(w, h, 24, [](int x, int y) {
    return static_cast<std::uint32_t>(((x & 0x7F) << 16) | ((y & 0x7F) << 8) | 0x10);
  });
  return testsupport::bmpFileBytes(picture);
}

std::uint32_t at(const std::vector<std::uint8_t>& img, std::uint32_t width, std::int64_t x, std::int64_t y) {
  return imagingtest::rgbAt(img, width, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
}

TEST(Thumbnail, ScaledPictureSitsCentredOnWhite) {
  for (auto [w, h] : {std::pair{200, 100}, std::pair{100, 200}, std::pair{64, 64},
                      std::pair{39, 20}, std::pair{200, 190}}) {
    const Thumbnail t = makeThumbnail(positionalBmp(w, h));
    const Placement& p = t.placement;
    for (std::int64_t y = 0; y < kThumbH; ++y) {
      for (std::int64_t x = 0; x < kThumbW; ++x) {
        const std::int64_t sx = x - p.left;
        const std::int64_t sy = y - p.top;
        const bool inside = sx >= 0 && sy >= 0 && sx < p.w && sy < p.h;
        const std::uint32_t expected = inside ? at(t.scaled, p.w, sx, sy) : 0xFFFFFFu;
        ASSERT_EQ(at(t.canvas, kThumbW, x, y), expected) << w << "x" << h << " at " << x << "," << y;
      }
    }
  }
}

TEST(Thumbnail, TallWidePictureLosesEqualBandsAtTopAndBottom) {
  const Thumbnail t = makeThumbnail(positionalBmp(200, 190));
  ASSERT_EQ(t.placement.top, -15);
  // Canvas rows 0 .. 139 show scaled rows 15 .. 154.
  EXPECT_EQ(at(t.canvas, kThumbW, 0, 0), at(t.scaled, 180, 0, 15));
  EXPECT_EQ(at(t.canvas, kThumbW, 179, 139), at(t.scaled, 180, 179, 154));
  EXPECT_NE(at(t.scaled, 180, 0, 14), at(t.scaled, 180, 0, 15));
}

TEST(Thumbnail, DisplayBitmapCapturesBackToTheCanvas) {
  const Thumbnail t = makeThumbnail(positionalBmp(256, 102));
  for (int depth : {24, 32}) {
    ASSERT_TRUE(SetScreenBitsPerPixel(depth));
    HBITMAP bitmap = tsMakeDisplayBitmap(t.canvas.data(), kThumbW, kThumbH, nullptr, nullptr);
    ASSERT_NE(bitmap, nullptr);
    HDC dc = GetDC(nullptr);
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    std::uint8_t* pixels = tsCaptureBitmap(bitmap, &w, &h, dc, nullptr);
    ReleaseDC(nullptr, dc);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(w, kThumbW);
    EXPECT_EQ(h, kThumbH);
    EXPECT_EQ(std::vector<std::uint8_t>(pixels, pixels + t.canvas.size()), t.canvas) << depth << " bits";
    GlobalFree(pixels);
    DeleteObject(bitmap);
  }
  SetScreenBitsPerPixel(32);
}

}  // namespace
