// Bitmap file decoding in stages over one context: file header, information
// header, masks, colour table, the way to the pixel data, then the rows. The
// RGB, indexed and run-length decoders are each a short sequence of these.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/core/image_stream.h"
#include "imaging/core/operation_context.h"

namespace tessera {

// Neither side of a decoded picture may exceed this many pixels: no preview
// comes near it, and it keeps a hostile header from asking for gigabytes.
constexpr std::uint32_t kMaxImageSide = 16384;
// Nor may it hold more pixels than this (4096 x 4096, 48 MiB as RGB): a
// run-length bitmap or a PNG of a few bytes can declare both sides at the
// limit, and must not make a scan allocate and fill gigabytes.
constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 24;

// True when a picture of width x height pixels is within both limits.
inline bool withinImageLimits(std::uint64_t width, std::uint64_t height) {
  return width <= kMaxImageSide && height <= kMaxImageSide && width * height <= kMaxImagePixels;
}

constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kMaskBytes = 12;
// Longer information headers (52, 56, 108 and 124 bytes) carry the three
// bit-field masks themselves, in their bytes 40 to 51.
constexpr std::uint32_t kHeaderWithMasksBytes = kInfoHeaderBytes + kMaskBytes;
constexpr std::uint32_t kMaxTableEntries = 256;

enum BmpCompression : std::uint32_t {
  kCompressNone = 0,
  kCompressRle8 = 1,
  kCompressRle4 = 2,
  kCompressBitFields = 3,
};

struct BmpHeaders {
  std::uint32_t pixelOffset = 0;  // from the start of the file header
  std::uint32_t headerSize = 0;   // the information header's own size field
  std::int32_t width = 0;
  std::int32_t height = 0;        // above 0: bottom-up rows; below 0: top-down
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t coloursUsed = 0;
};

struct BmpDecodeContext {
  BmpDecodeContext(OperationContext& c, StreamRef& s) : ctx(c), stream(s) {}

  OperationContext& ctx;
  StreamRef& stream;
  BmpHeaders headers;
  std::array<std::uint32_t, 3> masks{};  // red, green, blue; set when hasMasks
  bool hasMasks = false;
  // Colour table entries as stored: blue, green, red, reserved. Entries not
  // read stay zero.
  std::array<std::uint8_t, kMaxTableEntries * 4> table{};
  std::uint32_t tableEntries = 0;  // entries read into `table`
  std::uint64_t consumed = 0;      // bytes taken from the stream since the file header

  std::uint32_t rows() const {
    return headers.height < 0 ? 0u - static_cast<std::uint32_t>(headers.height)
                              : static_cast<std::uint32_t>(headers.height);
  }
  // Colours used, or 2 to the power of the bit count when that field is 0.
  std::uint64_t colourCount() const {
    if (headers.coloursUsed != 0) return headers.coloursUsed;
    return headers.bitCount >= 32 ? (std::uint64_t{1} << 32) : (std::uint64_t{1} << headers.bitCount);
  }
};

// "BM" and the pixel-data offset. Short: TSERR_READ; other signature:
// TSERR_BAD_FORMAT.
bool readFileHeader(BmpDecodeContext& dc);
// The information header, up to where the masks or the colour table start:
// 40 bytes, or the header's own size when that is larger. A header long
// enough to hold the bit-field masks supplies them when the compression asks
// for bit fields. A size field below 40 is taken as 40. TSERR_READ when the
// stream ends inside the header.
bool readInfoHeader(BmpDecodeContext& dc);
// Width above 0, height not 0, and both sides within kMaxImageSide
// (TSERR_BAD_FORMAT, or TSERR_MEMORY for a side above the limit).
bool checkDimensions(BmpDecodeContext& dc);
// The three bit-field masks that follow a 40-byte header (TSERR_READ when
// short); nothing to read when the header supplied them.
bool readMasks(BmpDecodeContext& dc);
// Reads `entries` table entries: at most 256 into the table, the rest read
// and dropped. TSERR_READ when the stream ends first.
bool readColourTable(BmpDecodeContext& dc, std::uint64_t entries);
// Brings the stream to the pixel data: reads and drops a gap (short:
// TSERR_BAD_FORMAT), or seeks back when more was consumed.
bool seekToPixelData(BmpDecodeContext& dc);
// Like seekToPixelData, but a negative gap fails with TSERR_BAD_FORMAT.
bool skipGapToPixelData(BmpDecodeContext& dc);
// Reads and drops n bytes; false when the stream ends first.
bool discardBytes(StreamRef& stream, std::uint64_t n);

// Image row that the k-th stored row becomes.
inline std::uint32_t outputRowOf(const BmpDecodeContext& dc, std::uint32_t k) {
  return dc.headers.height > 0 ? dc.rows() - 1 - k : k;
}

}  // namespace tessera
