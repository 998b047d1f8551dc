#include "thumbnailer/thumbnail_picture.h"

#include <utility>

namespace pictrove {

ThumbnailPicture::ThumbnailPicture(RgbPicture picture)
    : picture_(std::move(picture)),
      width_(picture_.width()),
      height_(picture_.height()),
      stride_(picture_.width() * 3) {
  if (picture_.empty()) width_ = height_ = stride_ = 0;
}

ThumbnailPicture::ThumbnailPicture(std::unique_ptr<std::uint8_t[]> rows, std::uint32_t width,
                                   std::uint32_t height, std::uint32_t stride)
    : rows_(std::move(rows)), width_(width), height_(height), stride_(stride) {
  if (rows_ == nullptr) width_ = height_ = stride_ = 0;
}

}  // namespace pictrove
