// Run-length bitmaps (8-bit RLE8, 4-bit RLE4), decoded to RGB or to one
// colour index per pixel.
#pragma once

#include <cstdint>

#include "imaging/core/image_stream.h"
#include "imaging/core/operation_context.h"

namespace tessera {

enum class RleOutput { Rgb, Index };

// Decodes from the start of a rewound source. Returns the image (width x
// height x 3 bytes, or width x height in index mode) or null; an image whose
// data ends before the end-of-bitmap code is returned with TSERR_READ.
std::uint8_t* decodeRunLength(OperationContext& ctx, StreamRef& stream, RleOutput output,
                              std::uint32_t* width, std::uint32_t* height);

}  // namespace tessera
