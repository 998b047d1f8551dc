// The indexed decoder: bitmaps of 1, 4 or 8 bits delivered as colour indexes.
#include "imaging/decode/indexed_decoder.h"

#include <cstring>

#include "imaging/core/sizes.h"
#include "imaging/decode/bmp_reader.h"
#include "imaging/decode/rle_decoder.h"
#include "imaging/tessera.h"
#include "platform/global_memory.h"

namespace tessera {
namespace {

// The caller's table: the entries read, then copies of entry 0 up to 256.
void fillCallerTable(const BmpDecodeContext& dc, std::uint8_t* colourTable) {
  std::memcpy(colourTable, dc.table.data(), std::size_t{dc.tableEntries} * 4);
  for (std::uint32_t i = dc.tableEntries; i < kMaxTableEntries; ++i) {
    std::memcpy(colourTable + std::size_t{i} * 4, dc.table.data(), 4);
  }
}

// One stored row into an output row: packed bytes for depth 1, one index per
// pixel for depth 8.
void unpackRow(const std::uint8_t* src, std::uint32_t width, int bitCount, std::int32_t depth,
               std::uint8_t* out) {
  if (depth == 1) {
    std::memcpy(out, src, (std::size_t{width} + 7) / 8);
    return;
  }
  for (std::uint32_t i = 0; i < width; ++i) {
    switch (bitCount) {
      case 1:
        out[i] = (src[i / 8] >> (7 - i % 8)) & 1;
        break;
      case 4:
        out[i] = (i % 2 == 0) ? src[i / 2] >> 4 : src[i / 2] & 0x0F;
        break;
      default:
        out[i] = src[i];
        break;
    }
  }
}

}  // namespace

std::uint8_t* decodeIndexed(OperationContext& ctx, StreamRef& stream, std::int32_t depth,
                            std::uint8_t* colourTable, std::uint32_t* width,
                            std::uint32_t* height) {
  if (colourTable == nullptr) {
    ctx.fail(TSERR_BAD_PARAM);
    return nullptr;
  }
  BmpDecodeContext dc(ctx, stream);
  if (!readFileHeader(dc) || !readInfoHeader(dc)) return nullptr;
  const BmpHeaders& h = dc.headers;
  if (h.bitCount > 8 || h.bitCount > depth) {
    ctx.fail(TSERR_DEPTH);
    return nullptr;
  }
  if ((h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8) || !checkDimensions(dc)) {
    if (ctx.ok()) ctx.fail(TSERR_BAD_FORMAT);
    return nullptr;
  }
  if (!readColourTable(dc, dc.colourCount())) return nullptr;
  fillCallerTable(dc, colourTable);

  if ((h.compression == kCompressRle4 && h.bitCount == 4) ||
      (h.compression == kCompressRle8 && h.bitCount == 8)) {
    if (!stream.streamRewind()) {
      ctx.fail(TSERR_READ);
      return nullptr;
    }
    return decodeRunLength(ctx, stream, RleOutput::Index, width, height);
  }
  if (h.compression != kCompressNone) {
    ctx.fail(TSERR_BAD_FORMAT);
    return nullptr;
  }
  if (!skipGapToPixelData(dc)) return nullptr;

  const auto w = static_cast<std::uint32_t>(h.width);
  std::uint8_t* image = allocGlobalBlock(ctx, mulSizes(w, dc.rows()));
  if (image == nullptr) return nullptr;
  const auto rowBytes = paddedRowBytes(w, h.bitCount);
  std::uint8_t* row = allocGlobalBlock(ctx, rowBytes);
  if (row == nullptr) {
    GlobalFree(image);
    return nullptr;
  }
  *width = w;
  *height = dc.rows();
  // Depth 1 packs each row into (width + 7) / 8 bytes, rows one after another.
  const std::size_t outStride = depth == 1 ? (std::size_t{w} + 7) / 8 : w;
  for (std::uint32_t k = 0; k < dc.rows(); ++k) {
    if (!stream.streamReadExact(row, static_cast<std::uint32_t>(*rowBytes))) {
      ctx.fail(TSERR_READ);
      break;
    }
    unpackRow(row, w, h.bitCount, depth, image + outStride * outputRowOf(dc, k));
  }
  GlobalFree(row);
  return image;
}

}  // namespace tessera
