// The 180 x 140 thumbnail of a preview: the picture scaled so that its longer
// side fills the thumbnail (a square fills its height), centred on white.
#pragma once

#include <array>
#include <cstdint>

#include "app/core/rgb_picture.h"

namespace pictrove {

constexpr int kThumbWidth = 180;
constexpr int kThumbHeight = 140;
constexpr std::size_t kThumbBytes = std::size_t{kThumbWidth} * kThumbHeight * 3;

// Where a width x height picture lands on the thumbnail: its scaled size
// (each side truncated, so 179 or 139 for some sizes) and its top-left
// corner, which is negative where the scaled picture is taller than the
// thumbnail and is cut equally at top and bottom.
struct ThumbnailPlacement {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::int32_t left = 0;
  std::int32_t top = 0;
};
ThumbnailPlacement PlaceOnThumbnail(std::uint32_t width, std::uint32_t height);
// The same on a canvas of any size.
ThumbnailPlacement PlaceOnCanvas(std::uint32_t width, std::uint32_t height, int canvasWidth,
                                 int canvasHeight);

// The thumbnail's RGB pixels, rows top first.
using ThumbnailPixels = std::array<std::uint8_t, kThumbBytes>;

// Fills `canvas` with white and the scaled, centred picture (bilinear
// resampling, reproducible to the byte).
void ComposeThumbnail(const RgbPicture& picture, ThumbnailPixels& canvas);
// The same rules on a canvas of canvasWidth x canvasHeight RGB pixels: the
// thumbnail made for a screen with more pixels than points.
void ComposeThumbnailAt(const RgbPicture& picture, int canvasWidth, int canvasHeight, std::uint8_t* canvas);

// The canvas a screen of `ratio` device pixels per point shows in the
// thumbnail's 180 x 140 points: each side times the ratio, to the nearest
// pixel (225 x 175 at 1.25, 270 x 210 at 1.5, 360 x 280 at 2); 180 x 140 for
// a ratio of 1 or less; no larger than at a ratio of 8.
struct CanvasSize {
  int width = kThumbWidth;
  int height = kThumbHeight;
};
CanvasSize ScreenCanvasSize(double ratio);

}  // namespace pictrove
