// A thumbnail's pixels: RGB rows (3 bytes per pixel, red first, top row
// first) a stride apart. Either the decoded preview itself, when it fits the
// thumbnail as it is, or rows that scaling made.
#pragma once

#include <cstdint>
#include <memory>

#include "app/core/rgb_picture.h"

namespace pictrove {

class ThumbnailPicture {
 public:
  ThumbnailPicture() = default;
  // The decoded picture, rows width x 3 bytes apart.
  explicit ThumbnailPicture(RgbPicture picture);
  // Rows of `stride` bytes (at least width x 3) in `rows`.
  ThumbnailPicture(std::unique_ptr<std::uint8_t[]> rows, std::uint32_t width,
                   std::uint32_t height, std::uint32_t stride);

  bool empty() const { return pixels() == nullptr; }
  const std::uint8_t* pixels() const { return rows_ != nullptr ? rows_.get() : picture_.pixels(); }
  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }
  std::uint32_t stride() const { return stride_; }
  // The pixel at (x, y): its red, green and blue bytes.
  const std::uint8_t* at(std::uint32_t x, std::uint32_t y) const {
    return pixels() + std::size_t{y} * stride_ + std::size_t{x} * 3;
  }

 private:
  RgbPicture picture_;
  std::unique_ptr<std::uint8_t[]> rows_;
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
  std::uint32_t stride_ = 0;
};

}  // namespace pictrove
