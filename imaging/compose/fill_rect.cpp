// tsFillRect.
#include <cstring>

#include "imaging/compose/fill.h"
#include "imaging/core/entry_frame.h"
#include "imaging/tessera.h"

namespace tessera {

void fillRgb(std::uint8_t* image, std::uint32_t width, std::uint32_t height, std::uint32_t left,
             std::uint32_t top, std::uint32_t rectWidth, std::uint32_t rectHeight,
             std::uint32_t colour) {
  if (std::uint64_t{left} + rectWidth > width) {
    if (left >= width) return;
    rectWidth = width - left;
  }
  if (std::uint64_t{top} + rectHeight > height) {
    if (top >= height) return;
    rectHeight = height - top;
  }
  if (rectWidth == 0 || rectHeight == 0) return;
  const std::uint8_t c0 = static_cast<std::uint8_t>(colour);
  const std::uint8_t c1 = static_cast<std::uint8_t>(colour >> 8);
  const std::uint8_t c2 = static_cast<std::uint8_t>(colour >> 16);
  const std::size_t stride = std::size_t{width} * 3;
  const std::size_t span = std::size_t{rectWidth} * 3;
  const bool grey = c0 == c1 && c1 == c2;
  if (grey && left == 0 && rectWidth == width) {
    std::memset(image + stride * top, c0, stride * rectHeight);
    return;
  }
  for (std::uint32_t y = top; y < top + rectHeight; ++y) {
    std::uint8_t* p = image + stride * y + std::size_t{left} * 3;
    if (grey) {
      std::memset(p, c0, span);
      continue;
    }
    for (std::uint32_t x = 0; x < rectWidth; ++x, p += 3) {
      p[0] = c0;
      p[1] = c1;
      p[2] = c2;
    }
  }
}

}  // namespace tessera

int tsFillRect(std::uint8_t* buffer, std::uint32_t width, std::uint32_t height, std::uint32_t left,
               std::uint32_t top, std::uint32_t rectWidth, std::uint32_t rectHeight,
               std::uint32_t colour) {
  return tessera::runEntryPoint(0, [&](tessera::OperationContext& ctx) -> int {
    if (buffer == nullptr) {
      ctx.fail(TSERR_BAD_PARAM);
      return 0;
    }
    tessera::fillRgb(buffer, width, height, left, top, rectWidth, rectHeight, colour);
    return 1;
  });
}
