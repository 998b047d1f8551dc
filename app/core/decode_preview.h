// Decoding a preview's file image to an RGB picture.
#pragma once

#include <cstdint>

#include "app/core/preview_image.h"
#include "app/core/rgb_picture.h"

namespace pictrove {

// Decodes a BMP (at 24 bits) or PNG file image (alpha composed over white)
// with the image library. An empty picture when the bytes are neither, the
// decoder refuses them, or they decode to no pixels.
RgbPicture DecodePreview(const std::uint8_t* data, std::uint32_t length);

}  // namespace pictrove
