// Fitting a picture in the thumbnail's box, and the pixman downscale: sizes,
// colours in their places, and thin lines that must survive a reduction.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "imaging/tessera.h"
#include "platform/global_memory.h"
#include "thumbnailer/downscale.h"
#include "thumbnailer/fit_size.h"

namespace pictrove {
namespace {

struct FitCase {
  std::uint32_t width, height, box;
  PictureSize expected;
};

TEST(FitWithin, KeepsProportionNeverEnlargesAndNeverReachesZero) {
  constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();
  const FitCase cases[] = {
      {672, 448, 256, {256, 171}},      // 170.67 rounds up
      {448, 672, 256, {171, 256}},      // portrait
      {256, 102, 256, {256, 102}},      // fits exactly: unchanged
      {100, 50, 1024, {100, 50}},       // smaller: never enlarged
      {500, 500, 128, {128, 128}},      // square
      {10000, 1, 128, {128, 1}},        // a sliver keeps a row
      {1, 10000, 128, {1, 128}},
      {300, 2, 256, {256, 2}},          // 1.71 rounds up
      {kMax, kMax - 1, 4096, {4096, 4096}},  // no overflow in 64-bit arithmetic
      {kMax, 1, 1, {1, 1}},
      {0, 10, 256, {0, 0}},
      {10, 10, 0, {0, 0}},
  };
  for (const FitCase& c : cases) {
    EXPECT_EQ(FitWithin(c.width, c.height, c.box), c.expected)
        << c.width << " x " << c.height << " in " << c.box;
  }
}

// A white picture, every pixel's colour from `colour(x, y)` (0x00RRGGBB).
template <typename Colour>
RgbPicture MakePicture(std::uint32_t width, std::uint32_t height, Colour colour) {
  auto* pixels = static_cast<std::uint8_t*>(GlobalAlloc(GPTR, std::size_t{width} * height * 3));
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t c = colour(x, y);
      std::uint8_t* p = pixels + (std::size_t{y} * width + x) * 3;
      p[0] = static_cast<std::uint8_t>(c >> 16);
      p[1] = static_cast<std::uint8_t>(c >> 8);
      p[2] = static_cast<std::uint8_t>(c);
    }
  return RgbPicture(pixels, width, height);
}

// Widths whose rows pixman reads in place (64 x 3 bytes, a multiple of 4)
// and widths that take the 32-bit copy (65, 66, 67).
class DownscaleWidth : public testing::TestWithParam<std::uint32_t> {};

TEST_P(DownscaleWidth, ColoursKeepTheirChannelsAndPlaces) {
  const std::uint32_t width = GetParam();
  // Left half red, right half blue; the bottom quarter green.
  const RgbPicture picture = MakePicture(width, 40, [width](std::uint32_t x, std::uint32_t y) {
    if (y >= 30) return 0x00FF00u;
    return x < width / 2 ? 0xFF0000u : 0x0000FFu;
  });
  const PictureSize size = FitWithin(width, 40, width / 2);
  const ThumbnailPicture thumbnail = Downscale(picture, size);
  ASSERT_FALSE(thumbnail.empty());
  EXPECT_EQ(thumbnail.width(), size.width);
  EXPECT_EQ(thumbnail.height(), size.height);
  EXPECT_GE(thumbnail.stride(), size.width * 3);
  auto expectColour = [&](std::uint32_t x, std::uint32_t y, int r, int g, int b) {
    const std::uint8_t* p = thumbnail.at(x, y);
    EXPECT_NEAR(p[0], r, 2) << "red at " << x << "," << y;
    EXPECT_NEAR(p[1], g, 2) << "green at " << x << "," << y;
    EXPECT_NEAR(p[2], b, 2) << "blue at " << x << "," << y;
  };
  expectColour(0, 0, 255, 0, 0);
  expectColour(size.width - 1, 0, 0, 0, 255);
  expectColour(0, size.height - 1, 0, 255, 0);
  expectColour(size.width - 1, size.height - 1, 0, 255, 0);
}

// A one-pixel black line in a white picture reduced 4x: every position of
// the line must leave a visibly darker column, where sampling one or two
// pixels per thumbnail pixel (the dialog's bilinear step) loses it at some
// positions.
TEST_P(DownscaleWidth, OnePixelLineSurvivesAFourfoldReduction) {
  const std::uint32_t width = GetParam();
  const std::uint32_t height = 64;
  const PictureSize size{(width + 2) / 4, height / 4};
  bool bilinearLostOne = false;
  for (std::uint32_t line = 8; line < 16; ++line) {
    const RgbPicture picture = MakePicture(
        width, height, [line](std::uint32_t x, std::uint32_t) { return x == line ? 0u : 0xFFFFFFu; });
    const ThumbnailPicture thumbnail = Downscale(picture, size);
    ASSERT_FALSE(thumbnail.empty());
    int darkest = 255;
    for (std::uint32_t x = 0; x < size.width; ++x)
      darkest = std::min<int>(darkest, thumbnail.at(x, size.height / 2)[0]);
    EXPECT_LE(darkest, 235) << "line at x = " << line << " vanished";

    std::vector<std::uint8_t> bilinear(std::size_t{size.width} * size.height * 3);
    ASSERT_EQ(tsResizeImage(picture.pixels(), width, height, bilinear.data(), size.width,
                            size.height, 3),
              1);
    int bilinearDarkest = 255;
    for (std::uint32_t x = 0; x < size.width; ++x)
      bilinearDarkest = std::min<int>(bilinearDarkest, bilinear[(size.height / 2 * size.width + x) * 3]);
    bilinearLostOne = bilinearLostOne || bilinearDarkest == 255;
  }
  EXPECT_TRUE(bilinearLostOne) << "the pictures do not tell an area average from point sampling";
}

INSTANTIATE_TEST_SUITE_P(AlignedAndCopied, DownscaleWidth, testing::Values(64u, 65u, 66u, 67u));

TEST(Downscale, RefusesEnlargingEmptyAndZeroSizes) {
  const RgbPicture picture = MakePicture(8, 8, [](std::uint32_t, std::uint32_t) { return 0u; });
  EXPECT_TRUE(Downscale(picture, {9, 8}).empty());
  EXPECT_TRUE(Downscale(picture, {8, 9}).empty());
  EXPECT_TRUE(Downscale(picture, {0, 4}).empty());
  EXPECT_TRUE(Downscale(RgbPicture(), {1, 1}).empty());
  EXPECT_FALSE(Downscale(picture, {8, 8}).empty());
  EXPECT_FALSE(Downscale(picture, {1, 1}).empty());
  // The largest reduction there is: a 16384-pixel row to one pixel, within
  // pixman's fixed-point scale; one pixel wider is refused.
  const RgbPicture row = MakePicture(16384, 1, [](std::uint32_t x, std::uint32_t) {
    return x % 2 == 0 ? 0xFFFFFFu : 0u;
  });
  const ThumbnailPicture one = Downscale(row, {1, 1});
  ASSERT_FALSE(one.empty());
  EXPECT_NEAR(one.at(0, 0)[1], 128, 2);
  const RgbPicture wider = MakePicture(16385, 1, [](std::uint32_t, std::uint32_t) { return 0u; });
  EXPECT_TRUE(Downscale(wider, {1, 1}).empty());
}

}  // namespace
}  // namespace pictrove
