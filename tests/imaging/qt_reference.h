// Qt's image readers as the independent decoder that the library's decoders
// are compared against: pixels as packed RGB, composited over white where
// the picture has alpha (as the library does for the thumbnail canvas).
#pragma once

#include <QByteArray>
#include <QImage>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace imagingtest {

struct QtDecoded {
  bool ok = false;  // Qt could read the bytes
  bool hasAlpha = false;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;
};

// `format` names the reader ("BMP", "PNG"); null lets Qt tell by the bytes.
inline QtDecoded qtDecode(const std::vector<std::uint8_t>& file, const char* format = nullptr) {
  QImage image;
  QtDecoded d;
  if (!image.loadFromData(QByteArray(reinterpret_cast<const char*>(file.data()),
                                     static_cast<qsizetype>(file.size())), format)) {
    return d;
  }
  d.ok = true;
  d.hasAlpha = image.hasAlphaChannel();
  d.width = static_cast<std::uint32_t>(image.width());
  d.height = static_cast<std::uint32_t>(image.height());
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  d.rgb.reserve(static_cast<std::size_t>(d.width) * d.height * 3);
  for (int y = 0; y < argb.height(); ++y) {
    for (int x = 0; x < argb.width(); ++x) {
      const QRgb c = argb.pixel(x, y);
      const double a = qAlpha(c) / 255.0;
      for (int v : {qRed(c), qGreen(c), qBlue(c)}) {
        d.rgb.push_back(static_cast<std::uint8_t>(v * a + 255.0 * (1.0 - a) + 0.5));
      }
    }
  }
  return d;
}

// Largest difference between two equally sized buffers, or 256 when their
// sizes differ.
inline int maxDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size()) return 256;
  int worst = 0;
  for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
  return worst;
}

}  // namespace imagingtest
