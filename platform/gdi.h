// Device contexts, device bitmaps and palettes: the little of the graphics
// interface that the image library's display side is written against.
//
// A device context has a bit depth (16, 24 or 32) and raster capabilities. A
// device bitmap keeps its pixels in its device's own format, so a bitmap made
// for a 16-bit screen holds 5-6-5 colours and gives back exactly those.
// Every handle is checked against a registry of live objects: a stale, null
// or foreign handle makes a call fail, never crash.
//
// For the application:
//   - SetScreenBitsPerPixel(depth of the real display) before any bitmap is
//     made; GetDC(window) then hands out contexts of that depth.
//   - GetDeviceBitmapView(bitmap, &view) gives read-only access to a device
//     bitmap's pixels for painting (see DeviceBitmapView for the formats).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"

// ---- Constants --------------------------------------------------------------
// GetDeviceCaps indexes.
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int RASTERCAPS = 38;
// RASTERCAPS bits.
constexpr int RC_DI_BITMAP = 0x0080;  // transfers device-independent bitmaps
constexpr int RC_PALETTE = 0x0100;    // a palette-based device

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_BITFIELDS = 3;
constexpr DWORD CBM_INIT = 0x04;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr int DEFAULT_PALETTE = 15;
constexpr UINT GDI_ERROR = 0xFFFFFFFFu;

// ---- Records ----------------------------------------------------------------
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // above 0: rows bottom-up; below 0: top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];  // the colour table continues past the record
};

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;  // always null: device bitmaps are reached through their handle
};

struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};

struct LOGPALETTE {
  WORD palVersion;  // 0x300
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];  // continues past the record
};

// ---- The screen -------------------------------------------------------------
// Sets the depth of the screen's device contexts (16, 24 or 32; anything else
// is refused with FALSE). Contexts already handed out keep their depth. The
// screen starts at 32 bits and always reports RC_DI_BITMAP.
BOOL SetScreenBitsPerPixel(int bitsPerPixel);

// A device context of the screen. Every window shares the screen's format, so
// `window` only matters to ReleaseDC's bookkeeping; null means the screen.
HDC GetDC(const void* window);
// Releases a context from GetDC: 1 on success, 0 for any other handle.
int ReleaseDC(const void* window, HDC dc);

// A device context with the given depth (16, 24 or 32) and RASTERCAPS bits,
// for callers that need a device other than the screen. Null when the depth
// is not one of those.
HDC CreateDeviceContext(int bitsPerPixel, int rasterCaps);
BOOL DeleteDC(HDC dc);

// RASTERCAPS, BITSPIXEL or PLANES of a context; 0 for a bad handle or index.
int GetDeviceCaps(HDC dc, int index);

// ---- Device bitmaps ---------------------------------------------------------
// Makes a device bitmap in the context's format from a device-independent
// one. With CBM_INIT, `bits` holds the rows described by `info` (16 bits as
// 5-5-5, 24 or 32 bits, BI_RGB, DIB_RGB_COLORS); without it the bitmap is
// black. Null on a bad handle, an unsupported layout or a size above the
// global block limit.
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);

// Copies a device bitmap's rows out as a device-independent bitmap.
// With bits null, completes `info`'s header: a bit count of 0 asks for the
// bitmap's own format; otherwise width, height and image size are filled for
// the bit count asked. Returns nonzero on success.
// With bits set, writes scan lines start .. start + lines - 1 (numbered from
// the bottom when biHeight > 0) at info's bit count (16 as 5-5-5, 24 or 32,
// BI_RGB) and width, which must be the bitmap's; returns the lines copied.
// 0 on any failure. A 16-bit bitmap's 5- and 6-bit channels are widened by
// repeating their top bits, (v << 3) | (v >> 2) and (v << 2) | (v >> 4), the
// way QImage::Format_RGB16 shows them: 0 stays 0 and full becomes 255.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage);

// Fills a BITMAP (for a bitmap) or a WORD entry count (for a palette).
// With `out` null, returns the size needed; otherwise the bytes written, 0 on
// failure.
int GetObject(HGDIOBJ object, int size, void* out);

// Deletes a bitmap or palette. FALSE for a bad handle, for a device context
// (use DeleteDC or ReleaseDC), and for a palette still selected into a
// context. Stock objects are never deleted (TRUE).
BOOL DeleteObject(HGDIOBJ object);

// Read-only view of a device bitmap's pixels, rows top first, each row
// `stride` bytes (a multiple of 4). Formats by bitsPerPixel:
//   16: little-endian 5-6-5 words, red in the top bits (QImage::Format_RGB16);
//   24: bytes blue, green, red (QImage::Format_BGR888);
//   32: bytes blue, green, red, 0xFF (QImage::Format_RGB32).
// The pointer stays valid until the bitmap is deleted.
struct DeviceBitmapView {
  int width;
  int height;
  int bitsPerPixel;
  std::size_t stride;
  const std::uint8_t* pixels;
};
BOOL GetDeviceBitmapView(HBITMAP bitmap, DeviceBitmapView* view);

// ---- Palettes ---------------------------------------------------------------
// A logical palette of 1 to 256 entries (version 0x300); null otherwise.
HPALETTE CreatePalette(const LOGPALETTE* palette);
// Selects a palette into a context and returns the one it replaces (every
// context starts with the stock default palette); null on a bad handle.
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
// Maps the selected palette into the system palette: the number of entries
// mapped on a palette device, 0 on others, GDI_ERROR for a bad handle.
UINT RealizePalette(HDC dc);
// Copies system palette entries of a palette device; 0 on other devices.
UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries);
// DEFAULT_PALETTE: the stock 20-colour palette; null for other indexes.
HGDIOBJ GetStockObject(int index);

// Device contexts, bitmaps and palettes alive now (stock objects excluded),
// so that callers and tests can see that every handle was given back.
std::size_t GdiLiveObjectCount();
