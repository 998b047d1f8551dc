// Painting a rectangle of a 3-channel image with one colour, clipped to the
// image. Shared by tsFillRect and the run-length decoder's background.
#pragma once

#include <cstdint>

namespace tessera {

// colour: byte 0 to channel 0, byte 1 to channel 1, byte 2 to channel 2.
// The rectangle is clipped to the image; sums are taken in 64 bits so that a
// huge width or height cannot wrap around the clip.
void fillRgb(std::uint8_t* image, std::uint32_t width, std::uint32_t height, std::uint32_t left,
             std::uint32_t top, std::uint32_t rectWidth, std::uint32_t rectHeight,
             std::uint32_t colour);

}  // namespace tessera
