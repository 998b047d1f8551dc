// A picture as the image library hands it out: an RGB buffer (3 bytes per
// pixel, red first, rows top first, no padding) in a global memory block,
// owned here and freed with it.
#pragma once

#include <cstdint>

namespace pictrove {

class RgbPicture {
 public:
  RgbPicture() = default;
  // Takes over `pixels`, a global memory block of width x height x 3 bytes.
  RgbPicture(std::uint8_t* pixels, std::uint32_t width, std::uint32_t height);
  ~RgbPicture();
  RgbPicture(RgbPicture&& other) noexcept;
  RgbPicture& operator=(RgbPicture&& other) noexcept;
  RgbPicture(const RgbPicture&) = delete;
  RgbPicture& operator=(const RgbPicture&) = delete;

  bool empty() const { return pixels_ == nullptr; }
  const std::uint8_t* pixels() const { return pixels_; }
  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }

 private:
  std::uint8_t* pixels_ = nullptr;
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
};

}  // namespace pictrove
