#include "app/core/thumbnail_bitmap.h"

#include <memory>
#include <new>

#include "app/core/thumbnail.h"
#include "imaging/tessera.h"

namespace pictrove {

bool MakeThumbnailBitmap(const DrawingPicture& preview, PreviewEntry& entry) {
  BitmapObject* bitmap = entry.m_bitmap.get();
  if (bitmap == nullptr || preview.kind == PreviewKind::Unknown) return false;
  entry.m_kind = preview.kind;

  const RgbPicture& picture = preview.picture;
  if (preview.result != PictureResult::Made || picture.empty()) return false;
  entry.m_nPreviewWidth = picture.width();
  entry.m_nPreviewHeight = picture.height();

  // Without memory for the canvas or the scaled picture the entry stays
  // without a thumbnail, like one whose preview cannot be decoded.
  try {
    const auto canvas = std::make_unique_for_overwrite<ThumbnailPixels>();
    ComposeThumbnail(picture, *canvas);
    bitmap->Attach(tsMakeDisplayBitmap(canvas->data(), kThumbWidth, kThumbHeight, nullptr, nullptr));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace pictrove
