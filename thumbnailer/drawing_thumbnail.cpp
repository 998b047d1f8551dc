#include "thumbnailer/drawing_thumbnail.h"

#include "app/core/decode_preview.h"
#include "app/core/preview_image.h"
#include "thumbnailer/downscale.h"
#include "thumbnailer/fit_size.h"
#include "toolkit/preview.h"

namespace pictrove {

ThumbnailResult MakeDrawingThumbnail(const std::string& path, std::uint32_t size,
                                     ThumbnailPicture& thumbnail) {
  thumbnail = ThumbnailPicture();
  // Measured first, so that the preview is read in one go into a buffer of
  // its size (the toolkit hands out none above 16 MiB).
  const std::uint32_t stated = PreviewImageSizeOf(path);
  if (stated == 0) return ThumbnailResult::NoPreview;
  PreviewImage image;
  if (!image.Reserve(stated)) return ThumbnailResult::NoMemory;
  if (!ReadPreviewImage(path, image)) return ThumbnailResult::NoPreview;
  RgbPicture picture = DecodePreview(image.data.get(), image.length);
  // Freed before scaling: the thumbnail's rows and the PNG encoder's state
  // then reuse memory the process has touched already (see main).
  image = PreviewImage{};
  if (picture.empty()) return ThumbnailResult::Undecodable;

  const PictureSize fitted = FitWithin(picture.width(), picture.height(), size);
  if (fitted.width == picture.width() && fitted.height == picture.height()) {
    thumbnail = ThumbnailPicture(std::move(picture));
    return ThumbnailResult::Made;
  }
  thumbnail = Downscale(picture, fitted);
  return thumbnail.empty() ? ThumbnailResult::NoMemory : ThumbnailResult::Made;
}

const char* ThumbnailResultText(ThumbnailResult result) {
  switch (result) {
    case ThumbnailResult::Made: return "thumbnail made";
    case ThumbnailResult::NoPreview: return "no usable preview picture in the drawing";
    case ThumbnailResult::Undecodable: return "the preview picture cannot be decoded";
    case ThumbnailResult::NoMemory: return "out of memory";
  }
  return "unknown result";
}

}  // namespace pictrove
