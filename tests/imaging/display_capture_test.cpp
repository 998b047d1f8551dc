// Display bitmaps from RGB buffers and their capture back to RGB: row order,
// padding, device precision, palettes, and handles given back on every path.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <random>
#include <vector>

#include "imaging/tessera.h"
#include "platform/gdi.h"
#include "platform/global_memory.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes randomRgb(std::uint32_t w, std::uint32_t h, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes img(std::size_t{w} * h * 3);
  for (auto& b : img) b = static_cast<std::uint8_t>(rng());
  return img;
}

Bytes capture(HBITMAP bitmap, HDC dc, std::uint32_t& w, std::uint32_t& h, HPALETTE palette = nullptr) {
  std::uint8_t* pixels = tsCaptureBitmap(bitmap, &w, &h, dc, palette);
  if (pixels == nullptr) return {};
  Bytes out(pixels, pixels + std::size_t{w} * h * 3);
  GlobalFree(pixels);
  return out;
}

class DisplayBitmap : public ::testing::Test {
 protected:
  void SetUp() override { objectsBefore_ = GdiLiveObjectCount(); }
  void TearDown() override {
    SetScreenBitsPerPixel(32);
    EXPECT_EQ(GdiLiveObjectCount(), objectsBefore_) << "every handle given back";
  }
  std::size_t objectsBefore_ = 0;
};

TEST_F(DisplayBitmap, RoundTripsExactlyOnTrueColourScreensForAnyRowPadding) {
  for (int depth : {24, 32}) {
    ASSERT_TRUE(SetScreenBitsPerPixel(depth));
    for (std::uint32_t w : {1u, 2u, 3u, 5u, 180u}) {
      const Bytes rgb = randomRgb(w, 7, w * 31 + depth);
      HBITMAP bitmap = tsMakeDisplayBitmap(rgb.data(), w, 7, nullptr, nullptr);
      ASSERT_NE(bitmap, nullptr) << w;
      EXPECT_EQ(tsGetLastError(), TSERR_NONE);
      HDC dc = GetDC(nullptr);
      std::uint32_t cw = 0;
      std::uint32_t ch = 0;
      EXPECT_EQ(capture(bitmap, dc, cw, ch), rgb) << depth << " bits, width " << w;
      EXPECT_EQ(cw, w);
      EXPECT_EQ(ch, 7u);
      ReleaseDC(nullptr, dc);
      DeleteObject(bitmap);
    }
  }
}

TEST_F(DisplayBitmap, TopRowOfTheBufferIsTheTopRowShown) {
  ASSERT_TRUE(SetScreenBitsPerPixel(24));
  const Bytes rgb = {255, 0, 0, /* row 1 */ 0, 0, 255};
  HBITMAP bitmap = tsMakeDisplayBitmap(rgb.data(), 1, 2, nullptr, nullptr);
  DeviceBitmapView view{};
  ASSERT_TRUE(GetDeviceBitmapView(bitmap, &view));
  EXPECT_EQ(Bytes(view.pixels, view.pixels + 3), (Bytes{0, 0, 255})) << "red, stored blue first";
  EXPECT_EQ(Bytes(view.pixels + view.stride, view.pixels + view.stride + 3), (Bytes{255, 0, 0}));
  DeleteObject(bitmap);
}

TEST_F(DisplayBitmap, SixteenBitScreensHoldAndGiveBackTheirOwnPrecision) {
  ASSERT_TRUE(SetScreenBitsPerPixel(16));
  const Bytes rgb = {255, 0, 0, 200, 100, 50};
  HBITMAP bitmap = tsMakeDisplayBitmap(rgb.data(), 2, 1, nullptr, nullptr);
  ASSERT_NE(bitmap, nullptr);
  DeviceBitmapView view{};
  ASSERT_TRUE(GetDeviceBitmapView(bitmap, &view));
  EXPECT_EQ(view.bitsPerPixel, 16);
  EXPECT_EQ(view.pixels[0] | (view.pixels[1] << 8), 0xF800);
  HDC dc = GetDC(nullptr);
  std::uint32_t w = 0;
  std::uint32_t h = 0;
  // Each level comes back widened as the screen shows it, top bits repeated:
  // red 25 of 31 is 206, green 25 of 63 is 101, blue 6 of 31 is 49.
  EXPECT_EQ(capture(bitmap, dc, w, h), (Bytes{255, 0, 0, 206, 101, 49}));
  ReleaseDC(nullptr, dc);
  DeleteObject(bitmap);
}

TEST_F(DisplayBitmap, SixteenBitCaptureGivesTheColoursTheScreenShows) {
  // Every 5-bit red and blue level and every 6-bit green level, on a 16-bit
  // screen: what is saved must be what the dialog paints, which is the
  // device bitmap read as QImage::Format_RGB16.
  ASSERT_TRUE(SetScreenBitsPerPixel(16));
  constexpr std::uint32_t kWidth = 64;
  Bytes rgb;
  for (std::uint32_t i = 0; i < kWidth; ++i) {
    rgb.push_back(static_cast<std::uint8_t>((i % 32) << 3));
    rgb.push_back(static_cast<std::uint8_t>(i << 2));
    rgb.push_back(static_cast<std::uint8_t>((31 - i % 32) << 3));
  }
  HBITMAP bitmap = tsMakeDisplayBitmap(rgb.data(), kWidth, 1, nullptr, nullptr);
  ASSERT_NE(bitmap, nullptr);
  DeviceBitmapView view{};
  ASSERT_TRUE(GetDeviceBitmapView(bitmap, &view));
  ASSERT_EQ(view.bitsPerPixel, 16);
  const QImage shown = QImage(view.pixels, view.width, view.height,
                              static_cast<qsizetype>(view.stride), QImage::Format_RGB16)
                           .convertToFormat(QImage::Format_RGB888);
  const Bytes onScreen(shown.constScanLine(0), shown.constScanLine(0) + kWidth * 3);

  HDC dc = GetDC(nullptr);
  std::uint32_t w = 0;
  std::uint32_t h = 0;
  const Bytes saved = capture(bitmap, dc, w, h);
  ASSERT_EQ(saved.size(), onScreen.size());
  for (std::uint32_t x = 0; x < kWidth; ++x) {
    EXPECT_EQ(Bytes(saved.begin() + x * 3, saved.begin() + x * 3 + 3),
              Bytes(onScreen.begin() + x * 3, onScreen.begin() + x * 3 + 3))
        << "red " << x % 32 << ", green " << x << ", blue " << 31 - x % 32;
  }
  EXPECT_EQ(Bytes(saved.begin(), saved.begin() + 3), (Bytes{0, 0, 255})) << "ends stay black and full";
  ReleaseDC(nullptr, dc);
  DeleteObject(bitmap);
}

TEST_F(DisplayBitmap, RefusesBadInputAndDevicesWithoutBitmapTransfer) {
  const Bytes rgb(12, 9);
  EXPECT_EQ(tsMakeDisplayBitmap(nullptr, 2, 2, nullptr, nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  EXPECT_EQ(tsMakeDisplayBitmap(rgb.data(), 2, 0, nullptr, nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  EXPECT_EQ(tsMakeDisplayBitmap(rgb.data(), 0x7FFFFFFF, 0x7FFFFFFF, nullptr, nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_MEMORY);
  HDC plotter = CreateDeviceContext(24, 0);
  EXPECT_EQ(tsMakeDisplayBitmap(rgb.data(), 2, 2, nullptr, plotter), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_DEVICE);
  DeleteDC(plotter);
}

TEST_F(DisplayBitmap, AGivenContextAndPaletteAreUsedAndTheOldPaletteRestored) {
  HDC dc = CreateDeviceContext(32, RC_DI_BITMAP | RC_PALETTE);
  std::vector<std::uint8_t> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY), 0);
  auto* logical = reinterpret_cast<LOGPALETTE*>(block.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = 2;
  HPALETTE palette = CreatePalette(logical);
  const Bytes rgb = randomRgb(4, 3, 5);
  HBITMAP bitmap = tsMakeDisplayBitmap(rgb.data(), 4, 3, palette, dc);
  ASSERT_NE(bitmap, nullptr);
  std::uint32_t w = 0;
  std::uint32_t h = 0;
  EXPECT_EQ(capture(bitmap, dc, w, h, palette), rgb);
  EXPECT_EQ(capture(bitmap, dc, w, h), rgb) << "system palette of a palette device";
  EXPECT_TRUE(DeleteObject(palette)) << "no longer selected anywhere";
  DeleteObject(bitmap);
  DeleteDC(dc);
}

TEST_F(DisplayBitmap, CaptureFailuresAndTheirCodes) {
  const Bytes rgb = randomRgb(2, 2, 1);
  HBITMAP bitmap = tsMakeDisplayBitmap(rgb.data(), 2, 2, nullptr, nullptr);
  std::uint32_t w = 5;
  std::uint32_t h = 5;
  EXPECT_EQ(tsCaptureBitmap(bitmap, &w, &h, nullptr, nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_DEVICE) << "no device context";
  EXPECT_EQ(w, 0u);
  EXPECT_EQ(h, 0u);
  HDC dc = GetDC(nullptr);
  EXPECT_EQ(tsCaptureBitmap(nullptr, &w, &h, dc, nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM) << "an entry without a thumbnail";
  EXPECT_EQ(tsCaptureBitmap(bitmap, nullptr, &h, dc, nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  DeleteObject(bitmap);
  EXPECT_EQ(tsCaptureBitmap(bitmap, &w, &h, dc, nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_GDI) << "a deleted bitmap";
  EXPECT_EQ(tsCaptureBitmap(dc, &w, &h, dc, nullptr), nullptr);
  EXPECT_EQ(tsGetLastError(), TSERR_GDI) << "not a bitmap";
  ReleaseDC(nullptr, dc);
}

}  // namespace
