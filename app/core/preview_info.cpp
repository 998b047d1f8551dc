#include "app/core/preview_info.h"

#include <cstring>

namespace pictrove {
namespace {

// The decoders' limits on a picture's size.
constexpr std::uint32_t kMaxSide = 16384;
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 24;

// A BMP file image: 14-byte file header, then the information header, whose
// width and height are signed 32-bit little-endian numbers.
constexpr std::uint32_t kBmpWidthAt = 18;
constexpr std::uint32_t kBmpHeightAt = 22;
constexpr std::uint32_t kBmpBitCountAt = 28;
constexpr std::uint32_t kBmpCompressionAt = 30;
constexpr std::uint32_t kBmpHeadersBytes = 14 + 40;  // what the decoder reads first
// A PNG file: 8-byte signature, then the IHDR chunk's length and type, then
// width and height as 32-bit big-endian numbers.
constexpr std::uint32_t kPngTypeAt = 12;
constexpr std::uint32_t kPngWidthAt = 16;
constexpr std::uint32_t kPngHeightAt = 20;

std::uint32_t LittleEndian32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

std::uint16_t LittleEndian16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Bit counts and compressions the bitmap decoder takes: uncompressed or
// bit-field rows of 1 to 32 bits, run-length rows of 4 or 8 bits.
bool DecodableLayout(std::uint16_t bitCount, std::uint32_t compression) {
  switch (compression) {
    case 0:  // uncompressed
    case 3:  // bit fields
      return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
             bitCount == 24 || bitCount == 32;
    case 1:  // run-length, 8 bits
      return bitCount == 8;
    case 2:  // run-length, 4 bits
      return bitCount == 4;
    default:
      return false;
  }
}

bool WithinLimits(std::uint32_t width, std::uint32_t height) {
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
         std::uint64_t{width} * height <= kMaxPixels;
}

void SetSize(PreviewInfo& info, std::uint32_t width, std::uint32_t height) {
  if (!WithinLimits(width, height)) return;
  info.width = width;
  info.height = height;
}

}  // namespace

PreviewInfo ReadPreviewInfo(const std::uint8_t* data, std::uint32_t length) {
  PreviewInfo info;
  info.kind = PreviewKindOf(data, length);
  if (info.kind == PreviewKind::Bmp && length >= kBmpHeadersBytes) {
    const auto width = static_cast<std::int32_t>(LittleEndian32(data + kBmpWidthAt));
    const auto height = static_cast<std::int32_t>(LittleEndian32(data + kBmpHeightAt));
    const bool decodable =
        DecodableLayout(LittleEndian16(data + kBmpBitCountAt), LittleEndian32(data + kBmpCompressionAt));
    if (decodable && width > 0 && height != 0 && height != INT32_MIN) {
      SetSize(info, static_cast<std::uint32_t>(width),
              static_cast<std::uint32_t>(height < 0 ? -height : height));
    }
  } else if (info.kind == PreviewKind::Png && length >= kPngHeightAt + 4 &&
             std::memcmp(data + kPngTypeAt, "IHDR", 4) == 0) {
    SetSize(info, BigEndian32(data + kPngWidthAt), BigEndian32(data + kPngHeightAt));
  }
  return info;
}

}  // namespace pictrove
