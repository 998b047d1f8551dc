// Builds bitmap data in code: device-independent bitmaps (information header,
// optional bit-field masks, colour table, rows) as drawings embed them, and
// complete bitmap files with their 14-byte file header.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace testsupport {

// Little-endian appenders used by every builder.
void putU8(std::vector<std::uint8_t>& out, std::uint32_t v);
void putU16(std::vector<std::uint8_t>& out, std::uint32_t v);
void putU32(std::vector<std::uint8_t>& out, std::uint32_t v);
void putI32(std::vector<std::uint8_t>& out, std::int32_t v);
std::uint32_t getU32(const std::vector<std::uint8_t>& in, std::size_t offset);
std::uint16_t getU16(const std::vector<std::uint8_t>& in, std::size_t offset);

struct BmpLayout {
  std::int32_t width = 4;
  std::int32_t height = 2;            // positive: bottom-up rows; negative: top-down
  std::uint16_t bitCount = 8;
  std::uint32_t compression = 0;      // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
  std::uint32_t coloursUsed = 0;      // written to the header as given
  // The header's own size field. Up to 40, exactly 40 bytes are written
  // whatever it says; above 40, the header is that long: the 40 bytes, then
  // zeros except for the fields below.
  std::uint32_t headerSize = 40;
  std::uint16_t planes = 1;
  // Red, green and blue bit-field masks, when set: after a header shorter
  // than 52 bytes, in the header's own mask fields (bytes 40-51) otherwise.
  std::optional<std::array<std::uint32_t, 3>> masks;
  std::vector<std::uint32_t> palette; // entries as 0x00RRGGBB, stored blue, green, red, 0
  std::vector<std::uint8_t> pixels;   // the stored pixel data, exactly as it goes in the file
  // Pixel-data offset of the file header; when unset, 14 + the header as
  // written + masks written after it + palette.
  std::optional<std::uint32_t> pixelOffset;
};

// True when the masks go after the header rather than inside it.
bool masksFollowHeader(const BmpLayout& layout);
// Bytes the information header takes in the data: 40, or headerSize above 40.
std::uint32_t writtenHeaderBytes(const BmpLayout& layout);

// Information header, masks, palette and pixel data: what a drawing embeds.
std::vector<std::uint8_t> dibBytes(const BmpLayout& layout);
// A bitmap file: "BM", size, reserved, pixel-data offset, then dibBytes.
std::vector<std::uint8_t> bmpFileBytes(const BmpLayout& layout);

// Rows padded to 4 bytes, stored in file order (bottom-up unless topDown),
// for 1, 4, 8, 16, 24 or 32 bits. value(x, y) with y = 0 the top image row
// gives the pixel's stored value: a table index for 1-8 bits, the 16-bit word,
// 0x00RRGGBB for 24 bits (stored blue, green, red), the 32-bit word for 32.
std::vector<std::uint8_t> packRows(std::int32_t width, std::int32_t height, int bitCount,
                                   const std::function<std::uint32_t(int x, int y)>& value,
                                   bool topDown = false);

// A grey ramp of `count` entries (0x00RRGGBB).
std::vector<std::uint32_t> greyPalette(int count);

// An 8-bit DIB of exactly `totalBytes` bytes (>= 40) whose colours-used field
// holds `coloursUsed`: header, as much of a 256-entry grey table as fits, and
// filler. Its width and height are chosen so that the rows fit when they can.
std::vector<std::uint8_t> dibOfSize(std::size_t totalBytes, std::uint32_t coloursUsed);

}  // namespace testsupport
