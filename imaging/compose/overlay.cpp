// tsOverlayImage: places an RGB image onto another, copying it or blending it
// with an opacity.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "imaging/core/entry_frame.h"
#include "imaging/tessera.h"

namespace tessera {
namespace {

std::int64_t clampTo(std::int64_t v, std::int64_t hi) { return std::clamp<std::int64_t>(v, 0, hi); }

struct Span {
  std::int64_t x0, x1, y0, y1;  // visible destination rectangle, end exclusive
};

void copyRows(std::uint8_t* dest, std::uint32_t destWidth, const std::uint8_t* source,
              std::uint32_t sourceWidth, std::int64_t left, std::int64_t top, const Span& s) {
  const std::size_t bytes = static_cast<std::size_t>(s.x1 - s.x0) * 3;
  for (std::int64_t y = s.y0; y < s.y1; ++y) {
    std::uint8_t* d = dest + (static_cast<std::size_t>(y) * destWidth + static_cast<std::size_t>(s.x0)) * 3;
    const std::uint8_t* src =
        source + (static_cast<std::size_t>(y - top) * sourceWidth + static_cast<std::size_t>(s.x0 - left)) * 3;
    std::memmove(d, src, bytes);
  }
}

// Each destination byte becomes f(source byte, destination byte), looked up
// in tables built once per call.
template <class Blend>
void blendRows(std::uint8_t* dest, std::uint32_t destWidth, const std::uint8_t* source,
               std::uint32_t sourceWidth, std::int64_t left, std::int64_t top, const Span& s,
               Blend blend) {
  const std::size_t bytes = static_cast<std::size_t>(s.x1 - s.x0) * 3;
  for (std::int64_t y = s.y0; y < s.y1; ++y) {
    std::uint8_t* d = dest + (static_cast<std::size_t>(y) * destWidth + static_cast<std::size_t>(s.x0)) * 3;
    const std::uint8_t* src =
        source + (static_cast<std::size_t>(y - top) * sourceWidth + static_cast<std::size_t>(s.x0 - left)) * 3;
    for (std::size_t i = 0; i < bytes; ++i) d[i] = blend(src[i], d[i]);
  }
}

}  // namespace
}  // namespace tessera

int tsOverlayImage(std::uint8_t* dest, std::uint32_t destWidth, std::uint32_t destHeight,
                   const std::uint8_t* source, std::uint32_t sourceWidth,
                   std::uint32_t sourceHeight, std::int32_t left, std::int32_t top,
                   double opacity, int integerBlend) {
  using namespace tessera;
  return runEntryPoint(0, [&](OperationContext& ctx) -> int {
    if (dest == nullptr || source == nullptr || dest == source) {
      ctx.fail(TSERR_BAD_PARAM);
      return 0;
    }
    double a = opacity;
    if (!(a > 0.0)) a = 0.0;  // NaN counts as fully transparent
    if (a > 1.0) a = 1.0;

    const Span s{clampTo(left, destWidth), clampTo(std::int64_t{left} + sourceWidth, destWidth),
                 clampTo(top, destHeight), clampTo(std::int64_t{top} + sourceHeight, destHeight)};
    if (s.x1 <= s.x0 || s.y1 <= s.y0) return 1;

    if (a == 1.0) {
      copyRows(dest, destWidth, source, sourceWidth, left, top, s);
      return 1;
    }
    std::array<double, 256> S{};
    std::array<double, 256> D{};
    for (int v = 0; v < 256; ++v) {
      S[v] = a * v;
      D[v] = (1.0 - a) * v;
    }
    if (integerBlend != 0) {
      // Each product truncated before the sum.
      std::array<std::uint8_t, 256> St{};
      std::array<std::uint8_t, 256> Dt{};
      for (int v = 0; v < 256; ++v) {
        St[v] = static_cast<std::uint8_t>(static_cast<int>(S[v]));
        Dt[v] = static_cast<std::uint8_t>(static_cast<int>(D[v]));
      }
      blendRows(dest, destWidth, source, sourceWidth, left, top, s,
                [&](std::uint8_t sv, std::uint8_t dv) {
                  return static_cast<std::uint8_t>(St[sv] + Dt[dv]);
                });
    } else {
      blendRows(dest, destWidth, source, sourceWidth, left, top, s,
                [&](std::uint8_t sv, std::uint8_t dv) {
                  return static_cast<std::uint8_t>(static_cast<int>(S[sv] + D[dv]));
                });
    }
    return 1;
  });
}
