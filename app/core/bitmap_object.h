// Owns one device bitmap handle, or none: the thumbnail holder of an entry.
#pragma once

#include "platform/win_types.h"

namespace pictrove {

class BitmapObject {
 public:
  BitmapObject() = default;
  ~BitmapObject();
  BitmapObject(const BitmapObject&) = delete;
  BitmapObject& operator=(const BitmapObject&) = delete;

  // Takes ownership of `bitmap`, deleting the one held before.
  void Attach(HBITMAP bitmap);
  // Deletes the held bitmap's graphics object; the holder is empty after.
  void DeleteObject();
  HBITMAP GetSafeHandle() const { return handle_; }

 private:
  HBITMAP handle_ = nullptr;
};

}  // namespace pictrove
