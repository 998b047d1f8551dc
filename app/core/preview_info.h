// What a preview's header says about it, without decoding its pixels: the
// command line's listing needs no more.
#pragma once

#include <cstdint>

#include "app/core/preview_image.h"

namespace pictrove {

struct PreviewInfo {
  PreviewKind kind = PreviewKind::Unknown;
  // The picture's own size; 0 x 0 when the header is cut short, states a
  // size no decoder here takes (a side of 0 or above 16384 pixels, or more
  // than 4096 x 4096 pixels in all) or, for a bitmap, a bit count or
  // compression the decoder refuses.
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// Reads a BMP file image's information header (width at byte 18, height at
// byte 22, negative for top-down rows) or a PNG file's IHDR chunk.
PreviewInfo ReadPreviewInfo(const std::uint8_t* data, std::uint32_t length);

}  // namespace pictrove
