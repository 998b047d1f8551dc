#include "app/core/thumbnail.h"

#include <cmath>
#include <vector>

#include "imaging/tessera.h"

namespace pictrove {

ThumbnailPlacement PlaceOnCanvas(std::uint32_t width, std::uint32_t height, int canvasWidth,
                                 int canvasHeight) {
  ThumbnailPlacement place;
  if (width == 0 || height == 0) return place;
  const double s = width > height ? static_cast<double>(canvasWidth) / width
                                  : static_cast<double>(canvasHeight) / height;
  place.width = static_cast<std::uint32_t>(static_cast<double>(width) * s);
  place.height = static_cast<std::uint32_t>(static_cast<double>(height) * s);
  place.left = canvasWidth / 2 - static_cast<std::int32_t>(place.width / 2);
  place.top = canvasHeight / 2 - static_cast<std::int32_t>(place.height / 2);
  return place;
}

ThumbnailPlacement PlaceOnThumbnail(std::uint32_t width, std::uint32_t height) {
  return PlaceOnCanvas(width, height, kThumbWidth, kThumbHeight);
}

void ComposeThumbnailAt(const RgbPicture& picture, int canvasWidth, int canvasHeight, std::uint8_t* canvas) {
  tsFillRect(canvas, canvasWidth, canvasHeight, 0, 0, canvasWidth, canvasHeight, 0xFFFFFF);
  const ThumbnailPlacement place = PlaceOnCanvas(picture.width(), picture.height(), canvasWidth, canvasHeight);
  if (picture.empty() || place.width == 0 || place.height == 0) return;
  std::vector<std::uint8_t> scaled(std::size_t{place.width} * place.height * 3);
  tsResizeImage(picture.pixels(), picture.width(), picture.height(), scaled.data(), place.width,
                place.height, 3);
  tsOverlayImage(canvas, canvasWidth, canvasHeight, scaled.data(), place.width, place.height, place.left,
                 place.top, 1.0, 1);
}

void ComposeThumbnail(const RgbPicture& picture, ThumbnailPixels& canvas) {
  ComposeThumbnailAt(picture, kThumbWidth, kThumbHeight, canvas.data());
}

CanvasSize ScreenCanvasSize(double ratio) {
  CanvasSize size;
  if (!(ratio > 1.0)) return size;  // also for a ratio that is not a number
  if (ratio > 8.0) ratio = 8.0;
  size.width = static_cast<int>(std::lround(kThumbWidth * ratio));
  size.height = static_cast<int>(std::lround(kThumbHeight * ratio));
  return size;
}

}  // namespace pictrove
