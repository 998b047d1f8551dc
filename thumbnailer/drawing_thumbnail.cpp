#include "thumbnailer/drawing_thumbnail.h"

#include "thumbnailer/downscale.h"
#include "thumbnailer/fit_size.h"

namespace pictrove {

PictureResult MakeDrawingThumbnail(const std::string& path, std::uint32_t size,
                                   ThumbnailPicture& thumbnail, int* readError) {
  thumbnail = ThumbnailPicture();
  // One drawing per run: it is opened once and its preview read in one go,
  // and its bytes are freed before scaling, so that the thumbnail's rows and
  // the PNG encoder's state reuse memory the process has touched already
  // (see main).
  DrawingPicture preview = LoadDrawingPicture(path, PreviewRead::OneRead);
  if (readError != nullptr) *readError = preview.readError;
  if (preview.result != PictureResult::Made) return preview.result;
  RgbPicture& picture = preview.picture;

  const PictureSize fitted = FitWithin(picture.width(), picture.height(), size);
  if (fitted.width == picture.width() && fitted.height == picture.height()) {
    thumbnail = ThumbnailPicture(std::move(picture));
    return PictureResult::Made;
  }
  thumbnail = Downscale(picture, fitted);
  return thumbnail.empty() ? PictureResult::NoMemory : PictureResult::Made;
}

}  // namespace pictrove
