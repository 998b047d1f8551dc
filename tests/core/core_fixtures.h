// Helpers for the preview core's tests: thumbnails read back as pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "app/core/preview_entry.h"

namespace coretest {

// An entry's thumbnail as RGB pixels, captured from its device bitmap
// (empty when it has none).
std::vector<std::uint8_t> CaptureThumbnail(const pictrove::PreviewEntry& entry);

// Pixel (x, y) of a packed RGB buffer `width` pixels wide, as 0xRRGGBB.
std::uint32_t RgbAt(const std::vector<std::uint8_t>& rgb, int width, int x, int y);

}  // namespace coretest
