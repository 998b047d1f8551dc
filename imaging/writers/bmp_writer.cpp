// tsWriteBMP: Windows bitmap files, uncompressed at 1, 4, 8, 16 and 24 bits
// per pixel, or 8-bit run-length coded. Rows go out bottom-up, one write per
// row through a single row buffer; the caller's pixels are never modified.
#include <cstring>

#include "imaging/core/entry_frame.h"
#include "imaging/core/sizes.h"
#include "imaging/writers/writer_support.h"

namespace tessera {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint64_t kMaxDimension = 0x7FFFFFFF;  // width and height are signed fields

struct BmpWriteState {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bitsPerPixel = 0;
  std::uint64_t inputRowBytes = 0;  // one row of the caller's buffer
  std::uint64_t fileRowBytes = 0;   // one row in the file, padded to 4 bytes
  std::uint32_t paletteCount = 0;
  std::uint32_t pixelOffset = 0;
};

struct BmpHeaders {
  std::uint32_t fileSize;
  std::uint32_t pixelOffset;
  std::uint32_t width;
  std::uint32_t height;
  std::uint32_t bitsPerPixel;
  std::uint32_t compression;
  std::uint32_t imageSize;
  std::uint32_t colours;
};

// The file header and the information header, each in one write. A failed
// header write is reported with the allocation code, as callers of this
// writer have always seen it.
bool writeHeaders(OperationContext& ctx, StreamRef& sink, const BmpHeaders& h) {
  std::uint8_t file[kFileHeaderSize] = {};
  file[0] = 'B';                      // type
  file[1] = 'M';
  putLE32(file + 2, h.fileSize);      // file size
  putLE32(file + 10, h.pixelOffset);  // offset of the pixel data (reserved words stay 0)

  std::uint8_t info[kInfoHeaderSize] = {};
  putLE32(info + 0, kInfoHeaderSize);  // header size
  putLE32(info + 4, h.width);          // width
  putLE32(info + 8, h.height);         // height, positive: bottom-up rows
  putLE16(info + 12, 1);               // planes
  putLE16(info + 14, h.bitsPerPixel);  // bits per pixel
  putLE32(info + 16, h.compression);   // compression
  putLE32(info + 20, h.imageSize);     // image size
  // Horizontal and vertical resolution (offsets 24, 28) stay 0.
  putLE32(info + 32, h.colours);  // colours used
  putLE32(info + 36, h.colours);  // important colours

  if (!sink.streamWrite(file, sizeof file, 1) || !sink.streamWrite(info, sizeof info, 1)) {
    return ctx.fail(TSERR_MEMORY);
  }
  return true;
}

// Each caller entry is blue, green, red, reserved; the first three bytes are
// copied and the reserved byte is written as 0.
bool writePalette(OperationContext& ctx, StreamRef& sink, const std::uint8_t* palette,
                  std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = palette + std::size_t{i} * 4;
    const std::uint8_t quad[4] = {entry[0], entry[1], entry[2], 0};
    if (!sink.streamWriteBytes(quad, sizeof quad)) return ctx.fail(TSERR_WRITE);
  }
  return true;
}

std::uint64_t inputRowBytesFor(std::uint64_t width, std::uint32_t bits) {
  switch (bits) {
    case 24: return width * 3;
    case 16: return width * 2;
    case 8: return width;
    case 4: return (width + 1) / 2;
    default: return (width + 7) / 8;
  }
}

bool writeUncompressed(OperationContext& ctx, StreamRef& sink,
                       const std::uint8_t* pixels, BmpWriteState& st,
                       const std::uint8_t* palette) {
  // 16 and 24 bits carry no palette; 1, 4 and 8 bits need one.
  switch (st.bitsPerPixel) {
    case 16:
    case 24: st.paletteCount = 0; break;
    case 1:
    case 4:
    case 8:
      if (palette == nullptr) return ctx.fail(TSERR_BAD_PARAM);
      break;
    default: return ctx.fail(TSERR_BAD_PARAM);
  }
  if (pixels == nullptr) return ctx.fail(TSERR_BAD_PARAM);

  st.inputRowBytes = inputRowBytesFor(st.width, st.bitsPerPixel);
  st.fileRowBytes = *paddedRowBytes(st.width, st.bitsPerPixel);  // cannot overflow for 32-bit widths
  const std::uint64_t paletteBytes = std::uint64_t{st.paletteCount} * 4;
  const std::uint64_t imageSize = std::uint64_t{st.height} * st.fileRowBytes;
  const std::uint64_t fileSize = kHeadersSize + paletteBytes + imageSize;
  // The header's 32-bit size fields must describe the file truthfully.
  if (st.width > kMaxDimension || st.height > kMaxDimension || fileSize > UINT32_MAX) {
    return ctx.fail(TSERR_BAD_PARAM);
  }
  st.pixelOffset = static_cast<std::uint32_t>(kHeadersSize + paletteBytes);

  GlobalBuffer row(allocGlobalBlock(ctx, st.fileRowBytes));
  if (row.get() == nullptr) return false;

  const BmpHeaders headers{static_cast<std::uint32_t>(fileSize), st.pixelOffset, st.width,
                           st.height, st.bitsPerPixel, kCompressionNone,
                           static_cast<std::uint32_t>(imageSize), st.paletteCount};
  if (!writeHeaders(ctx, sink, headers)) return false;
  if (!writePalette(ctx, sink, palette, st.paletteCount)) return false;

  // The buffer's padding bytes are zero from the allocation and never touched.
  std::uint8_t* out = row.get();
  for (std::uint32_t i = 0; i < st.height; ++i) {
    const std::uint8_t* in = pixels + std::size_t{st.height - 1 - i} * st.inputRowBytes;
    if (st.bitsPerPixel == 24) {
      for (std::uint32_t x = 0; x < st.width; ++x) {  // red, green, blue -> blue, green, red
        out[x * 3 + 0] = in[x * 3 + 2];
        out[x * 3 + 1] = in[x * 3 + 1];
        out[x * 3 + 2] = in[x * 3 + 0];
      }
    } else {
      std::memcpy(out, in, st.inputRowBytes);
    }
    if (!sink.streamWriteBytes(out, st.fileRowBytes)) return ctx.fail(TSERR_WRITE);
  }
  return true;
}

// Codes one row of the padded width `width` (even) into `out`, which holds at
// least 2 x width + 2 bytes; returns the bytes produced, end-of-line included.
std::size_t encodeRleRow(const std::uint8_t* row, std::size_t width, std::uint8_t* out) {
  std::size_t x = 0;
  std::size_t o = 0;
  while (x < width) {
    const std::uint8_t* p = row + x;
    if (width - x >= 3) {
      // Literal run: grows while neighbours differ, up to 254 bytes, and stops
      // one byte before the end of the row.
      std::size_t n = 1;
      for (;;) {
        if (p[n] == p[n - 1] || n == 255) {
          --n;
          break;
        }
        ++n;
        if (x + n == width - 1) break;
      }
      if (n > 2) {
        out[o++] = 0;  // absolute run: 0, count, bytes, pad to an even length
        out[o++] = static_cast<std::uint8_t>(n);
        std::memcpy(out + o, p, n);
        o += n;
        if (n & 1) out[o++] = 0;
        x += n;
        continue;
      }
    }
    std::size_t m = 1;  // encoded run: count, value
    while (m < 255 && x + m < width && p[m] == p[0]) ++m;
    out[o++] = static_cast<std::uint8_t>(m);
    out[o++] = p[0];
    x += m;
  }
  out[o++] = 0;  // end of line
  out[o++] = 0;
  return o;
}

bool writeRunLength(OperationContext& ctx, StreamRef& sink, const std::uint8_t* pixels,
                    BmpWriteState& st, const std::uint8_t* palette) {
  if (palette == nullptr || pixels == nullptr) return ctx.fail(TSERR_BAD_PARAM);
  st.bitsPerPixel = 8;
  const std::uint64_t paletteBytes = std::uint64_t{st.paletteCount} * 4;
  if (st.width > kMaxDimension || st.height > kMaxDimension ||
      kHeadersSize + paletteBytes > UINT32_MAX) {
    return ctx.fail(TSERR_BAD_PARAM);
  }
  const std::uint32_t fileStart = sink.streamTell();
  st.pixelOffset = static_cast<std::uint32_t>(kHeadersSize + paletteBytes);

  // Rows are coded over an even width; the extra byte of an odd width repeats
  // the row's last byte so that nothing past the caller's row is read.
  const std::uint64_t codedWidth = std::uint64_t{st.width} + (st.width & 1);
  GlobalBuffer row(allocGlobalBlock(ctx, codedWidth));
  if (row.get() == nullptr) return false;
  GlobalBuffer coded(allocGlobalBlock(ctx, madSizes(codedWidth, 2, 2)));
  if (coded.get() == nullptr) return false;

  // File size and image size are placeholders until the data is coded.
  const BmpHeaders headers{0, st.pixelOffset, st.width, st.height, 8, kCompressionRle8,
                           0xFFFFFFFFu, st.paletteCount};
  if (!writeHeaders(ctx, sink, headers)) return false;
  if (!writePalette(ctx, sink, palette, st.paletteCount)) return false;

  std::uint64_t imageSize = 0;
  for (std::uint32_t i = 0; i < st.height; ++i) {
    const std::uint8_t* in = pixels + std::size_t{st.height - 1 - i} * st.width;
    std::memcpy(row.get(), in, st.width);
    if (codedWidth != st.width) row.get()[st.width] = in[st.width - 1];
    const std::size_t n = encodeRleRow(row.get(), codedWidth, coded.get());
    if (!sink.streamWriteBytes(coded.get(), n)) return ctx.fail(TSERR_WRITE);
    imageSize += n;
  }
  const std::uint8_t endOfBitmap[2] = {0, 1};
  if (!sink.streamWriteBytes(endOfBitmap, sizeof endOfBitmap)) return ctx.fail(TSERR_WRITE);
  imageSize += sizeof endOfBitmap;

  const std::uint64_t fileSize = imageSize + st.pixelOffset;
  if (fileSize > UINT32_MAX) return ctx.fail(TSERR_WRITE);  // no header can describe it

  // Patch the two size fields, seeking relative to the current position.
  std::uint8_t field[4];
  putLE32(field, static_cast<std::uint32_t>(fileSize));
  if (!sink.streamSeek(std::int64_t{fileStart} + 2 - sink.streamTell(), kSeekCur) ||
      !sink.streamWriteBytes(field, sizeof field)) {
    return ctx.fail(TSERR_WRITE);
  }
  putLE32(field, static_cast<std::uint32_t>(imageSize));
  if (!sink.streamSeek(std::int64_t{fileStart} + kFileHeaderSize + 20 - sink.streamTell(),
                       kSeekCur) ||
      !sink.streamWriteBytes(field, sizeof field)) {
    return ctx.fail(TSERR_WRITE);
  }
  return true;
}

}  // namespace
}  // namespace tessera

std::uint32_t tsWriteBMP(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                         std::uint32_t height, std::uint32_t bitsPerPixel,
                         std::uint32_t paletteCount, const std::uint8_t* palette, int runLength) {
  using namespace tessera;
  return runStreamEntryPoint(
      sink, std::uint32_t{0}, [&](OperationContext& ctx, StreamRef& stream) -> std::uint32_t {
        BmpWriteState st;
        st.width = width;
        st.height = height;
        st.bitsPerPixel = bitsPerPixel;
        st.paletteCount = paletteCount;
        const bool written = runLength != 0
                                 ? writeRunLength(ctx, stream, pixels, st, palette)
                                 : writeUncompressed(ctx, stream, pixels, st, palette);
        if (!written) return 0;
        return finishSink(ctx, stream);
      });
}
