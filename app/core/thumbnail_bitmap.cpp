#include "app/core/thumbnail_bitmap.h"

#include <memory>
#include <new>
#include <utility>
#include <vector>

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

bool MakeThumbnailBitmaps(const DrawingPicture& preview, PreviewEntry& entry, double ratio) {
  entry.m_screenBitmap.reset();
  entry.m_screenRatio = 1.0;
  if (!MakeThumbnailBitmap(preview, entry)) return false;
  const CanvasSize size = ScreenCanvasSize(ratio);
  if (size.width == kThumbWidth && size.height == kThumbHeight) return true;
  try {
    std::vector<std::uint8_t> canvas(static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height) * 3);
    ComposeThumbnailAt(preview.picture, size.width, size.height, canvas.data());
    auto screen = std::make_unique<BitmapObject>();
    screen->Attach(tsMakeDisplayBitmap(canvas.data(), static_cast<std::uint32_t>(size.width),
                                       static_cast<std::uint32_t>(size.height), nullptr, nullptr));
    if (screen->GetSafeHandle() != nullptr) {
      entry.m_screenBitmap = std::move(screen);
      entry.m_screenRatio = ratio < 8.0 ? ratio : 8.0;
    }
  } catch (const std::bad_alloc&) {
  }
  return true;
}

}  // namespace pictrove
