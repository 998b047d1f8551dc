#include "platform/gdi.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>
#include <vector>

#include "platform/global_memory.h"
#include "platform/pixel_arena.h"

enum class GdiKind { DeviceContext, Bitmap, Palette };

struct GdiObject {
  explicit GdiObject(GdiKind k) : kind(k) {}
  virtual ~GdiObject() = default;
  const GdiKind kind;
};

namespace {

struct PaletteObject : GdiObject {
  PaletteObject() : GdiObject(GdiKind::Palette) {}
  std::vector<PALETTEENTRY> entries;
  bool stock = false;
};

struct DeviceContextObject : GdiObject {
  DeviceContextObject(int depth, int caps, bool screen)
      : GdiObject(GdiKind::DeviceContext), bitsPerPixel(depth), rasterCaps(caps),
        fromGetDC(screen) {}
  int bitsPerPixel;
  int rasterCaps;
  bool fromGetDC;
  HPALETTE palette = nullptr;
};

struct PixelsDeleter {
  void operator()(std::uint8_t* block) const { platform::FreePixels(block); }
};

struct BitmapObject : GdiObject {
  BitmapObject() : GdiObject(GdiKind::Bitmap) {}
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  std::size_t stride = 0;
  // Rows top first, in the device's format: stride x height bytes. Left
  // uninitialised when the caller's bits cover every row, since a folder
  // scan keeps thousands of these and each byte is written once anyway.
  std::unique_ptr<std::uint8_t[], PixelsDeleter> pixels;
  std::size_t bytes = 0;
};

// The stock 20-colour palette: the first ten and last ten entries of the
// system palette of a palette device.
constexpr std::array<PALETTEENTRY, 20> kStaticColours = {{
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
    {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
}};

std::atomic<int> g_screenBits{32};

struct Registry {
  std::mutex lock;
  std::unordered_set<GdiObject*> live;
};

Registry& registry() {
  static Registry r;
  return r;
}

PaletteObject* stockPalette() {
  static PaletteObject* palette = [] {
    auto* p = new PaletteObject;
    p->stock = true;
    p->entries.assign(kStaticColours.begin(), kStaticColours.end());
    return p;
  }();
  return palette;
}

// Made while the program starts, so that no later call needs memory for it.
[[maybe_unused]] const bool g_stockPaletteReady = (stockPalette(), true);

// Enters a new object in the registry and hands it out; when the registry
// cannot grow, the object is deleted and null comes back, so that the
// creating call fails like any other out of memory.
template <class T>
T* track(T* object) noexcept {
  try {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.live.insert(object);
    return object;
  } catch (...) {
    delete object;
    return nullptr;
  }
}

bool isLive(const GdiObject* object) {
  if (object == nullptr) return false;
  if (object == stockPalette()) return true;
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  return r.live.count(const_cast<GdiObject*>(object)) != 0;
}

void untrack(GdiObject* object) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.live.erase(object);
}

DeviceContextObject* asDC(HDC dc) {
  if (!isLive(dc) || dc->kind != GdiKind::DeviceContext) return nullptr;
  return static_cast<DeviceContextObject*>(dc);
}

BitmapObject* asBitmap(HGDIOBJ object) {
  if (!isLive(object) || object->kind != GdiKind::Bitmap) return nullptr;
  return static_cast<BitmapObject*>(object);
}

PaletteObject* asPalette(HGDIOBJ object) {
  if (!isLive(object) || object->kind != GdiKind::Palette) return nullptr;
  return static_cast<PaletteObject*>(object);
}

bool isDeviceDepth(int bits) { return bits == 16 || bits == 24 || bits == 32; }

std::size_t strideOf(std::uint64_t width, int bits) {
  return static_cast<std::size_t>(((width * static_cast<std::uint64_t>(bits) + 31) / 32) * 4);
}

// Expands a 5- or 6-bit channel to 8 bits by repeating its top bits.
std::uint8_t expand5(unsigned v) { return static_cast<std::uint8_t>((v << 3) | (v >> 2)); }
std::uint8_t expand6(unsigned v) { return static_cast<std::uint8_t>((v << 2) | (v >> 4)); }

// One pixel in each direction between the device formats and the
// device-independent layouts (16 bits there means 5-5-5).
struct Rgb {
  std::uint8_t r, g, b;
};

// A 16-bit pixel, low byte first: 5 bits of red and of blue, and
// `greenBits` (6 on the device, 5 in device-independent rows) of green.
Rgb unpack16(const std::uint8_t* p, unsigned greenBits) {
  const unsigned v = p[0] | (p[1] << 8);
  const unsigned green = (v >> 5) & ((1u << greenBits) - 1);
  return {expand5((v >> (5 + greenBits)) & 31), greenBits == 6 ? expand6(green) : expand5(green),
          expand5(v & 31)};
}

void pack16(std::uint8_t* p, Rgb c, unsigned greenBits) {
  const unsigned v =
      (static_cast<unsigned>(c.r >> 3) << (5 + greenBits)) | (static_cast<unsigned>(c.g >> (8 - greenBits)) << 5) |
      static_cast<unsigned>(c.b >> 3);
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

// 24 or 32 bits: blue, green, red (and `pad` in the fourth byte).
void packBgr(std::uint8_t* p, int bits, Rgb c, std::uint8_t pad) {
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
  if (bits == 32) p[3] = pad;
}

Rgb readDevicePixel(const std::uint8_t* p, int bits) {
  if (bits == 16) return unpack16(p, 6);
  return {p[2], p[1], p[0]};
}

void writeDevicePixel(std::uint8_t* p, int bits, Rgb c) {
  if (bits == 16) return pack16(p, c, 6);
  packBgr(p, bits, c, 0xFF);
}

Rgb readDibPixel(const std::uint8_t* p, int bits) {
  if (bits == 16) return unpack16(p, 5);
  return {p[2], p[1], p[0]};
}

void writeDibPixel(std::uint8_t* p, int bits, Rgb c) {
  if (bits == 16) return pack16(p, c, 5);
  packBgr(p, bits, c, 0);
}

bool isDibLayout(const BITMAPINFOHEADER& h) {
  return h.biSize >= sizeof(BITMAPINFOHEADER) && h.biCompression == BI_RGB &&
         isDeviceDepth(h.biBitCount);
}

std::uint32_t absHeight(LONG height) {
  return height < 0 ? 0u - static_cast<std::uint32_t>(height) : static_cast<std::uint32_t>(height);
}

}  // namespace

BOOL SetScreenBitsPerPixel(int bitsPerPixel) {
  if (!isDeviceDepth(bitsPerPixel)) return FALSE;
  g_screenBits.store(bitsPerPixel);
  return TRUE;
}

HDC GetDC(const void* /*window*/) {
  auto* dc = new (std::nothrow) DeviceContextObject(g_screenBits.load(), RC_DI_BITMAP, true);
  if (dc == nullptr) return nullptr;
  dc->palette = stockPalette();
  return track(dc);
}

int ReleaseDC(const void* /*window*/, HDC dc) {
  DeviceContextObject* object = asDC(dc);
  if (object == nullptr || !object->fromGetDC) return 0;
  untrack(object);
  delete object;
  return 1;
}

HDC CreateDeviceContext(int bitsPerPixel, int rasterCaps) {
  if (!isDeviceDepth(bitsPerPixel)) return nullptr;
  auto* dc = new (std::nothrow) DeviceContextObject(bitsPerPixel, rasterCaps, false);
  if (dc == nullptr) return nullptr;
  dc->palette = stockPalette();
  return track(dc);
}

BOOL DeleteDC(HDC dc) {
  DeviceContextObject* object = asDC(dc);
  if (object == nullptr || object->fromGetDC) return FALSE;
  untrack(object);
  delete object;
  return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
  const DeviceContextObject* object = asDC(dc);
  if (object == nullptr) return 0;
  switch (index) {
    case RASTERCAPS:
      return object->rasterCaps;
    case BITSPIXEL:
      return object->bitsPerPixel;
    case PLANES:
      return 1;
    default:
      return 0;
  }
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
  const DeviceContextObject* device = asDC(dc);
  if (device == nullptr || header == nullptr) return nullptr;
  if (header->biSize < sizeof(BITMAPINFOHEADER) || header->biWidth <= 0 ||
      header->biHeight == 0) {
    return nullptr;
  }
  const bool initialise = (init & CBM_INIT) != 0;
  if (initialise && (bits == nullptr || info == nullptr || usage != DIB_RGB_COLORS ||
                     !isDibLayout(info->bmiHeader) ||
                     info->bmiHeader.biWidth != header->biWidth ||
                     info->bmiHeader.biHeight == 0)) {
    return nullptr;
  }
  const std::uint32_t width = static_cast<std::uint32_t>(header->biWidth);
  const std::uint32_t height = absHeight(header->biHeight);
  const std::size_t stride = strideOf(width, device->bitsPerPixel);
  if (stride != 0 && height > kGlobalMaxBlock / stride) return nullptr;

  auto* bitmap = new (std::nothrow) BitmapObject;
  if (bitmap == nullptr) return nullptr;
  bitmap->bytes = stride * height;
  bitmap->pixels.reset(platform::AllocatePixels(bitmap->bytes));
  if (bitmap->pixels == nullptr) {
    delete bitmap;
    return nullptr;
  }
  const bool everyRowGiven = initialise && absHeight(info->bmiHeader.biHeight) >= height;
  if (!everyRowGiven) std::memset(bitmap->pixels.get(), 0, bitmap->bytes);
  bitmap->width = static_cast<int>(width);
  bitmap->height = static_cast<int>(height);
  bitmap->bitsPerPixel = device->bitsPerPixel;
  bitmap->stride = stride;
  // A black bitmap still needs its 32-bit pixels' fourth byte set.
  const Rgb black{0, 0, 0};
  if (!initialise && device->bitsPerPixel == 32) {
    for (std::size_t i = 0; i < bitmap->bytes; i += 4) {
      writeDevicePixel(bitmap->pixels.get() + i, 32, black);
    }
  }

  if (initialise) {
    const BITMAPINFOHEADER& src = info->bmiHeader;
    const int srcBits = src.biBitCount;
    const std::uint32_t srcRows = std::min(absHeight(src.biHeight), height);
    const std::size_t srcStride = strideOf(width, srcBits);
    const auto* in = static_cast<const std::uint8_t*>(bits);
    const int srcPixel = srcBits / 8;
    const int dstPixel = device->bitsPerPixel / 8;
    for (std::uint32_t k = 0; k < srcRows; ++k) {
      // Stored row k of a bottom-up layout is image row (rows - 1 - k).
      const std::uint32_t y = src.biHeight > 0 ? srcRows - 1 - k : k;
      const std::uint8_t* s = in + srcStride * k;
      std::uint8_t* d = bitmap->pixels.get() + stride * y;
      if (srcBits == 24 && device->bitsPerPixel == 24) {
        std::memcpy(d, s, static_cast<std::size_t>(width) * 3);  // same layout: blue, green, red
      } else if (srcBits == 24 && device->bitsPerPixel == 32) {
        for (std::uint32_t x = 0; x < width; ++x, s += 3, d += 4) {
          d[0] = s[0];
          d[1] = s[1];
          d[2] = s[2];
          d[3] = 0xFF;
        }
        d -= static_cast<std::size_t>(width) * 4;
      } else {
        for (std::uint32_t x = 0; x < width; ++x) {
          writeDevicePixel(d + static_cast<std::size_t>(x) * dstPixel, device->bitsPerPixel,
                           readDibPixel(s + static_cast<std::size_t>(x) * srcPixel, srcBits));
        }
      }
      const std::size_t used = static_cast<std::size_t>(width) * dstPixel;
      std::memset(d + used, 0, stride - used);  // row padding
    }
  }
  return track(bitmap);
}

int GetDIBits(HDC dc, HBITMAP handle, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage) {
  if (asDC(dc) == nullptr || info == nullptr || usage != DIB_RGB_COLORS) return 0;
  const BitmapObject* bitmap = asBitmap(handle);
  if (bitmap == nullptr) return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;

  if (bits == nullptr) {
    if (h.biBitCount == 0) {
      h.biBitCount = static_cast<WORD>(bitmap->bitsPerPixel);
      h.biPlanes = 1;
      h.biCompression = BI_RGB;
    }
    if (!isDibLayout(h)) return 0;
    h.biWidth = bitmap->width;
    h.biHeight = bitmap->height;
    h.biSizeImage = static_cast<DWORD>(strideOf(static_cast<std::uint32_t>(bitmap->width),
                                                h.biBitCount) *
                                       static_cast<std::uint32_t>(bitmap->height));
    return bitmap->height;
  }

  if (!isDibLayout(h) || h.biWidth != bitmap->width || h.biHeight == 0) return 0;
  const std::uint32_t height = static_cast<std::uint32_t>(bitmap->height);
  if (start >= height) return 0;
  const std::uint32_t count = std::min<std::uint32_t>(lines, height - start);
  const int dstBits = h.biBitCount;
  const std::size_t dstStride = strideOf(static_cast<std::uint32_t>(bitmap->width), dstBits);
  auto* out = static_cast<std::uint8_t*>(bits);
  const int srcPixel = bitmap->bitsPerPixel / 8;
  const int dstPixel = dstBits / 8;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t line = start + i;
    // Scan lines count from the bottom in a bottom-up layout.
    const std::uint32_t y = h.biHeight > 0 ? height - 1 - line : line;
    const std::uint8_t* s = bitmap->pixels.get() + bitmap->stride * y;
    std::uint8_t* d = out + dstStride * i;
    std::memset(d, 0, dstStride);
    for (int x = 0; x < bitmap->width; ++x) {
      writeDibPixel(d + static_cast<std::size_t>(x) * dstPixel, dstBits,
                    readDevicePixel(s + static_cast<std::size_t>(x) * srcPixel,
                                    bitmap->bitsPerPixel));
    }
  }
  h.biSizeImage = static_cast<DWORD>(dstStride * height);
  return static_cast<int>(count);
}

int GetObject(HGDIOBJ object, int size, void* out) {
  if (const BitmapObject* bitmap = asBitmap(object)) {
    if (out == nullptr) return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP info{};
    info.bmWidth = bitmap->width;
    info.bmHeight = bitmap->height;
    info.bmWidthBytes = static_cast<LONG>(bitmap->stride);
    info.bmPlanes = 1;
    info.bmBitsPixel = static_cast<WORD>(bitmap->bitsPerPixel);
    std::memcpy(out, &info, sizeof info);
    return sizeof(BITMAP);
  }
  if (const PaletteObject* palette = asPalette(object)) {
    if (out == nullptr) return sizeof(WORD);
    if (size < static_cast<int>(sizeof(WORD))) return 0;
    const WORD count = static_cast<WORD>(palette->entries.size());
    std::memcpy(out, &count, sizeof count);
    return sizeof(WORD);
  }
  return 0;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (object == stockPalette()) return TRUE;
  if (!isLive(object) || object->kind == GdiKind::DeviceContext) return FALSE;
  {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    if (object->kind == GdiKind::Palette) {
      for (GdiObject* other : r.live) {
        if (other->kind == GdiKind::DeviceContext &&
            static_cast<DeviceContextObject*>(other)->palette == object) {
          return FALSE;  // still selected: deleting it would leave the context dangling
        }
      }
    }
    r.live.erase(object);
  }
  delete object;
  return TRUE;
}

BOOL GetDeviceBitmapView(HBITMAP handle, DeviceBitmapView* view) {
  const BitmapObject* bitmap = asBitmap(handle);
  if (bitmap == nullptr || view == nullptr) return FALSE;
  view->width = bitmap->width;
  view->height = bitmap->height;
  view->bitsPerPixel = bitmap->bitsPerPixel;
  view->stride = bitmap->stride;
  view->pixels = bitmap->pixels.get();
  return TRUE;
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (palette == nullptr || palette->palVersion != 0x300 || palette->palNumEntries == 0 ||
      palette->palNumEntries > 256) {
    return nullptr;
  }
  auto* object = new (std::nothrow) PaletteObject;
  if (object == nullptr) return nullptr;
  try {
    object->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  } catch (const std::bad_alloc&) {
    delete object;
    return nullptr;
  }
  return track(object);
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL /*forceBackground*/) {
  DeviceContextObject* device = asDC(dc);
  if (device == nullptr || asPalette(palette) == nullptr) return nullptr;
  HPALETTE previous = device->palette;
  device->palette = palette;
  return previous;
}

UINT RealizePalette(HDC dc) {
  const DeviceContextObject* device = asDC(dc);
  if (device == nullptr) return GDI_ERROR;
  if ((device->rasterCaps & RC_PALETTE) == 0) return 0;
  const PaletteObject* palette = asPalette(device->palette);
  return palette == nullptr ? 0 : static_cast<UINT>(palette->entries.size());
}

UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries) {
  const DeviceContextObject* device = asDC(dc);
  if (device == nullptr || entries == nullptr || (device->rasterCaps & RC_PALETTE) == 0) return 0;
  if (start >= 256) return 0;
  const UINT n = std::min<UINT>(count, 256 - start);
  for (UINT i = 0; i < n; ++i) {
    const UINT index = start + i;
    PALETTEENTRY entry{0, 0, 0, 0};
    if (index < 10) entry = kStaticColours[index];
    if (index >= 246) entry = kStaticColours[index - 236];
    entries[i] = entry;
  }
  return n;
}

HGDIOBJ GetStockObject(int index) { return index == DEFAULT_PALETTE ? stockPalette() : nullptr; }

std::size_t GdiLiveObjectCount() {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  return r.live.size();
}
