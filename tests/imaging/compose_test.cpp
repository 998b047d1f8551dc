// Resizing, filling and overlaying: hand-computed cases, a plain reference
// resampler, and the thumbnail geometry the application relies on.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "imaging/tessera.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes resize(const Bytes& src, std::uint32_t w, std::uint32_t h, std::uint32_t dw,
             std::uint32_t dh, std::uint32_t c) {
  Bytes out(std::size_t{dw} * dh * c, 0xEE);
  EXPECT_EQ(tsResizeImage(src.data(), w, h, out.data(), dw, dh, c), 1);
  return out;
}

// The resampling rule written as plainly as possible: no cached rows, no
// precomputed weights. The library must agree with it to the byte.
Bytes referenceResize(const Bytes& src, std::uint32_t W, std::uint32_t H, std::uint32_t W2,
                      std::uint32_t H2, std::uint32_t c) {
  Bytes out(std::size_t{W2} * H2 * c);
  const double rx = static_cast<double>(W) / W2;
  const double ry = static_cast<double>(H) / H2;
  auto sample = [&](std::uint32_t row, std::uint32_t i, std::uint32_t k) {
    double x = i * rx;
    if (x > W - 1) x = W - 1;
    if (x <= 0) x = 0;
    const std::uint32_t x0 = static_cast<std::uint32_t>(x);
    const std::uint32_t x1 = x0 + 1;
    const std::uint32_t xr = x1 < W ? x1 : W - 1;
    const double s0 = src[(std::size_t{row} * W + x0) * c + k];
    const double s1 = src[(std::size_t{row} * W + xr) * c + k];
    return s0 * (x1 - x) + (x - x0) * s1;
  };
  for (std::uint32_t j = 0; j < H2; ++j) {
    double y = j * ry;
    if (y > H - 1) y = H - 1;
    if (y <= 0) y = 0;
    const std::uint32_t y0 = static_cast<std::uint32_t>(y);
    const std::uint32_t y1 = y0 + 1;
    for (std::uint32_t i = 0; i < W2; ++i) {
      for (std::uint32_t k = 0; k < c; ++k) {
        const double A = sample(y0, i, k);
        const double B = sample(y1 < H ? y1 : H - 1, i, k);
        out[(std::size_t{j} * W2 + i) * c + k] = static_cast<std::uint8_t>(B * (y - y0) + A * (y1 - y));
      }
    }
  }
  return out;
}

Bytes randomImage(std::uint32_t w, std::uint32_t h, std::uint32_t c, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes img(std::size_t{w} * h * c);
  for (auto& b : img) b = static_cast<std::uint8_t>(rng());
  return img;
}

TEST(Resize, WorkedExamples) {
  EXPECT_EQ(resize({0, 100}, 2, 1, 4, 1, 1), (Bytes{0, 50, 100, 100}))
      << "columns sample 0, 0.5, 1, 1 with no half-pixel offset";

  const Bytes four = {10, 11, 12, 13,  //
                      20, 21, 22, 23,  //
                      30, 31, 32, 33,  //
                      40, 41, 42, 43};
  EXPECT_EQ(resize(four, 4, 4, 2, 2, 1), (Bytes{10, 12, 30, 32}))
      << "shrinking samples positions 0 and 2, skipped pixels are not averaged";

  EXPECT_EQ(resize({7, 8, 9}, 1, 1, 3, 2, 3), (Bytes{7, 8, 9, 7, 8, 9, 7, 8, 9, 7, 8, 9, 7, 8, 9, 7, 8, 9}))
      << "a single source pixel fills the destination";
  EXPECT_EQ(resize({5, 200}, 1, 2, 3, 2, 1), (Bytes{5, 5, 5, 200, 200, 200}))
      << "a source of width 1 replicates its column";
}

TEST(Resize, TruncatesRatherThanRounds) {
  // 1 -> 2 across 3 columns: positions 0, 2/3, 4/3 (capped at 1).
  // 2/3 x 1 = 0.666..., truncated to 0; a rounding resampler would give 1.
  EXPECT_EQ(resize({0, 1}, 2, 1, 3, 1, 1), (Bytes{0, 0, 1}));
  // 0.5 x 255 = 127.5 truncates to 127.
  EXPECT_EQ(resize({0, 255}, 2, 1, 4, 1, 1), (Bytes{0, 127, 255, 255}));
}

TEST(Resize, SameSizeIsAnExactCopy) {
  const Bytes img = randomImage(17, 9, 3, 1);
  EXPECT_EQ(resize(img, 17, 9, 17, 9, 3), img);
}

TEST(Resize, AgreesWithThePlainRuleForManyShapes) {
  struct Case {
    std::uint32_t w, h, dw, dh, c;
  };
  const Case cases[] = {{256, 102, 180, 71, 3}, {672, 448, 180, 120, 3}, {64, 64, 140, 140, 3},
                        {39, 20, 179, 92, 3},   {200, 190, 180, 171, 3}, {5, 3, 13, 11, 1},
                        {13, 11, 5, 3, 4},      {1, 7, 9, 2, 3},         {3, 1, 1, 5, 2}};
  unsigned seed = 10;
  for (const Case& k : cases) {
    const Bytes img = randomImage(k.w, k.h, k.c, seed++);
    EXPECT_EQ(resize(img, k.w, k.h, k.dw, k.dh, k.c), referenceResize(img, k.w, k.h, k.dw, k.dh, k.c))
        << k.w << "x" << k.h << " -> " << k.dw << "x" << k.dh << " c" << k.c;
  }
}

TEST(Resize, RefusesMissingBuffersAndZeroSizesWithoutTouchingTheDestination) {
  Bytes src(12, 1);
  Bytes dst(12, 0xAA);
  EXPECT_EQ(tsResizeImage(nullptr, 2, 2, dst.data(), 2, 2, 3), 0);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  EXPECT_EQ(tsResizeImage(src.data(), 2, 2, nullptr, 2, 2, 3), 0);
  EXPECT_EQ(tsResizeImage(src.data(), 0, 2, dst.data(), 2, 2, 3), 0);
  EXPECT_EQ(tsResizeImage(src.data(), 2, 2, dst.data(), 2, 0, 3), 0);
  EXPECT_EQ(tsResizeImage(src.data(), 2, 2, dst.data(), 2, 2, 0), 0);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  EXPECT_EQ(dst, Bytes(12, 0xAA));
  EXPECT_EQ(tsResizeImage(src.data(), 2, 2, dst.data(), 0xFFFFFFFFu, 1, 0xFFFFFFFFu), 0);
  EXPECT_EQ(tsGetLastError(), TSERR_MEMORY) << "working rows too large to allocate";
  ASSERT_EQ(tsResizeImage(src.data(), 2, 2, dst.data(), 2, 2, 3), 1);
  EXPECT_EQ(tsGetLastError(), TSERR_NONE) << "success resets the last error";
}

Bytes canvas(std::uint32_t w, std::uint32_t h, std::uint8_t v) { return Bytes(std::size_t{w} * h * 3, v); }

TEST(FillRect, ColourBytesGoToChannelsInOrder) {
  Bytes img = canvas(2, 1, 0);
  ASSERT_EQ(tsFillRect(img.data(), 2, 1, 0, 0, 2, 1, 0x0000FF), 1);
  EXPECT_EQ(img, (Bytes{255, 0, 0, 255, 0, 0})) << "0x0000FF is red";
  ASSERT_EQ(tsFillRect(img.data(), 2, 1, 1, 0, 1, 1, 0xFF00FF), 1);
  EXPECT_EQ(img, (Bytes{255, 0, 0, 255, 0, 255}));
  ASSERT_EQ(tsFillRect(img.data(), 2, 1, 0, 0, 1, 1, 0xAB808080u), 1);
  EXPECT_EQ(img, (Bytes{128, 128, 128, 255, 0, 255})) << "byte 3 is not used";
}

TEST(FillRect, ClipsToTheImage) {
  Bytes img = canvas(180, 2, 0);
  EXPECT_EQ(tsFillRect(img.data(), 180, 2, 200, 0, 10, 2, 0xFFFFFF), 1);
  EXPECT_EQ(img, canvas(180, 2, 0)) << "a rectangle right of the image fills nothing";
  EXPECT_EQ(tsFillRect(img.data(), 180, 2, 170, 1, 20, 5, 0xFFFFFF), 1);
  for (std::uint32_t x = 0; x < 180; ++x) {
    EXPECT_EQ(img[x * 3], 0) << "row 0 untouched at " << x;
    EXPECT_EQ(img[(180 + x) * 3], x >= 170 ? 255 : 0) << "row 1 column " << x;
  }
}

TEST(FillRect, HugeRectangleSizesDoNotWrapPastTheClip) {
  Bytes img = canvas(4, 3, 0);
  EXPECT_EQ(tsFillRect(img.data(), 4, 3, 2, 1, 0xFFFFFFFFu, 0xFFFFFFFFu, 0x010203), 1);
  Bytes expected = canvas(4, 3, 0);
  for (int y = 1; y < 3; ++y) {
    for (int x = 2; x < 4; ++x) {
      expected[(y * 4 + x) * 3] = 3;
      expected[(y * 4 + x) * 3 + 1] = 2;
      expected[(y * 4 + x) * 3 + 2] = 1;
    }
  }
  EXPECT_EQ(img, expected);
  EXPECT_EQ(tsFillRect(nullptr, 4, 3, 0, 0, 1, 1, 0), 0);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
}

TEST(Overlay, NegativePositionShowsTheSourceFromItsOffset) {
  Bytes dst = canvas(4, 4, 0);
  Bytes src(20 * 20 * 3);
  for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::uint8_t>(i / 3);
  ASSERT_EQ(tsOverlayImage(dst.data(), 4, 4, src.data(), 20, 20, -10, -10, 1.0, 1), 1);
  EXPECT_EQ(dst[0], src[(10 * 20 + 10) * 3]) << "the destination corner shows source (10, 10)";
  EXPECT_EQ(dst[(3 * 4 + 3) * 3], src[(13 * 20 + 13) * 3]);
}

TEST(Overlay, BlendsThroughTruncatedProducts) {
  Bytes dst = canvas(1, 1, 255);
  const Bytes src = canvas(1, 1, 255);
  ASSERT_EQ(tsOverlayImage(dst.data(), 1, 1, src.data(), 1, 1, 0, 0, 0.5, 1), 1);
  EXPECT_EQ(dst[0], 254) << "127 + 127 with the integer flag";
  dst = canvas(1, 1, 255);
  ASSERT_EQ(tsOverlayImage(dst.data(), 1, 1, src.data(), 1, 1, 0, 0, 0.5, 0), 1);
  EXPECT_EQ(dst[0], 255) << "the sum is truncated once without it";

  dst = canvas(1, 1, 10);
  const Bytes bright = canvas(1, 1, 200);
  ASSERT_EQ(tsOverlayImage(dst.data(), 1, 1, bright.data(), 1, 1, 0, 0, 1.5, 0), 1);
  EXPECT_EQ(dst[0], 200) << "opacity above 1 copies";
  dst = canvas(1, 1, 10);
  ASSERT_EQ(tsOverlayImage(dst.data(), 1, 1, bright.data(), 1, 1, 0, 0, -1.0, 0), 1);
  EXPECT_EQ(dst[0], 10) << "opacity below 0 keeps the destination";
  ASSERT_EQ(tsOverlayImage(dst.data(), 1, 1, bright.data(), 1, 1, 0, 0,
                           std::numeric_limits<double>::quiet_NaN(), 0), 1);
  EXPECT_EQ(dst[0], 10) << "an undefined opacity counts as transparent";
}

TEST(Overlay, OutsideOrExtremePositionsWriteNothingAndSucceed) {
  Bytes dst = canvas(3, 3, 9);
  const Bytes src = canvas(2, 2, 1);
  const std::int32_t lo = std::numeric_limits<std::int32_t>::min();
  const std::int32_t hi = std::numeric_limits<std::int32_t>::max();
  for (auto [x, y] : {std::pair{3, 0}, std::pair{0, 3}, std::pair{-2, 0}, std::pair{lo, lo},
                      std::pair{hi, hi}, std::pair{hi, 0}, std::pair{lo, 0}}) {
    EXPECT_EQ(tsOverlayImage(dst.data(), 3, 3, src.data(), 2, 2, x, y, 1.0, 1), 1) << x << "," << y;
  }
  EXPECT_EQ(dst, canvas(3, 3, 9));
  // Overlapping only the corner pixel writes just that pixel.
  ASSERT_EQ(tsOverlayImage(dst.data(), 3, 3, src.data(), 2, 2, 2, 2, 1.0, 1), 1);
  EXPECT_EQ(dst[(2 * 3 + 2) * 3], 1);
  EXPECT_EQ(dst[(1 * 3 + 1) * 3], 9);
}

TEST(Overlay, RefusesNullAndSharedBuffers) {
  Bytes dst = canvas(2, 2, 0);
  EXPECT_EQ(tsOverlayImage(dst.data(), 2, 2, dst.data(), 2, 2, 0, 0, 1.0, 1), 0);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
  EXPECT_EQ(tsOverlayImage(nullptr, 2, 2, dst.data(), 2, 2, 0, 0, 1.0, 1), 0);
  EXPECT_EQ(tsOverlayImage(dst.data(), 2, 2, nullptr, 2, 2, 0, 0, 1.0, 1), 0);
  EXPECT_EQ(tsGetLastError(), TSERR_BAD_PARAM);
}

}  // namespace
