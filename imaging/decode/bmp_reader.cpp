// tsReadBMP and the RGB decoder.
#include "imaging/decode/bmp_reader.h"

#include <algorithm>

#include "imaging/core/entry_frame.h"
#include "imaging/core/sizes.h"
#include "imaging/decode/indexed_decoder.h"
#include "imaging/decode/rle_decoder.h"
#include "imaging/decode/row_conversion.h"
#include "imaging/tessera.h"
#include "platform/global_memory.h"

namespace tessera {
namespace {

bool isRunLength(const BmpHeaders& h) {
  return (h.compression == kCompressRle4 && h.bitCount == 4) ||
         (h.compression == kCompressRle8 && h.bitCount == 8);
}

// Compression, masks and colour table, up to the start of the rows.
bool readRgbLayout(BmpDecodeContext& dc) {
  const BmpHeaders& h = dc.headers;
  if (h.compression == kCompressRle8 || h.compression == kCompressRle4 ||
      h.compression > kCompressBitFields) {
    return dc.ctx.fail(TSERR_BAD_FORMAT);
  }
  if (h.compression == kCompressBitFields && !readMasks(dc)) return false;
  switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
      if (!readColourTable(dc, std::min<std::uint64_t>(dc.colourCount(), kMaxTableEntries))) {
        return false;
      }
      break;
    case 16:
      // Its table is not used, but read like the others when colours-used
      // declares one; without that there is none.
      if (h.coloursUsed != 0 &&
          !readColourTable(dc, std::min<std::uint64_t>(h.coloursUsed, kMaxTableEntries))) {
        return false;
      }
      break;
    case 24:
    case 32:
      break;
    default:
      return dc.ctx.fail(TSERR_BAD_FORMAT);
  }
  return seekToPixelData(dc);
}

// Reads every stored row into its image row. A short read keeps what was
// read, records TSERR_READ and stops.
void readRgbRows(BmpDecodeContext& dc, std::uint8_t* image, std::uint8_t* row,
                 std::uint32_t rowBytes) {
  const RowConverter converter(dc.headers.bitCount, dc.table.data(), dc.tableEntries, dc.masks,
                               dc.hasMasks);
  const std::uint32_t width = static_cast<std::uint32_t>(dc.headers.width);
  const std::size_t outStride = std::size_t{width} * 3;
  for (std::uint32_t k = 0; k < dc.rows(); ++k) {
    if (!dc.stream.streamReadExact(row, rowBytes)) {
      dc.ctx.fail(TSERR_READ);
      return;
    }
    converter.convert(row, width, image + outStride * outputRowOf(dc, k));
  }
}

std::uint8_t* decodeRgb(OperationContext& ctx, StreamRef& stream, std::uint32_t* width,
                        std::uint32_t* height) {
  BmpDecodeContext dc(ctx, stream);
  if (!readFileHeader(dc) || !readInfoHeader(dc) || !checkDimensions(dc)) return nullptr;
  if (isRunLength(dc.headers)) {
    if (!stream.streamRewind()) {
      ctx.fail(TSERR_READ);
      return nullptr;
    }
    return decodeRunLength(ctx, stream, RleOutput::Rgb, width, height);
  }
  if (!readRgbLayout(dc)) return nullptr;

  const std::uint32_t w = static_cast<std::uint32_t>(dc.headers.width);
  std::uint8_t* image = allocGlobalBlock(ctx, mulSizes(w, dc.rows(), 3));
  if (image == nullptr) return nullptr;
  const auto rowBytes = paddedRowBytes(w, dc.headers.bitCount);
  std::uint8_t* row = allocGlobalBlock(ctx, rowBytes);
  if (row == nullptr) {
    GlobalFree(image);
    return nullptr;
  }
  *width = w;
  *height = dc.rows();
  readRgbRows(dc, image, row, static_cast<std::uint32_t>(*rowBytes));
  GlobalFree(row);
  return image;
}

}  // namespace
}  // namespace tessera

std::uint8_t* tsReadBMP(ImageStream* source, std::uint32_t* width, std::uint32_t* height,
                        std::int32_t depth, std::uint8_t* colourTable) {
  using namespace tessera;
  return runStreamEntryPoint(
      source, static_cast<std::uint8_t*>(nullptr),
      [&](OperationContext& ctx, StreamRef& stream) -> std::uint8_t* {
        if (width == nullptr || height == nullptr) {
          ctx.fail(TSERR_BAD_PARAM);
          return nullptr;
        }
        *width = 0;
        *height = 0;
        if (depth == 24) return decodeRgb(ctx, stream, width, height);
        if (depth == 1 || depth == 8) {
          return decodeIndexed(ctx, stream, depth, colourTable, width, height);
        }
        ctx.fail(TSERR_BAD_PARAM);
        return nullptr;
      });
}
