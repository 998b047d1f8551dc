// The 14-byte file header that turns a drawing's bitmap data into a bitmap
// file.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::uint32_t kBitmapFileHeaderBytes = 14;

// Where the rows start in the file image, given the bitmap data's first
// bytes (at least its 40-byte information header): 14 + the information
// header's own size + 12 for bit-field masks (compression 3 with a 40-byte
// header) + 4 per colour table entry (the colours-used field, or when it is
// 0, 2 to the power of the bit count for 1, 4 and 8 bits and none for more).
// Saturates at the 32-bit maximum.
std::uint32_t PixelDataOffset(const std::uint8_t* bitmap, std::size_t available);

// "BM", the total size (bitmap size + 14) and the reserved zeros: the first
// 10 bytes; the pixel-data offset follows at offset 10.
void WriteBitmapFileHeaderStart(std::uint8_t* out, std::uint32_t bitmapBytes);
void WritePixelDataOffset(std::uint8_t* out, std::uint32_t offset);
