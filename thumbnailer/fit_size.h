// The size of a thumbnail: the picture scaled down to fit in a square box.
#pragma once

#include <cstdint>

namespace pictrove {

struct PictureSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// A width x height picture fitted in box x box: unchanged when it fits
// already (never enlarged); otherwise its longer side becomes `box` and the
// other side keeps the proportion, rounded to the nearest pixel and never
// below 1. A picture or box with a side of 0 gives 0 x 0.
PictureSize FitWithin(std::uint32_t width, std::uint32_t height, std::uint32_t box);

}  // namespace pictrove
