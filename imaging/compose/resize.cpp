// tsResizeImage: bilinear resampling with the source position of destination
// pixel i at exactly i x (source size / destination size), no half-pixel
// offset. The weights use the unclamped neighbour (x0 + 1) while the sample
// comes from the clamped one, so at the last column and row the clamped
// neighbour weighs 0. Results are truncated, never rounded. The arithmetic is
// kept in exactly this order so that thumbnails are reproducible to the byte.
#include <memory>
#include <new>

#include "imaging/core/entry_frame.h"
#include "imaging/core/sizes.h"
#include "imaging/tessera.h"

namespace tessera {
namespace {

// Per destination column: the left source column, the right one (clamped),
// and the two weights x1 - x and x - x0.
struct ColumnTap {
  std::uint32_t left;
  std::uint32_t right;
  double leftWeight;
  double rightWeight;
};

// Working rows: two source rows interpolated horizontally, with the source
// row each holds, so that consecutive destination rows reuse them.
class RowCache {
 public:
  RowCache(double* a, double* b) : buf_{a, b} {}
  // Both slots hold rows `wantA` and `wantB` afterwards; returns them in
  // that order. `fill(row, out)` interpolates one source row.
  template <class Fill>
  void get(std::uint32_t wantA, std::uint32_t wantB, const double*& outA, const double*& outB,
           Fill&& fill) {
    int a = find(wantA);
    int b = find(wantB);
    if (a < 0) {
      a = b == 0 ? 1 : 0;
      load(a, wantA, fill);
    }
    if (wantA == wantB) {
      b = a;
    } else if (b < 0) {
      b = 1 - a;
      load(b, wantB, fill);
    }
    outA = buf_[a];
    outB = buf_[b];
  }

 private:
  int find(std::uint32_t row) const {
    for (int i = 0; i < 2; ++i) {
      if (valid_[i] && rows_[i] == row) return i;
    }
    return -1;
  }
  template <class Fill>
  void load(int slot, std::uint32_t row, Fill&& fill) {
    fill(row, buf_[slot]);
    rows_[slot] = row;
    valid_[slot] = true;
  }

  double* buf_[2];
  std::uint32_t rows_[2] = {0, 0};
  bool valid_[2] = {false, false};
};

// Interpolates one source row horizontally into `out` (destWidth x channels
// values). kChannels is the channel count when known at compile time, else 0.
template <std::uint32_t kChannels>
void interpolateRow(const std::uint8_t* s, const ColumnTap* taps, std::uint32_t destWidth,
                    std::uint32_t channels, double* out) {
  const std::uint32_t c = kChannels != 0 ? kChannels : channels;
  for (std::uint32_t i = 0; i < destWidth; ++i) {
    const ColumnTap& t = taps[i];
    const std::uint8_t* p0 = s + std::size_t{t.left} * c;
    const std::uint8_t* p1 = s + std::size_t{t.right} * c;
    for (std::uint32_t k = 0; k < c; ++k) {
      *out++ = p0[k] * t.leftWeight + t.rightWeight * p1[k];
    }
  }
}

}  // namespace
}  // namespace tessera

int tsResizeImage(const std::uint8_t* source, std::uint32_t sourceWidth,
                  std::uint32_t sourceHeight, std::uint8_t* dest, std::uint32_t destWidth,
                  std::uint32_t destHeight, std::uint32_t channels) {
  using namespace tessera;
  return runEntryPoint(0, [&](OperationContext& ctx) -> int {
    if (source == nullptr || dest == nullptr || sourceWidth == 0 || sourceHeight == 0 ||
        destWidth == 0 || destHeight == 0 || channels == 0) {
      ctx.fail(TSERR_BAD_PARAM);
      return 0;
    }
    const auto rowValues = mulSizes(destWidth, channels);
    if (!rowValues || *rowValues > kGlobalMaxBlock / sizeof(double) / 2) {
      ctx.fail(TSERR_MEMORY);
      return 0;
    }
    const std::size_t n = static_cast<std::size_t>(*rowValues);
    std::unique_ptr<double[]> work(new (std::nothrow) double[n * 2]);
    std::unique_ptr<ColumnTap[]> taps(new (std::nothrow) ColumnTap[destWidth]);
    if (!work || !taps) {
      ctx.fail(TSERR_MEMORY);
      return 0;
    }

    const std::uint32_t lastX = sourceWidth - 1;
    const double ratioX = static_cast<double>(sourceWidth) / static_cast<double>(destWidth);
    for (std::uint32_t i = 0; i < destWidth; ++i) {
      double x = i * ratioX;
      if (x > lastX) x = lastX;
      if (!(x > 0)) x = 0;
      const std::uint32_t x0 = static_cast<std::uint32_t>(x);
      const double x1 = static_cast<double>(x0) + 1;
      taps[i] = {x0, x0 + 1 < sourceWidth ? x0 + 1 : lastX, x1 - x, x - x0};
    }

    const std::size_t sourceStride = std::size_t{sourceWidth} * channels;
    auto interpolate = [&](std::uint32_t row, double* out) {
      const std::uint8_t* s = source + sourceStride * row;
      if (channels == 3) {  // RGB, the usual case: a fixed channel count lets the loop unroll
        interpolateRow<3>(s, taps.get(), destWidth, 3, out);
      } else {
        interpolateRow<0>(s, taps.get(), destWidth, channels, out);
      }
    };

    RowCache cache(work.get(), work.get() + n);
    const std::uint32_t lastY = sourceHeight - 1;
    const double ratioY = static_cast<double>(sourceHeight) / static_cast<double>(destHeight);
    std::uint8_t* out = dest;
    for (std::uint32_t j = 0; j < destHeight; ++j) {
      double y = j * ratioY;
      if (y > lastY) y = lastY;
      if (!(y > 0)) y = 0;
      const std::uint32_t y0 = static_cast<std::uint32_t>(y);
      const double y1 = static_cast<double>(y0) + 1;
      const double wB = y - y0;
      const double wA = y1 - y;
      const double* A = nullptr;
      const double* B = nullptr;
      cache.get(y0, y0 + 1 < sourceHeight ? y0 + 1 : lastY, A, B, interpolate);
      for (std::size_t v = 0; v < n; ++v) {
        *out++ = static_cast<std::uint8_t>(static_cast<int>(B[v] * wB + A[v] * wA));
      }
    }
    return 1;
  });
}
