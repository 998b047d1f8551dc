// The device-bitmap stand-in: handle checks, device formats, the header
// query and row copy of GetDIBits, palettes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A bottom-up 24-bit DIB of w x h whose pixel (x, y), y = 0 the top row, is
// (x * 40, y * 40, 200) as red, green, blue.
struct Dib24 {
  BITMAPINFOHEADER header{};
  Bytes rows;
  Dib24(int w, int h) {
    header.biSize = sizeof header;
    header.biWidth = w;
    header.biHeight = h;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const std::size_t stride = ((w * 24 + 31) / 32) * 4;
    rows.assign(stride * h, 0);
    for (int k = 0; k < h; ++k) {
      const int y = h - 1 - k;
      for (int x = 0; x < w; ++x) {
        std::uint8_t* p = rows.data() + stride * k + x * 3;
        p[0] = 200;
        p[1] = static_cast<std::uint8_t>(y * 40);
        p[2] = static_cast<std::uint8_t>(x * 40);
      }
    }
  }
  HBITMAP create(HDC dc) const {
    return CreateDIBitmap(dc, &header, CBM_INIT, rows.data(),
                          reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS);
  }
};

TEST(Gdi, ScreenDepthIsSetByTheApplicationAndKeptPerContext) {
  EXPECT_FALSE(SetScreenBitsPerPixel(8));
  ASSERT_TRUE(SetScreenBitsPerPixel(16));
  HDC sixteen = GetDC(nullptr);
  ASSERT_TRUE(SetScreenBitsPerPixel(24));
  HDC twentyFour = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(sixteen, BITSPIXEL), 16);
  EXPECT_EQ(GetDeviceCaps(twentyFour, BITSPIXEL), 24);
  EXPECT_EQ(GetDeviceCaps(twentyFour, RASTERCAPS) & RC_DI_BITMAP, RC_DI_BITMAP);
  EXPECT_EQ(GetDeviceCaps(twentyFour, PLANES), 1);
  EXPECT_EQ(ReleaseDC(nullptr, sixteen), 1);
  EXPECT_EQ(ReleaseDC(nullptr, twentyFour), 1);
  SetScreenBitsPerPixel(32);
}

TEST(Gdi, StaleAndForeignHandlesFailInsteadOfCrashing) {
  const std::size_t before = GdiLiveObjectCount();
  HDC dc = CreateDeviceContext(24, RC_DI_BITMAP);
  HBITMAP bitmap = Dib24(2, 2).create(dc);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(GdiLiveObjectCount(), before + 2);

  EXPECT_EQ(ReleaseDC(nullptr, dc), 0) << "not a context from GetDC";
  EXPECT_FALSE(DeleteObject(dc)) << "contexts go through DeleteDC";
  EXPECT_EQ(GetDeviceCaps(bitmap, BITSPIXEL), 0) << "a bitmap is not a context";
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_FALSE(DeleteObject(bitmap)) << "already deleted";
  BITMAP info{};
  EXPECT_EQ(GetObject(bitmap, sizeof info, &info), 0);
  DeviceBitmapView view{};
  EXPECT_FALSE(GetDeviceBitmapView(bitmap, &view));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(GetDeviceCaps(dc, RASTERCAPS), 0);
  EXPECT_EQ(RealizePalette(dc), GDI_ERROR);
  EXPECT_EQ(GdiLiveObjectCount(), before);
}

TEST(Gdi, DeviceBitmapsKeepTheDevicePixelFormat) {
  const Dib24 dib(3, 2);
  for (int depth : {16, 24, 32}) {
    HDC dc = CreateDeviceContext(depth, RC_DI_BITMAP);
    HBITMAP bitmap = dib.create(dc);
    DeviceBitmapView view{};
    ASSERT_TRUE(GetDeviceBitmapView(bitmap, &view));
    EXPECT_EQ(view.width, 3);
    EXPECT_EQ(view.height, 2);
    EXPECT_EQ(view.bitsPerPixel, depth);
    EXPECT_EQ(view.stride % 4, 0u);
    // Top row first: pixel (1, 0) is (40, 0, 200); (2, 1) is (80, 40, 200).
    const std::uint8_t* p = view.pixels + (depth / 8) * 1;
    const std::uint8_t* q = view.pixels + view.stride + (depth / 8) * 2;
    if (depth == 16) {
      EXPECT_EQ(p[0] | (p[1] << 8), (5 << 11) | (0 << 5) | 25) << "5-6-5, truncated";
      EXPECT_EQ(q[0] | (q[1] << 8), (10 << 11) | (10 << 5) | 25);
    } else {
      EXPECT_EQ(Bytes(p, p + 3), (Bytes{200, 0, 40}));
      EXPECT_EQ(Bytes(q, q + 3), (Bytes{200, 40, 80}));
      if (depth == 32) {
        EXPECT_EQ(p[3], 0xFF);
      }
    }
    BITMAP info{};
    ASSERT_EQ(GetObject(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmBitsPixel, depth);
    EXPECT_EQ(info.bmPlanes, 1);
    EXPECT_EQ(info.bmWidthBytes, static_cast<LONG>(view.stride));
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
}

TEST(Gdi, GetDIBitsQueriesTheHeaderThenCopiesScanLines) {
  HDC dc = CreateDeviceContext(24, RC_DI_BITMAP);
  HBITMAP bitmap = Dib24(3, 4).create(dc);
  std::vector<std::uint8_t> block(sizeof(BITMAPINFOHEADER) + 64, 0);
  auto* info = reinterpret_cast<BITMAPINFO*>(block.data());
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  ASSERT_NE(GetDIBits(dc, bitmap, 0, 4, nullptr, info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(info->bmiHeader.biBitCount, 24) << "bit count 0 asks for the bitmap's own";
  EXPECT_EQ(info->bmiHeader.biWidth, 3);
  EXPECT_EQ(info->bmiHeader.biHeight, 4);
  EXPECT_EQ(info->bmiHeader.biSizeImage, 12u * 4);

  info->bmiHeader.biBitCount = 32;
  ASSERT_NE(GetDIBits(dc, bitmap, 0, 4, nullptr, info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(info->bmiHeader.biSizeImage, 12u * 4);
  std::vector<std::uint8_t> rows(12 * 2, 0xEE);
  // Scan lines 1 and 2 from the bottom: image rows 2 and 1.
  ASSERT_EQ(GetDIBits(dc, bitmap, 1, 2, rows.data(), info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(Bytes(rows.begin(), rows.begin() + 4), (Bytes{200, 80, 0, 0}));
  EXPECT_EQ(Bytes(rows.begin() + 12, rows.begin() + 16), (Bytes{200, 40, 0, 0}));
  EXPECT_EQ(GetDIBits(dc, bitmap, 4, 1, rows.data(), info, DIB_RGB_COLORS), 0) << "past the top";
  info->bmiHeader.biBitCount = 8;
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 1, rows.data(), info, DIB_RGB_COLORS), 0) << "no 8-bit copies";
  info->bmiHeader.biBitCount = 16;
  ASSERT_EQ(GetDIBits(dc, bitmap, 3, 1, rows.data(), info, DIB_RGB_COLORS), 1);
  // Top row, pixel 2: (80, 0, 200) as 5-5-5.
  EXPECT_EQ(rows[4] | (rows[5] << 8), (10 << 10) | (0 << 5) | 25);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

TEST(Gdi, CreateDIBitmapRefusesWhatItCannotHold) {
  HDC dc = CreateDeviceContext(24, RC_DI_BITMAP);
  Dib24 dib(2, 2);
  EXPECT_EQ(CreateDIBitmap(nullptr, &dib.header, CBM_INIT, dib.rows.data(),
                           reinterpret_cast<const BITMAPINFO*>(&dib.header), DIB_RGB_COLORS), nullptr);
  dib.header.biBitCount = 8;
  EXPECT_EQ(dib.create(dc), nullptr) << "no palette-based layouts";
  dib.header.biBitCount = 24;
  dib.header.biWidth = 0x7FFFFFFF;
  EXPECT_EQ(dib.create(dc), nullptr) << "above the block limit";
  dib.header.biWidth = 2;
  EXPECT_EQ(CreateDIBitmap(dc, &dib.header, CBM_INIT, nullptr, nullptr, DIB_RGB_COLORS), nullptr);
  HBITMAP blank = CreateDIBitmap(dc, &dib.header, 0, nullptr, nullptr, DIB_RGB_COLORS);
  ASSERT_NE(blank, nullptr) << "without CBM_INIT the bitmap is black";
  DeleteObject(blank);
  DeleteDC(dc);
}

TEST(Gdi, PalettesSelectRealiseAndCannotBeDeletedWhileSelected) {
  HDC screen = GetDC(nullptr);
  HDC paletteDevice = CreateDeviceContext(16, RC_DI_BITMAP | RC_PALETTE);
  std::vector<std::uint8_t> block(sizeof(LOGPALETTE) + 3 * sizeof(PALETTEENTRY), 0);
  auto* logical = reinterpret_cast<LOGPALETTE*>(block.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = 4;
  HPALETTE palette = CreatePalette(logical);
  ASSERT_NE(palette, nullptr);
  logical->palVersion = 0x200;
  EXPECT_EQ(CreatePalette(logical), nullptr);

  HGDIOBJ stock = GetStockObject(DEFAULT_PALETTE);
  ASSERT_NE(stock, nullptr);
  WORD entries = 0;
  EXPECT_EQ(GetObject(stock, sizeof entries, &entries), static_cast<int>(sizeof entries));
  EXPECT_EQ(entries, 20);

  EXPECT_EQ(SelectPalette(paletteDevice, palette, FALSE), stock) << "contexts start with the stock palette";
  EXPECT_EQ(RealizePalette(paletteDevice), 4u);
  EXPECT_FALSE(DeleteObject(palette)) << "still selected";
  EXPECT_EQ(SelectPalette(paletteDevice, static_cast<HPALETTE>(stock), FALSE), palette);
  EXPECT_TRUE(DeleteObject(palette));
  EXPECT_TRUE(DeleteObject(stock)) << "stock objects survive deletion";
  EXPECT_NE(GetStockObject(DEFAULT_PALETTE), nullptr);

  PALETTEENTRY system[256]{};
  EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 256, system), 0u) << "not a palette device";
  EXPECT_EQ(GetSystemPaletteEntries(paletteDevice, 250, 10, system), 6u);
  EXPECT_EQ(system[5].peRed, 255) << "entry 255 is white";
  EXPECT_EQ(RealizePalette(screen), 0u);
  ReleaseDC(nullptr, screen);
  DeleteDC(paletteDevice);
}

}  // namespace
