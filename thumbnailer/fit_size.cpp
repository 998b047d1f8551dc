#include "thumbnailer/fit_size.h"

#include <algorithm>

namespace pictrove {

PictureSize FitWithin(std::uint32_t width, std::uint32_t height, std::uint32_t box) {
  if (width == 0 || height == 0 || box == 0) return {};
  if (width <= box && height <= box) return {width, height};
  const std::uint64_t longer = std::max(width, height);
  const std::uint64_t shorter = std::min(width, height);
  // shorter x box / longer, rounded half up, in 64 bits: no overflow for any
  // 32-bit sides.
  const auto scaled = static_cast<std::uint32_t>(
      std::max<std::uint64_t>(1, (shorter * box * 2 + longer) / (longer * 2)));
  return width >= height ? PictureSize{box, scaled} : PictureSize{scaled, box};
}

}  // namespace pictrove
