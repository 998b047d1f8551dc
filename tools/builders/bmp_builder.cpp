#include "tools/builders/bmp_builder.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace testsupport {

void putU8(std::vector<std::uint8_t>& out, std::uint32_t v) { out.push_back(static_cast<std::uint8_t>(v)); }

void putU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void putI32(std::vector<std::uint8_t>& out, std::int32_t v) { putU32(out, static_cast<std::uint32_t>(v)); }

std::uint32_t getU32(const std::vector<std::uint8_t>& in, std::size_t offset) {
  if (offset + 4 > in.size()) throw std::out_of_range("getU32");
  return in[offset] | (in[offset + 1] << 8) | (in[offset + 2] << 16) |
         (static_cast<std::uint32_t>(in[offset + 3]) << 24);
}

std::uint16_t getU16(const std::vector<std::uint8_t>& in, std::size_t offset) {
  if (offset + 2 > in.size()) throw std::out_of_range("getU16");
  return static_cast<std::uint16_t>(in[offset] | (in[offset + 1] << 8));
}

bool masksFollowHeader(const BmpLayout& layout) {
  return layout.masks.has_value() && layout.headerSize < 52;
}

std::uint32_t writtenHeaderBytes(const BmpLayout& layout) {
  return layout.headerSize > 40 ? layout.headerSize : 40;
}

std::vector<std::uint8_t> dibBytes(const BmpLayout& layout) {
  std::vector<std::uint8_t> out;
  putU32(out, layout.headerSize);
  putI32(out, layout.width);
  putI32(out, layout.height);
  putU16(out, layout.planes);
  putU16(out, layout.bitCount);
  putU32(out, layout.compression);
  putU32(out, static_cast<std::uint32_t>(layout.pixels.size()));  // image size
  putU32(out, 2835);                                            // x pixels per metre
  putU32(out, 2835);                                            // y pixels per metre
  putU32(out, layout.coloursUsed);
  putU32(out, 0);                                               // colours important
  if (layout.headerSize > 40) {
    // The longer headers: masks (red, green, blue, alpha), then the colour
    // space type ("sRGB") and the rest of the colour-space fields as zeros.
    if (layout.masks && layout.headerSize >= 52) {
      for (std::uint32_t m : *layout.masks) putU32(out, m);
    }
    while (out.size() < layout.headerSize) {
      if (out.size() == 56 && layout.headerSize >= 60) {
        putU32(out, 0x73524742);
      } else {
        putU8(out, 0);
      }
    }
  }
  if (masksFollowHeader(layout)) {
    for (std::uint32_t m : *layout.masks) putU32(out, m);
  }
  for (std::uint32_t c : layout.palette) {
    putU8(out, c & 0xFF);
    putU8(out, (c >> 8) & 0xFF);
    putU8(out, (c >> 16) & 0xFF);
    putU8(out, 0);
  }
  out.insert(out.end(), layout.pixels.begin(), layout.pixels.end());
  return out;
}

std::vector<std::uint8_t> bmpFileBytes(const BmpLayout& layout) {
  const std::vector<std::uint8_t> dib = dibBytes(layout);
  const std::uint32_t defaultOffset = 14 + writtenHeaderBytes(layout) +
                                      (masksFollowHeader(layout) ? 12u : 0u) +
                                      static_cast<std::uint32_t>(layout.palette.size()) * 4;
  std::vector<std::uint8_t> out;
  putU8(out, 'B');
  putU8(out, 'M');
  putU32(out, static_cast<std::uint32_t>(dib.size() + 14));
  putU32(out, 0);
  putU32(out, layout.pixelOffset.value_or(defaultOffset));
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

std::vector<std::uint8_t> packRows(std::int32_t width, std::int32_t height, int bitCount,
                                   const std::function<std::uint32_t(int x, int y)>& value,
                                   bool topDown) {
  const int rows = std::abs(height);
  const std::size_t stride = ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
  std::vector<std::uint8_t> out(stride * rows, 0);
  for (int k = 0; k < rows; ++k) {
    const int y = topDown ? k : rows - 1 - k;  // image row stored at position k
    std::uint8_t* row = out.data() + stride * k;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = value(x, y);
      switch (bitCount) {
        case 1:
          if (v & 1) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
          break;
        case 4:
          row[x / 2] |= static_cast<std::uint8_t>((x % 2 == 0) ? (v & 0xF) << 4 : (v & 0xF));
          break;
        case 8:
          row[x] = static_cast<std::uint8_t>(v);
          break;
        case 16:
          row[2 * x] = static_cast<std::uint8_t>(v);
          row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
          break;
        case 24:
          row[3 * x] = static_cast<std::uint8_t>(v);            // blue
          row[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);   // green
          row[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);  // red
          break;
        case 32:
          for (int b = 0; b < 4; ++b) row[4 * x + b] = static_cast<std::uint8_t>(v >> (8 * b));
          break;
        default:
          throw std::invalid_argument("packRows: bit count");
      }
    }
  }
  return out;
}

std::vector<std::uint32_t> greyPalette(int count) {
  std::vector<std::uint32_t> palette;
  for (int i = 0; i < count; ++i) {
    const std::uint32_t g = count > 1 ? static_cast<std::uint32_t>(i * 255 / (count - 1)) : 0;
    palette.push_back((g << 16) | (g << 8) | g);
  }
  return palette;
}

std::vector<std::uint8_t> dibOfSize(std::size_t totalBytes, std::uint32_t coloursUsed) {
  if (totalBytes < 40) throw std::invalid_argument("dibOfSize: below 40 bytes");
  BmpLayout layout;
  layout.bitCount = 8;
  layout.coloursUsed = coloursUsed;
  const std::size_t tableEntries = coloursUsed == 0 ? 256 : coloursUsed;
  std::size_t room = totalBytes - 40;
  const std::size_t fitting = std::min(tableEntries, room / 4);
  layout.palette = greyPalette(static_cast<int>(fitting));
  room -= fitting * 4;
  // Rows of 4 bytes (width 4) for as many rows as fit, the rest as filler.
  layout.width = 4;
  layout.height = static_cast<std::int32_t>(room / 4 > 0 ? room / 4 : 1);
  layout.pixels.assign(room, 0);
  for (std::size_t i = 0; i < room; ++i) layout.pixels[i] = static_cast<std::uint8_t>(i * 7);
  std::vector<std::uint8_t> out = dibBytes(layout);
  out.resize(totalBytes);
  return out;
}

}  // namespace testsupport
