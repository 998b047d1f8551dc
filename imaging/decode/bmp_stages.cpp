// The header, table and gap stages shared by the bitmap decoders.
#include <algorithm>
#include <cstring>

#include "imaging/decode/bmp_reader.h"
#include "imaging/tessera.h"

namespace tessera {
namespace {

std::uint16_t u16At(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t u32At(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

bool discardBytes(StreamRef& stream, std::uint64_t n) {
  std::uint8_t scratch[4096];
  while (n > 0) {
    const std::uint32_t chunk = static_cast<std::uint32_t>(std::min<std::uint64_t>(n, sizeof scratch));
    if (!stream.streamReadExact(scratch, chunk)) return false;
    n -= chunk;
  }
  return true;
}

bool readFileHeader(BmpDecodeContext& dc) {
  std::uint8_t raw[kFileHeaderBytes];
  if (!dc.stream.streamReadExact(raw, sizeof raw)) return dc.ctx.fail(TSERR_READ);
  if (raw[0] != 'B' || raw[1] != 'M') return dc.ctx.fail(TSERR_BAD_FORMAT);
  // Bytes 2-9 (file size, reserved words) are not used.
  dc.headers.pixelOffset = u32At(raw + 10);
  dc.consumed = kFileHeaderBytes;
  return true;
}

bool readInfoHeader(BmpDecodeContext& dc) {
  std::uint8_t raw[kHeaderWithMasksBytes];
  if (!dc.stream.streamReadExact(raw, kInfoHeaderBytes)) return dc.ctx.fail(TSERR_READ);
  // Planes, image size and resolution are not used.
  BmpHeaders& h = dc.headers;
  h.headerSize = u32At(raw);
  h.width = static_cast<std::int32_t>(u32At(raw + 4));
  h.height = static_cast<std::int32_t>(u32At(raw + 8));
  h.bitCount = u16At(raw + 14);
  h.compression = u32At(raw + 16);
  h.coloursUsed = u32At(raw + 32);
  dc.consumed += kInfoHeaderBytes;
  if (h.headerSize <= kInfoHeaderBytes) return true;

  // A longer header: the masks in its next 12 bytes when it holds them and
  // the compression uses them; the rest (colour space, intent, profile) is
  // not used. The colour table or the masks follow the whole header.
  std::uint64_t rest = h.headerSize - kInfoHeaderBytes;
  if (h.headerSize >= kHeaderWithMasksBytes && h.compression == kCompressBitFields) {
    if (!dc.stream.streamReadExact(raw + kInfoHeaderBytes, kMaskBytes)) {
      return dc.ctx.fail(TSERR_READ);
    }
    for (int i = 0; i < 3; ++i) dc.masks[i] = u32At(raw + kInfoHeaderBytes + 4 * i);
    dc.hasMasks = true;
    dc.consumed += kMaskBytes;
    rest -= kMaskBytes;
  }
  if (!discardBytes(dc.stream, rest)) return dc.ctx.fail(TSERR_READ);
  dc.consumed += rest;
  return true;
}

bool checkDimensions(BmpDecodeContext& dc) {
  if (dc.headers.width <= 0 || dc.headers.height == 0) return dc.ctx.fail(TSERR_BAD_FORMAT);
  if (!withinImageLimits(static_cast<std::uint32_t>(dc.headers.width), dc.rows())) {
    return dc.ctx.fail(TSERR_MEMORY);
  }
  return true;
}

bool readMasks(BmpDecodeContext& dc) {
  if (dc.hasMasks) return true;  // the header held them
  std::uint8_t raw[kMaskBytes];
  if (!dc.stream.streamReadExact(raw, sizeof raw)) return dc.ctx.fail(TSERR_READ);
  for (int i = 0; i < 3; ++i) dc.masks[i] = u32At(raw + 4 * i);
  dc.hasMasks = true;
  dc.consumed += kMaskBytes;
  return true;
}

bool readColourTable(BmpDecodeContext& dc, std::uint64_t entries) {
  const std::uint32_t kept = static_cast<std::uint32_t>(std::min<std::uint64_t>(entries, kMaxTableEntries));
  if (!dc.stream.streamReadExact(dc.table.data(), kept * 4)) return dc.ctx.fail(TSERR_READ);
  dc.tableEntries = kept;
  dc.consumed += std::uint64_t{kept} * 4;
  // A larger declared table does not fit the 256-entry area: skip the rest.
  const std::uint64_t rest = (entries - kept) * 4;
  if (rest > 0) {
    if (!discardBytes(dc.stream, rest)) return dc.ctx.fail(TSERR_READ);
    dc.consumed += rest;
  }
  return true;
}

bool seekToPixelData(BmpDecodeContext& dc) {
  const std::uint64_t offset = dc.headers.pixelOffset;
  if (dc.consumed < offset) {
    if (!discardBytes(dc.stream, offset - dc.consumed)) return dc.ctx.fail(TSERR_BAD_FORMAT);
  } else if (dc.consumed > offset) {
    if (!dc.stream.streamSeek(static_cast<std::int64_t>(offset), kSeekSet)) {
      return dc.ctx.fail(TSERR_BAD_FORMAT);
    }
  }
  dc.consumed = offset;
  return true;
}

bool skipGapToPixelData(BmpDecodeContext& dc) {
  if (dc.consumed > dc.headers.pixelOffset) return dc.ctx.fail(TSERR_BAD_FORMAT);
  return seekToPixelData(dc);
}

}  // namespace tessera
