// One listed drawing: its thumbnail, where it is, and what its preview was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/core/bitmap_object.h"
#include "app/core/preview_image.h"

namespace pictrove {

struct PreviewEntry {
  // Always allocated; holds the 180 x 140 thumbnail once it was built.
  std::unique_ptr<BitmapObject> m_bitmap = std::make_unique<BitmapObject>();
  std::string m_strPath;  // full path of the drawing, as bytes
  std::string m_strName;  // file name with extension, as bytes
  // The embedded preview as found: its encoding and its own size (0 x 0
  // when it could not be decoded).
  PreviewKind m_kind = PreviewKind::Unknown;
  std::uint32_t m_nPreviewWidth = 0;
  std::uint32_t m_nPreviewHeight = 0;
  // On a screen with more pixels than points: the thumbnail made for the
  // screen's pixels (see ScreenCanvasSize) and the ratio it was made for;
  // null otherwise. What is shown; saves take m_bitmap.
  std::unique_ptr<BitmapObject> m_screenBitmap;
  double m_screenRatio = 1.0;
};

}  // namespace pictrove
