// A small RGBA raster for the build-time picture tools: blending, filled
// rectangles, lines, discs and rings, and PNG output through libpng.
#pragma once

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tools {

struct Colour {
  std::uint8_t r, g, b, a;
};

constexpr Colour kClear{0, 0, 0, 0};

class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height), pixels_(width * height, kClear) {}

  int width() const { return width_; }
  int height() const { return height_; }
  Colour at(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }

  void blend(int x, int y, Colour c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    Colour& d = pixels_[static_cast<std::size_t>(y * width_ + x)];
    const int a = c.a;
    const int inv = 255 - a;
    const int outA = a + d.a * inv / 255;
    if (outA == 0) return;
    auto mix = [&](int src, int dst) {
      return static_cast<std::uint8_t>((src * a + dst * d.a * inv / 255) / outA);
    };
    d = Colour{mix(c.r, d.r), mix(c.g, d.g), mix(c.b, d.b), static_cast<std::uint8_t>(outA)};
  }

  void fill(int x0, int y0, int x1, int y1, Colour c) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) blend(x, y, c);
  }

  void line(int x0, int y0, int x1, int y1, Colour c) {
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      blend(x0, y0, c);
      if (x0 == x1 && y0 == y1) break;
      const int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x0 += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y0 += sy;
      }
    }
  }

  // A filled disc, or a ring when inner > 0.
  void disc(double cx, double cy, double outer, double inner, Colour c) {
    for (int y = static_cast<int>(cy - outer) - 1; y <= static_cast<int>(cy + outer) + 1; ++y) {
      for (int x = static_cast<int>(cx - outer) - 1; x <= static_cast<int>(cx + outer) + 1; ++x) {
        const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
        if (d <= outer && d >= inner) blend(x, y, c);
      }
    }
  }

  // Copies another canvas in at (left, top).
  void paste(const Canvas& other, int left) {
    for (int y = 0; y < other.height_ && y < height_; ++y)
      for (int x = 0; x < other.width_; ++x)
        if (left + x < width_)
          pixels_[static_cast<std::size_t>(y * width_ + left + x)] =
              other.pixels_[static_cast<std::size_t>(y * other.width_ + x)];
  }

  bool save(const std::string& path) const {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width_);
    image.height = static_cast<png_uint_32>(height_);
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(pixels_.size() * 4);
    for (const Colour& c : pixels_) {
      bytes.push_back(c.r);
      bytes.push_back(c.g);
      bytes.push_back(c.b);
      bytes.push_back(c.a);
    }
    const int ok = png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr);
    if (!ok) std::fprintf(stderr, "make_artwork: %s: %s\n", path.c_str(), image.message);
    return ok != 0;
  }

 private:
  int width_;
  int height_;
  std::vector<Colour> pixels_;
};

}  // namespace tools
