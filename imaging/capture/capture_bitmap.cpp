// tsCaptureBitmap: reads a device bitmap back through GetDIBits and converts
// the rows to an RGB buffer. A bitmap is read at its own bit count, except a
// 16-bit one: its 5-6-5 pixels are read at 24 bits, where the device widens
// each channel by repeating its top bits exactly as the screen shows the
// bitmap (and green keeps the sixth bit a 5-5-5 read would drop), so that a
// saved thumbnail has the colours on show.
#include <array>
#include <cstring>

#include "imaging/core/entry_frame.h"
#include "imaging/core/sizes.h"
#include "imaging/decode/row_conversion.h"
#include "imaging/tessera.h"
#include "platform/gdi.h"
#include "platform/global_memory.h"

namespace tessera {
namespace {

constexpr UINT kSystemPaletteEntries = 255;

// The palette the rows are read through: the caller's; on a palette device
// one built from the system palette (deleted by the caller of this, flagged
// in `owned`); else the stock default palette.
HPALETTE choosePalette(OperationContext& ctx, HDC dc, HPALETTE given, bool& owned) {
  owned = false;
  if (given != nullptr) return given;
  if ((GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) == 0) {
    return static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  }
  const std::size_t bytes = sizeof(LOGPALETTE) + kSystemPaletteEntries * sizeof(PALETTEENTRY);
  auto* logical = static_cast<LOGPALETTE*>(GlobalAlloc(GPTR, bytes));
  if (logical == nullptr) {
    ctx.fail(TSERR_MEMORY);
    return nullptr;
  }
  logical->palVersion = 0x300;
  logical->palNumEntries = kSystemPaletteEntries;
  GetSystemPaletteEntries(dc, 0, kSystemPaletteEntries, logical->palPalEntry);
  HPALETTE palette = CreatePalette(logical);
  GlobalFree(logical);
  if (palette == nullptr) {
    ctx.fail(TSERR_GDI);
    return nullptr;
  }
  owned = true;
  return palette;
}

// Header, colour table and rows of the bitmap in one global block, read with
// the palette realised in the screen's context. Null on failure.
std::uint8_t* readDib(OperationContext& ctx, HBITMAP bitmap, const BITMAP& info,
                      HPALETTE palette, int readBits, std::size_t& tableBytes) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = info.bmWidth;
  header.biHeight = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;  // bottom-up
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(readBits);
  header.biCompression = BI_RGB;
  tableBytes = header.biBitCount <= 8 ? (std::size_t{1} << header.biBitCount) * sizeof(RGBQUAD) : 0;

  HDC screen = GetDC(nullptr);
  HPALETTE previous = SelectPalette(screen, palette, FALSE);
  RealizePalette(screen);

  std::uint8_t* block = allocGlobalBlock(ctx, sizeof header + tableBytes);
  if (block != nullptr) {
    std::memcpy(block, &header, sizeof header);
    auto* bmi = reinterpret_cast<BITMAPINFO*>(block);
    const auto height = static_cast<std::uint32_t>(header.biHeight);
    if (GetDIBits(screen, bitmap, 0, height, nullptr, bmi, DIB_RGB_COLORS) == 0) {
      ctx.fail(TSERR_GDI);
    } else {
      std::uint64_t imageBytes = bmi->bmiHeader.biSizeImage;
      if (imageBytes == 0) {
        imageBytes = ((std::uint64_t{bmi->bmiHeader.biBitCount} * static_cast<std::uint32_t>(header.biWidth) + 31) &
                      ~std::uint64_t{31}) / 8 * height;
      }
      const auto total = madSizes(1, imageBytes, sizeof header + tableBytes);
      void* grown = nullptr;
      if (!total || *total > kGlobalMaxBlock ||
          (grown = GlobalReAlloc(block, static_cast<std::size_t>(*total), GMEM_ZEROINIT)) == nullptr) {
        ctx.fail(TSERR_MEMORY);
      } else {
        block = static_cast<std::uint8_t*>(grown);
        bmi = reinterpret_cast<BITMAPINFO*>(block);
        if (GetDIBits(screen, bitmap, 0, height, block + sizeof header + tableBytes, bmi,
                      DIB_RGB_COLORS) == 0) {
          ctx.fail(TSERR_GDI);
        }
      }
    }
    if (!ctx.ok()) {
      GlobalFree(block);
      block = nullptr;
    }
  }

  if (previous != nullptr) SelectPalette(screen, previous, FALSE);
  ReleaseDC(nullptr, screen);
  return block;
}

std::uint8_t* capture(OperationContext& ctx, HBITMAP bitmap, std::uint32_t* width,
                      std::uint32_t* height, HDC dc, HPALETTE given) {
  if ((GetDeviceCaps(dc, RASTERCAPS) & RC_DI_BITMAP) == 0) {
    ctx.fail(TSERR_DEVICE);
    return nullptr;
  }
  if (bitmap == nullptr) {
    ctx.fail(TSERR_BAD_PARAM);
    return nullptr;
  }
  BITMAP info{};
  if (GetObject(bitmap, sizeof info, &info) != sizeof info || info.bmWidth <= 0 ||
      info.bmHeight == 0) {
    ctx.fail(TSERR_GDI);
    return nullptr;
  }
  const int bitCount = info.bmPlanes * info.bmBitsPixel;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32) {
    ctx.fail(TSERR_DEPTH);
    return nullptr;
  }
  const int readBits = bitCount == 16 ? 24 : bitCount;
  bool ownedPalette = false;
  HPALETTE palette = choosePalette(ctx, dc, given, ownedPalette);
  if (palette == nullptr) return nullptr;

  std::size_t tableBytes = 0;
  std::uint8_t* dib = readDib(ctx, bitmap, info, palette, readBits, tableBytes);
  if (ownedPalette) DeleteObject(palette);
  if (dib == nullptr) return nullptr;

  const auto w = static_cast<std::uint32_t>(info.bmWidth);
  const auto h = static_cast<std::uint32_t>(info.bmHeight < 0 ? -info.bmHeight : info.bmHeight);
  std::uint8_t* rgb = allocGlobalBlock(ctx, mulSizes(w, h, 3));
  if (rgb != nullptr) {
    const std::uint8_t* table = dib + sizeof(BITMAPINFOHEADER);
    const std::uint8_t* rows = table + tableBytes;
    const std::size_t stride = static_cast<std::size_t>(*paddedRowBytes(w, readBits));
    const RowConverter converter(readBits, table, static_cast<std::uint32_t>(tableBytes / 4), {},
                                 false);
    for (std::uint32_t k = 0; k < h; ++k) {
      // The last stored row is the top image row.
      converter.convert(rows + stride * k, w, rgb + std::size_t{w} * 3 * (h - 1 - k));
    }
    *width = w;
    *height = h;
  }
  GlobalFree(dib);
  return rgb;
}

}  // namespace
}  // namespace tessera

std::uint8_t* tsCaptureBitmap(HBITMAP bitmap, std::uint32_t* width, std::uint32_t* height, HDC dc,
                              HPALETTE palette) {
  using namespace tessera;
  return runEntryPoint(static_cast<std::uint8_t*>(nullptr), [&](OperationContext& ctx) -> std::uint8_t* {
    if (width == nullptr || height == nullptr) {
      ctx.fail(TSERR_BAD_PARAM);
      return nullptr;
    }
    *width = 0;
    *height = 0;
    return capture(ctx, bitmap, width, height, dc, palette);
  });
}
