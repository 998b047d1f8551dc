// An entry's thumbnail as a device bitmap in the screen's format: what the
// dialog paints and what saving captures back.
#pragma once

#include <cstdint>

#include "app/core/preview_entry.h"

namespace pictrove {

// Decodes the BMP or PNG file image, composes the 180 x 140 thumbnail and
// attaches it to the entry's bitmap holder. True when the preview was
// decoded; the entry then also knows the preview's kind and size. False
// leaves the holder without a bitmap (the kind is still set when the first
// bytes named one), also when memory runs out. Throws nothing.
bool MakeThumbnailBitmap(const std::uint8_t* data, std::uint32_t length, PreviewEntry& entry);

}  // namespace pictrove
