// Converts one stored bitmap row (1, 4, 8, 16, 24 or 32 bits per pixel) into
// packed RGB. Everything that depends only on the picture (the colour table
// as RGB, the bit-field shifts) is worked out once, before the rows.
#pragma once

#include <array>
#include <cstdint>

namespace tessera {

// One 16-bit bit-field channel: the mask (low 16 bits), the shift that puts
// its highest bit on bit 7, and the low bits filled with ones when the field
// is narrower than 8 bits.
struct MaskChannel {
  std::uint32_t mask = 0;
  int shift = 0;          // above 0: right shift; below 0: left shift
  std::uint8_t fill = 0;  // ORed into the result
  bool present = false;   // false for an empty mask: the channel reads 0
};

MaskChannel analyseMask(std::uint32_t mask);

class RowConverter {
 public:
  // `table` holds up to 256 entries as stored (blue, green, red, reserved);
  // masks are used only for 16 bits when `useMasks` is set.
  RowConverter(int bitCount, const std::uint8_t* table, std::uint32_t tableEntries,
               const std::array<std::uint32_t, 3>& masks, bool useMasks);

  // Converts `width` pixels from `src` into width x 3 bytes at `out`. The
  // source must hold the row's pixel bytes (bytesForPixels(width)).
  void convert(const std::uint8_t* src, std::uint32_t width, std::uint8_t* out) const;

  // Pixel bytes of a row, without the padding.
  std::uint64_t bytesForPixels(std::uint64_t width) const;

 private:
  int bitCount_;
  std::array<std::uint8_t, 256 * 3> rgb_{};  // the colour table as red, green, blue
  std::array<MaskChannel, 3> channels_{};
  bool useMasks_;
};

}  // namespace tessera
