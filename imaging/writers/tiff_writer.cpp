// tsWriteTIFF: single-image TIFF files through libtiff, RGB or palette colour,
// little-endian, with libtiff reading and writing through the sink. libtiff's
// messages go to the diagnostic channel; every failed write or seek on the
// sink is remembered, so that a file whose strips or directory did not reach
// the sink is reported even though libtiff's close gives no result. A tag that
// libtiff refuses (an unknown compression, say) fails the write rather than
// leave a file without it.
#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "imaging/core/entry_frame.h"
#include "imaging/core/sizes.h"
#include "imaging/writers/writer_support.h"

namespace tessera {
namespace {

constexpr std::uint16_t kCompressionNone = 1;
constexpr std::uint16_t kCompressionJpeg = 7;

struct TiffWriteState {
  TIFF* tiff = nullptr;
  StreamRef sink;
  bool ioFailed = false;

  explicit TiffWriteState(ImageStream* stream) : sink(stream) {}
};

TiffWriteState& stateOf(thandle_t handle) { return *static_cast<TiffWriteState*>(handle); }

tmsize_t readProc(thandle_t handle, void* data, tmsize_t size) {
  if (size <= 0 || static_cast<std::uint64_t>(size) > UINT32_MAX) return 0;
  return stateOf(handle).sink.streamRead(data, static_cast<std::uint32_t>(size));
}

tmsize_t writeProc(thandle_t handle, void* data, tmsize_t size) {
  TiffWriteState& st = stateOf(handle);
  if (size < 0 || !st.sink.streamWriteBytes(data, static_cast<std::size_t>(size))) {
    st.ioFailed = true;
    return 0;
  }
  return size;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
  TiffWriteState& st = stateOf(handle);
  const int origin = (whence == SEEK_CUR || whence == SEEK_END) ? whence : SEEK_SET;
  if (!st.sink.streamSeek(static_cast<std::int64_t>(offset), origin)) {
    st.ioFailed = true;
    return static_cast<toff_t>(-1);  // libtiff's failure value
  }
  return st.sink.streamTell();
}

int closeProc(thandle_t) { return 1; }  // the caller closes the sink

toff_t sizeProc(thandle_t handle) { return stateOf(handle).sink.streamSize(); }

int mapProc(thandle_t, void**, toff_t*) { return 0; }  // never mapped

void unmapProc(thandle_t, void*, toff_t) {}

int onTiffMessage(TIFF*, void* kind, const char* module, const char* format, std::va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  traceDiagnostic("libtiff %s: %s: %s\n", static_cast<const char*>(kind),
                  module != nullptr ? module : "", text);
  return 1;  // handled: libtiff prints nothing itself
}

// "Tessera, using 4.5.0": the bare release number from libtiff's version
// text ("LIBTIFF, Version 4.5.0\nCopyright ...") of the library in use.
void softwareText(char (&out)[1024]) {
  const char* version = TIFFGetVersion();
  const char* marker = std::strstr(version, "Version ");
  const char* release = marker != nullptr ? marker + std::strlen("Version ") : version;
  const std::size_t length = std::strcspn(release, " \t\r\n");
  std::snprintf(out, sizeof out, "Tessera, using %.*s", static_cast<int>(length), release);
}

// Opens libtiff over the sink, little-endian whatever the host's order.
TIFF* openOverSink(TiffWriteState& st) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options, onTiffMessage, const_cast<char*>("error"));
  TIFFOpenOptionsSetWarningHandlerExtR(options, onTiffMessage, const_cast<char*>("warning"));
  TIFF* tiff = TIFFClientOpenExt(st.sink.path(), "wl", &st, readProc, writeProc, seekProc,
                                 closeProc, sizeProc, mapProc, unmapProc, options);
  TIFFOpenOptionsFree(options);
  return tiff;
}

// libtiff (4.5) mishandles two allocation failures while it stores tag
// values, and either would crash the directory write or the close:
//   - a text tag such as the software name is counted among the directory's
//     extra tags before room is made for it, so a failed allocation there
//     leaves the count one past the list (TIFFSetField returns 0);
//   - an array it copies (the text, the colour map) that cannot be allocated
//     is left null while the tag counts as set (TIFFSetField returns 1).
// Both are checked right after the tag is set. A miscounted directory is
// replaced by a fresh one, which loses nothing: only plain numbers are set
// before the software name. A null array has its tag unset. Either way the
// write fails and the close finds a consistent directory.
bool setSoftware(TIFF* tiff, const char* software) {
  if (TIFFSetField(tiff, TIFFTAG_SOFTWARE, software) != 1) {
    TIFFCreateDirectory(tiff);
    return false;
  }
  const char* stored = nullptr;
  if (TIFFGetField(tiff, TIFFTAG_SOFTWARE, &stored) != 1 || stored == nullptr) {
    TIFFUnsetField(tiff, TIFFTAG_SOFTWARE);
    return false;
  }
  return true;
}

bool setColourMap(TIFF* tiff, std::uint16_t (&colourMap)[3][256]) {
  if (TIFFSetField(tiff, TIFFTAG_COLORMAP, colourMap[0], colourMap[1], colourMap[2]) != 1) {
    return false;
  }
  std::uint16_t* red = nullptr;
  std::uint16_t* green = nullptr;
  std::uint16_t* blue = nullptr;
  if (TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) != 1 || red == nullptr ||
      green == nullptr || blue == nullptr) {
    TIFFUnsetField(tiff, TIFFTAG_COLORMAP);
    return false;
  }
  return true;
}

// Sets every tag; false when libtiff refused one. The first refusal ends the
// setting: the write fails anyway, and libtiff's message for it is the last
// diagnostic.
bool setTags(TIFF* tiff, std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel,
             const std::uint8_t* palette, std::uint32_t compression,
             const ResolutionInfo& resolution, std::uint16_t (&colourMap)[3][256]) {
  auto set = [&](auto... field) { return TIFFSetField(tiff, field...) == 1; };
  if (!set(TIFFTAG_IMAGEWIDTH, width) || !set(TIFFTAG_IMAGELENGTH, height) ||
      !set(TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) ||
      !set(TIFFTAG_RESOLUTIONUNIT, static_cast<std::uint16_t>(resolution.unit)) ||
      !set(TIFFTAG_XRESOLUTION,
           static_cast<double>(static_cast<std::uint32_t>(resolution.xResolution))) ||
      !set(TIFFTAG_YRESOLUTION,
           static_cast<double>(static_cast<std::uint32_t>(resolution.yResolution)))) {
    return false;
  }
  char software[1024];
  softwareText(software);
  if (!setSoftware(tiff, software)) return false;
  // Asked for while libtiff still sees one 1-bit sample per pixel, so a strip
  // holds 8192 / ((width + 7) / 8) rows.
  const bool rgb = bitsPerPixel == 24;
  if (!rgb && compression == kCompressionJpeg) compression = kCompressionNone;
  if (!set(TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0)) ||
      !set(TIFFTAG_SAMPLESPERPIXEL, rgb ? 3 : 1) || !set(TIFFTAG_BITSPERSAMPLE, 8) ||
      !set(TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) ||
      !set(TIFFTAG_PHOTOMETRIC, rgb ? PHOTOMETRIC_RGB : PHOTOMETRIC_PALETTE) ||
      !set(TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(compression))) {
    return false;
  }
  if (rgb) return true;
  // Caller entries are blue, green, red, reserved; 8-bit c becomes c x 257.
  for (std::size_t i = 0; i < 256; ++i) {
    colourMap[0][i] = static_cast<std::uint16_t>(palette[i * 4 + 2] * 257);
    colourMap[1][i] = static_cast<std::uint16_t>(palette[i * 4 + 1] * 257);
    colourMap[2][i] = static_cast<std::uint16_t>(palette[i * 4 + 0] * 257);
  }
  return setColourMap(tiff, colourMap);
}

bool writeTiff(OperationContext& ctx, StreamRef& sink, const std::uint8_t* pixels,
               std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel,
               const std::uint8_t* palette, std::uint32_t compression,
               const ResolutionInfo& resolution) {
  const std::uint64_t rowBytes = std::uint64_t{width} * (bitsPerPixel == 24 ? 3 : 1);
  // libtiff's codecs may work on the row they are given in place, so each row
  // goes to libtiff from a copy and the caller's buffer stays untouched.
  GlobalBuffer row(allocGlobalBlock(ctx, rowBytes));
  if (row.get() == nullptr) return false;

  TiffWriteState st(sink.handle());
  st.tiff = openOverSink(st);
  if (st.tiff == nullptr) return ctx.fail(TSERR_TIFF_OPEN);

  std::uint16_t colourMap[3][256];
  if (!setTags(st.tiff, width, height, bitsPerPixel, palette, compression, resolution, colourMap)) {
    ctx.fail(TSERR_WRITE);
  }
  for (std::uint32_t y = 0; ctx.ok() && y < height; ++y) {
    std::memcpy(row.get(), pixels + y * rowBytes, rowBytes);
    if (TIFFWriteScanline(st.tiff, row.get(), y, 0) < 0) ctx.fail(TSERR_WRITE);
  }
  // The last strip and the directory go out here. TIFFClose gives no result,
  // so the flush is asked for first, where a failure shows.
  if (ctx.ok() && TIFFFlush(st.tiff) != 1) ctx.fail(TSERR_WRITE);
  TIFFClose(st.tiff);
  if (!ctx.ok()) return false;
  if (st.ioFailed) return ctx.fail(TSERR_WRITE);
  return true;
}

}  // namespace
}  // namespace tessera

std::uint32_t tsWriteTIFF(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                          std::uint32_t height, std::uint32_t bitsPerPixel,
                          const std::uint8_t* palette, std::uint32_t compression,
                          const ResolutionInfo* resolution) {
  using namespace tessera;
  return runStreamEntryPoint(
      sink, std::uint32_t{0}, [&](OperationContext& ctx, StreamRef& stream) -> std::uint32_t {
        if ((bitsPerPixel != 24 && bitsPerPixel != 8) || (bitsPerPixel == 8 && palette == nullptr) ||
            width == 0 || height == 0 || pixels == nullptr) {
          return ctx.fail(TSERR_BAD_PARAM);
        }
        const ResolutionInfo res = resolution != nullptr ? *resolution : ResolutionInfo{1, 1, 1};
        if (!writeTiff(ctx, stream, pixels, width, height, bitsPerPixel, palette, compression,
                       res)) {
          return 0;
        }
        return finishSink(ctx, stream);
      });
}
