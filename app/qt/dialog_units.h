// Converts dialog-template units to pixels with a font's base units: the
// average width of the 52 Latin letters and the font's height. A horizontal
// unit is a quarter of the average width, a vertical one an eighth of the
// height, so a dialog keeps its template's proportions with any font.
#pragma once

#include <QFont>
#include <QRect>

namespace pictrove {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}

  int baseX() const { return baseX_; }
  int baseY() const { return baseY_; }
  int x(int units) const;
  int y(int units) const;
  // A template rectangle (x, y, width, height in dialog units) in pixels.
  QRect rect(int left, int top, int width, int height) const;

 private:
  int baseX_;
  int baseY_;
};

// The font of the dialog, the folder browser, the About box and the message
// boxes: the application's font family at 8 points, the size the templates
// are laid out for.
QFont DialogFont();

}  // namespace pictrove
