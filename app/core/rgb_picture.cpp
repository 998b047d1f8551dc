#include "app/core/rgb_picture.h"

#include <utility>

#include "platform/global_memory.h"

namespace pictrove {

RgbPicture::RgbPicture(std::uint8_t* pixels, std::uint32_t width, std::uint32_t height)
    : pixels_(pixels), width_(width), height_(height) {}

RgbPicture::~RgbPicture() {
  if (pixels_ != nullptr) GlobalFree(pixels_);
}

RgbPicture::RgbPicture(RgbPicture&& other) noexcept
    : pixels_(std::exchange(other.pixels_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)) {}

RgbPicture& RgbPicture::operator=(RgbPicture&& other) noexcept {
  if (this != &other) {
    if (pixels_ != nullptr) GlobalFree(pixels_);
    pixels_ = std::exchange(other.pixels_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
  }
  return *this;
}

}  // namespace pictrove
