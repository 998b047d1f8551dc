// A rectangle in window client coordinates (right and bottom exclusive).
#pragma once

namespace pictrove {

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

}  // namespace pictrove
