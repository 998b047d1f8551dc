#include "toolkit/bitmap_file_header.h"

#include <cstdint>

namespace {

constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint64_t kBitFieldMaskBytes = 12;

std::uint32_t GetU32(const std::uint8_t* in) {
  return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
         (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

std::uint16_t GetU16(const std::uint8_t* in) {
  return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

void PutU32(std::uint8_t* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::uint32_t PixelDataOffset(const std::uint8_t* bitmap, std::size_t available) {
  if (available < kInfoHeaderBytes) return kBitmapFileHeaderBytes + kInfoHeaderBytes;
  const std::uint32_t headerSize = GetU32(bitmap);
  const std::uint16_t bitCount = GetU16(bitmap + 14);
  const std::uint32_t compression = GetU32(bitmap + 16);
  const std::uint32_t coloursUsed = GetU32(bitmap + 32);
  std::uint64_t entries = coloursUsed;
  if (entries == 0) entries = (bitCount == 1 || bitCount == 4 || bitCount == 8) ? (1u << bitCount) : 0;
  std::uint64_t offset = kBitmapFileHeaderBytes + static_cast<std::uint64_t>(headerSize) + 4 * entries;
  if (compression == kBitFields && headerSize == kInfoHeaderBytes) offset += kBitFieldMaskBytes;
  return offset > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(offset);
}

void WriteBitmapFileHeaderStart(std::uint8_t* out, std::uint32_t bitmapBytes) {
  out[0] = 'B';
  out[1] = 'M';
  PutU32(out + 2, bitmapBytes + kBitmapFileHeaderBytes);
  PutU32(out + 6, 0);
}

void WritePixelDataOffset(std::uint8_t* out, std::uint32_t offset) { PutU32(out + 10, offset); }
