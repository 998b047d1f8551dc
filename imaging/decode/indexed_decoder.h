// Bitmaps of 1, 4 or 8 bits delivered as colour indexes: packed 1-bit rows
// for a requested depth of 1, one index byte per pixel for 8.
#pragma once

#include <cstdint>

#include "imaging/core/image_stream.h"
#include "imaging/core/operation_context.h"

namespace tessera {

// Fills the caller's 1024-byte colour table and returns width x |height|
// bytes of rows, top row first.
std::uint8_t* decodeIndexed(OperationContext& ctx, StreamRef& stream, std::int32_t depth,
                            std::uint8_t* colourTable, std::uint32_t* width,
                            std::uint32_t* height);

}  // namespace tessera
