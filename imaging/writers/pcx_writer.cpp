// tsWritePCX: run-length coded PCX files, version 5: three 8-bit planes for
// RGB images, or one plane and a trailing 256-colour palette for indexed ones.
// Each row is split into its planes in one buffer, coded, and written at once.
#include <cstring>

#include "imaging/core/entry_frame.h"
#include "imaging/core/sizes.h"
#include "imaging/writers/writer_support.h"

namespace tessera {
namespace {

constexpr std::uint32_t kHeaderSize = 128;
constexpr std::uint32_t kMaxDimension = 32767;  // 16-bit header fields, signed bytes per line
constexpr std::uint32_t kMaxRun = 63;
constexpr std::uint8_t kRunMarker = 0xC0;  // a byte with both top bits set
constexpr std::uint8_t kPaletteMarker = 12;
constexpr std::size_t kTrailingPaletteSize = 1 + 256 * 3;

struct PcxWriteState {
  std::uint8_t header[kHeaderSize] = {};
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t planes = 0;
  std::uint32_t bytesPerLine = 0;  // per plane: the width rounded up to even
};

void fillHeader(PcxWriteState& st) {
  std::uint8_t* h = st.header;
  h[0] = 10;                      // manufacturer
  h[1] = 5;                       // version
  h[2] = 1;                       // encoding: run-length
  h[3] = 8;                       // bits per pixel per plane
  putLE16(h + 4, 0);              // window x min
  putLE16(h + 6, 0);              // window y min
  putLE16(h + 8, st.width - 1);   // window x max
  putLE16(h + 10, st.height - 1); // window y max
  putLE16(h + 12, 96);            // horizontal resolution
  putLE16(h + 14, 96);            // vertical resolution
  // 16-colour palette (16..63) and the reserved byte (64) stay 0.
  h[65] = static_cast<std::uint8_t>(st.planes);  // number of planes
  putLE16(h + 66, st.bytesPerLine);              // bytes per line, per plane
  putLE16(h + 68, 1);                            // palette information
  // Filler (70..127) stays 0.
}

// Codes one plane line of `n` bytes (n >= 1) into `out`, which holds at least
// 2 x n bytes; returns the bytes produced. A run that reaches 63 is written at
// once and counting restarts from 0 against the same byte.
std::size_t encodePlane(const std::uint8_t* line, std::size_t n, std::uint8_t* out) {
  std::size_t o = 0;
  auto emit = [&](std::uint8_t value, std::uint32_t count) {
    if (count == 1 && value < kRunMarker) {
      out[o++] = value;
    } else {
      out[o++] = static_cast<std::uint8_t>(kRunMarker + count);
      out[o++] = value;
    }
  };
  std::uint8_t value = line[0];
  std::uint32_t count = 1;
  for (std::size_t i = 1; i < n; ++i) {
    if (line[i] == value) {
      if (++count == kMaxRun) {
        emit(value, count);
        count = 0;
      }
    } else {
      if (count != 0) emit(value, count);
      value = line[i];
      count = 1;
    }
  }
  if (count != 0) emit(value, count);
  return o;
}

bool writePcx(OperationContext& ctx, StreamRef& sink, const std::uint8_t* pixels,
              PcxWriteState& st, const std::uint8_t* palette) {
  const std::size_t lineBytes = std::size_t{st.bytesPerLine} * st.planes;
  GlobalBuffer planeLine(allocGlobalBlock(ctx, lineBytes));
  if (planeLine.get() == nullptr) return false;
  GlobalBuffer coded(allocGlobalBlock(ctx, mulSizes(lineBytes, 2)));
  if (coded.get() == nullptr) return false;

  fillHeader(st);
  if (!sink.streamWriteBytes(st.header, kHeaderSize)) return ctx.fail(TSERR_WRITE);

  const std::size_t inputRowBytes = std::size_t{st.width} * (st.planes == 3 ? 3 : 1);
  std::uint8_t* line = planeLine.get();
  for (std::uint32_t y = 0; y < st.height; ++y) {
    const std::uint8_t* in = pixels + y * inputRowBytes;
    if (st.planes == 3) {
      // Red, green and blue planes side by side; an odd width's pad byte is 0.
      std::uint8_t* red = line;
      std::uint8_t* green = line + st.bytesPerLine;
      std::uint8_t* blue = line + 2 * std::size_t{st.bytesPerLine};
      for (std::uint32_t x = 0; x < st.width; ++x) {
        red[x] = in[x * 3 + 0];
        green[x] = in[x * 3 + 1];
        blue[x] = in[x * 3 + 2];
      }
    } else {
      std::memcpy(line, in, st.width);
    }
    std::size_t n = 0;
    for (std::uint32_t plane = 0; plane < st.planes; ++plane) {
      n += encodePlane(line + std::size_t{plane} * st.bytesPerLine, st.bytesPerLine,
                       coded.get() + n);
    }
    if (!sink.streamWriteBytes(coded.get(), n)) return ctx.fail(TSERR_WRITE);
  }

  if (st.planes == 1) {
    // Caller entries are blue, green, red, reserved; the file wants red, green, blue.
    std::uint8_t trailer[kTrailingPaletteSize];
    trailer[0] = kPaletteMarker;
    for (std::size_t i = 0; i < 256; ++i) {
      trailer[1 + i * 3 + 0] = palette[i * 4 + 2];
      trailer[1 + i * 3 + 1] = palette[i * 4 + 1];
      trailer[1 + i * 3 + 2] = palette[i * 4 + 0];
    }
    if (!sink.streamWriteBytes(trailer, sizeof trailer)) return ctx.fail(TSERR_WRITE);
  }
  return true;
}

}  // namespace
}  // namespace tessera

std::uint32_t tsWritePCX(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                         std::uint32_t height, std::uint32_t bitsPerPixel,
                         const std::uint8_t* palette) {
  using namespace tessera;
  return runStreamEntryPoint(
      sink, std::uint32_t{0}, [&](OperationContext& ctx, StreamRef& stream) -> std::uint32_t {
        if ((bitsPerPixel != 24 && bitsPerPixel != 8) || (bitsPerPixel == 8 && palette == nullptr) ||
            pixels == nullptr) {
          return ctx.fail(TSERR_BAD_PARAM);
        }
        // The header cannot describe an empty image or one beyond its 16-bit fields.
        if (width == 0 || height == 0 || width > kMaxDimension || height > kMaxDimension) {
          return ctx.fail(TSERR_BAD_PARAM);
        }
        PcxWriteState st;
        st.width = width;
        st.height = height;
        st.planes = bitsPerPixel == 24 ? 3 : 1;
        st.bytesPerLine = width + (width & 1);
        if (!writePcx(ctx, stream, pixels, st, palette)) return 0;
        return finishSink(ctx, stream);
      });
}
