#include "app/core/thumbnail.h"

#include <vector>

#include "imaging/tessera.h"

namespace pictrove {

ThumbnailPlacement PlaceOnThumbnail(std::uint32_t width, std::uint32_t height) {
  ThumbnailPlacement place;
  if (width == 0 || height == 0) return place;
  const double s = width > height ? 180.0 / width : 140.0 / height;
  place.width = static_cast<std::uint32_t>(static_cast<double>(width) * s);
  place.height = static_cast<std::uint32_t>(static_cast<double>(height) * s);
  place.left = kThumbWidth / 2 - static_cast<std::int32_t>(place.width / 2);
  place.top = kThumbHeight / 2 - static_cast<std::int32_t>(place.height / 2);
  return place;
}

void ComposeThumbnail(const RgbPicture& picture, ThumbnailPixels& canvas) {
  tsFillRect(canvas.data(), kThumbWidth, kThumbHeight, 0, 0, kThumbWidth, kThumbHeight, 0xFFFFFF);
  const ThumbnailPlacement place = PlaceOnThumbnail(picture.width(), picture.height());
  if (picture.empty() || place.width == 0 || place.height == 0) return;
  std::vector<std::uint8_t> scaled(std::size_t{place.width} * place.height * 3);
  tsResizeImage(picture.pixels(), picture.width(), picture.height(), scaled.data(), place.width,
                place.height, 3);
  tsOverlayImage(canvas.data(), kThumbWidth, kThumbHeight, scaled.data(), place.width,
                 place.height, place.left, place.top, 1.0, 1);
}

}  // namespace pictrove
