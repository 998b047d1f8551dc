#include "app/core/bitmap_object.h"

#include "platform/gdi.h"

namespace pictrove {

BitmapObject::~BitmapObject() { DeleteObject(); }

void BitmapObject::Attach(HBITMAP bitmap) {
  if (bitmap == handle_) return;
  DeleteObject();
  handle_ = bitmap;
}

void BitmapObject::DeleteObject() {
  if (handle_ != nullptr) ::DeleteObject(handle_);
  handle_ = nullptr;
}

}  // namespace pictrove
