// tsMakeDisplayBitmap: RGB buffer -> packed 24-bit device-independent bitmap
// (header and bottom-up rows in one block) -> device bitmap of the context.
#include <cstring>

#include "imaging/core/entry_frame.h"
#include "imaging/core/sizes.h"
#include "imaging/tessera.h"
#include "platform/gdi.h"
#include "platform/global_memory.h"

namespace tessera {
namespace {

// 40-byte header followed by rows, last image row first, each pixel blue,
// green, red, each row padded with zeros to a multiple of 4 bytes.
std::uint8_t* packDib(OperationContext& ctx, const std::uint8_t* rgb, std::uint32_t width,
                      std::uint32_t height) {
  const auto stride = paddedRowBytes(width, 24);
  const auto imageBytes = stride ? mulSizes(*stride, height) : std::nullopt;
  const auto total = imageBytes ? madSizes(1, *imageBytes, sizeof(BITMAPINFOHEADER)) : std::nullopt;
  std::uint8_t* block = allocGlobalBlock(ctx, total);
  if (block == nullptr) return nullptr;

  BITMAPINFOHEADER header{};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = static_cast<LONG>(width);
  header.biHeight = static_cast<LONG>(height);  // positive: rows stored bottom-up
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(*imageBytes);
  std::memcpy(block, &header, sizeof header);

  std::uint8_t* rows = block + sizeof(BITMAPINFOHEADER);
  const std::size_t inStride = std::size_t{width} * 3;
  for (std::uint32_t k = 0; k < height; ++k) {
    const std::uint8_t* in = rgb + inStride * (height - 1 - k);
    std::uint8_t* out = rows + static_cast<std::size_t>(*stride) * k;
    for (std::uint32_t x = 0; x < width; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  return block;
}

}  // namespace
}  // namespace tessera

HBITMAP tsMakeDisplayBitmap(const std::uint8_t* rgb, std::uint32_t width, std::uint32_t height,
                            HPALETTE palette, HDC dc) {
  using namespace tessera;
  return runEntryPoint(static_cast<HBITMAP>(nullptr), [&](OperationContext& ctx) -> HBITMAP {
    if (rgb == nullptr || width == 0 || height == 0) {
      ctx.fail(TSERR_BAD_PARAM);
      return nullptr;
    }
    // The header holds signed sizes.
    if (width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) {
      ctx.fail(TSERR_MEMORY);
      return nullptr;
    }
    std::uint8_t* packed = packDib(ctx, rgb, width, height);
    if (packed == nullptr) return nullptr;

    HDC device = dc != nullptr ? dc : GetDC(nullptr);
    HBITMAP bitmap = nullptr;
    if ((GetDeviceCaps(device, RASTERCAPS) & RC_DI_BITMAP) == 0) {
      ctx.fail(TSERR_DEVICE);
    } else {
      HPALETTE previous = nullptr;
      if (palette != nullptr) {
        previous = SelectPalette(device, palette, FALSE);
        RealizePalette(device);
      }
      const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(packed);
      bitmap = CreateDIBitmap(device, header, CBM_INIT, packed + sizeof(BITMAPINFOHEADER),
                              reinterpret_cast<const BITMAPINFO*>(packed), DIB_RGB_COLORS);
      if (bitmap == nullptr) ctx.fail(TSERR_BITMAP);
      if (previous != nullptr) SelectPalette(device, previous, FALSE);
    }
    if (dc == nullptr && device != nullptr) ReleaseDC(nullptr, device);
    GlobalFree(packed);
    return bitmap;
  });
}
