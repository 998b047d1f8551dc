#include "imaging/decode/row_conversion.h"

namespace tessera {

MaskChannel analyseMask(std::uint32_t mask) {
  MaskChannel channel;
  channel.mask = mask & 0xFFFFu;
  if (channel.mask == 0) return channel;
  int lowest = 0;
  while ((channel.mask & (1u << lowest)) == 0) ++lowest;
  int highest = lowest;
  while (highest < 15 && (channel.mask & (1u << (highest + 1))) != 0) ++highest;
  const int width = highest - lowest + 1;
  channel.shift = highest - 7;
  channel.fill = width < 8 ? static_cast<std::uint8_t>((1u << (8 - width)) - 1) : 0;
  channel.present = true;
  return channel;
}

namespace {

std::uint8_t maskedValue(const MaskChannel& c, std::uint32_t v) {
  if (!c.present) return 0;
  const std::uint32_t field = v & c.mask;
  const std::uint32_t moved = c.shift >= 0 ? field >> c.shift : field << -c.shift;
  return static_cast<std::uint8_t>((moved & 0xFF) | c.fill);
}

// 5-bit field of a 5-5-5 word on the 0..255 scale used for such pixels.
std::uint8_t from5(std::uint32_t v) { return static_cast<std::uint8_t>((v & 31) * 8 + 7); }

}  // namespace

RowConverter::RowConverter(int bitCount, const std::uint8_t* table, std::uint32_t tableEntries,
                           const std::array<std::uint32_t, 3>& masks, bool useMasks)
    : bitCount_(bitCount), useMasks_(useMasks && bitCount == 16) {
  const std::uint32_t n = tableEntries < 256 ? tableEntries : 256;
  for (std::uint32_t i = 0; i < n; ++i) {
    rgb_[i * 3] = table[i * 4 + 2];
    rgb_[i * 3 + 1] = table[i * 4 + 1];
    rgb_[i * 3 + 2] = table[i * 4];
  }
  if (useMasks_) {
    for (int c = 0; c < 3; ++c) channels_[c] = analyseMask(masks[c]);
  }
}

std::uint64_t RowConverter::bytesForPixels(std::uint64_t width) const {
  switch (bitCount_) {
    case 1:
      return (width + 7) / 8;
    case 4:
      return (width + 1) / 2;
    case 8:
      return width;
    case 16:
      return width * 2;
    case 24:
      return width * 3;
    default:
      return width * 4;
  }
}

void RowConverter::convert(const std::uint8_t* src, std::uint32_t width, std::uint8_t* out) const {
  auto putIndex = [this](std::uint8_t*& o, unsigned index) {
    const std::uint8_t* c = &rgb_[index * 3];
    o[0] = c[0];
    o[1] = c[1];
    o[2] = c[2];
    o += 3;
  };
  switch (bitCount_) {
    case 1:
      for (std::uint32_t i = 0; i < width; ++i) {
        putIndex(out, (src[i / 8] >> (7 - i % 8)) & 1);
      }
      break;
    case 4:
      for (std::uint32_t i = 0; i < width; ++i) {
        const std::uint8_t b = src[i / 2];
        putIndex(out, (i % 2 == 0) ? b >> 4 : b & 0x0F);
      }
      break;
    case 8:
      for (std::uint32_t i = 0; i < width; ++i) putIndex(out, src[i]);
      break;
    case 16:
      for (std::uint32_t i = 0; i < width; ++i, src += 2, out += 3) {
        const std::uint32_t v = src[0] | (src[1] << 8);
        if (useMasks_) {
          out[0] = maskedValue(channels_[0], v);
          out[1] = maskedValue(channels_[1], v);
          out[2] = maskedValue(channels_[2], v);
        } else {
          out[0] = from5(v >> 10);
          out[1] = from5(v >> 5);
          out[2] = from5(v);
        }
      }
      break;
    case 24:
      for (std::uint32_t i = 0; i < width; ++i, src += 3, out += 3) {
        out[0] = src[2];
        out[1] = src[1];
        out[2] = src[0];
      }
      break;
    default:  // 32: bits 16-23 red, 8-15 green, 0-7 blue; the top byte is dropped
      for (std::uint32_t i = 0; i < width; ++i, src += 4, out += 3) {
        out[0] = src[2];
        out[1] = src[1];
        out[2] = src[0];
      }
      break;
  }
}

}  // namespace tessera
