// Draws the application's icon for the desktop's icon theme: PNG files at
// 16, 24, 32, 48, 64, 128 and 256 pixels and a scalable SVG, all from the
// one description below:
//   make_icons FOLDER NAME  writes FOLDER/NAME-SIZE.png for each size and
//                           FOLDER/NAME.svg
//
// The design is the program's own icon (tools/make_artwork.cpp): a
// blueprint sheet with a floor plan and a yellow picture frame resting on
// its lower right corner. It is laid out on a 32-unit square. Up to 32
// pixels every edge is snapped to whole pixels and every line is one pixel
// wide, so the small icons stay crisp; above that the shapes are drawn as
// they are, lines 0.75 units wide, with 4 x 4 samples per pixel for smooth
// edges, which is also what the SVG says.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tools/artwork_palette.h"
#include "tools/raster.h"

namespace {

using namespace tools;

constexpr Colour kSun{255, 236, 120, 255};

constexpr double kUnits = 32.0;
constexpr double kLineWidth = 0.75;  // units, above 32 pixels and in the SVG

// The frame and its picture, in units.
constexpr double kFrameLeft = 13, kFrameTop = 15, kFrameRight = 31, kFrameBottom = 31;
constexpr double kFrameBorder = 2.5;

double HillTop(double x) {
  const double t = (x - kFrameLeft) / (kFrameRight - kFrameLeft);
  return kFrameBottom - kFrameBorder -
         (kFrameBottom - kFrameTop) * (0.25 + 0.2 * std::sin(t * 3.2));
}

// One shape of the icon, in units.
struct Shape {
  enum Kind { Fill, Line, Disc, Hill } kind;
  double x0, y0, x1, y1;  // Fill: the rectangle; Line: first and last cell; Disc: centre, radius
  Colour colour;
  // A line drawn smooth: how far its band moves across it from the cells'
  // middle, so that an edge line stays flush with the edge.
  double shift = 0;
};

// The icon's shapes, back to front. `gridStep` is the spacing of the sheet's
// grid in units. Lines run from cell (x0, y0) to cell (x1, y1), a cell being
// the unit square right of and below its corner, as in the program's icon.
std::vector<Shape> Design(double gridStep) {
  std::vector<Shape> shapes;
  auto fill = [&](double x0, double y0, double x1, double y1, Colour c) {
    shapes.push_back({Shape::Fill, x0, y0, x1, y1, c});
  };
  auto line = [&](double x0, double y0, double x1, double y1, Colour c, double shift = 0) {
    shapes.push_back({Shape::Line, x0, y0, x1, y1, c, shift});
  };
  constexpr double kFlush = (1.0 - kLineWidth) / 2;
  // The sheet, its grid and its border.
  const double sx0 = 2, sy0 = 2, sx1 = 26, sy1 = 24;
  fill(sx0, sy0, sx1, sy1, kPaper);
  for (double x = sx0 + gridStep; x < sx1; x += gridStep) line(x, sy0 + 1, x, sy1 - 2, kGrid);
  for (double y = sy0 + gridStep; y < sy1; y += gridStep) line(sx0 + 1, y, sx1 - 2, y, kGrid);
  line(sx0, sy0, sx1 - 1, sy0, kEdge, -kFlush);
  line(sx0, sy1 - 1, sx1 - 1, sy1 - 1, kEdge, kFlush);
  line(sx0, sy0, sx0, sy1 - 1, kEdge, -kFlush);
  line(sx1 - 1, sy0, sx1 - 1, sy1 - 1, kEdge, kFlush);
  // The floor plan: outer walls, an inner wall with a door gap, a window.
  const double px0 = 6, py0 = 6, px1 = 22, py1 = 20, mid = 15;
  line(px0, py0, px1, py0, kInk);
  line(px0, py1, px1, py1, kInk);
  line(px0, py0, px0, py1, kInk);
  line(px1, py0, px1, py1, kInk);
  line(mid, py0, mid, 11, kInk);
  line(mid, 17, mid, py1, kInk);
  line(px0 + 2, 13, mid - 2, 13, kGrid);
  // The picture frame: yellow border, sky, a sun, a green hill, a shadow.
  fill(kFrameLeft, kFrameTop, kFrameRight, kFrameBottom, kFrame);
  const double ix0 = kFrameLeft + kFrameBorder, iy0 = kFrameTop + kFrameBorder;
  const double ix1 = kFrameRight - kFrameBorder, iy1 = kFrameBottom - kFrameBorder;
  fill(ix0, iy0, ix1, iy1, kSky);
  shapes.push_back({Shape::Disc, ix0 + (kFrameRight - kFrameLeft) * 0.25,
                    iy0 + (kFrameBottom - kFrameTop) * 0.22, 2.2, 0, kSun});
  shapes.push_back({Shape::Hill, ix0, 0, ix1, iy1, kHill});
  line(kFrameLeft, kFrameBottom - 1, kFrameRight - 1, kFrameBottom - 1, kEdge, kFlush);
  line(kFrameRight - 1, kFrameTop, kFrameRight - 1, kFrameBottom - 1, kEdge, kFlush);
  return shapes;
}

// A line's rectangle in units: the cells it covers, or, drawn smooth, a
// band kLineWidth wide through their middle.
void LineRect(const Shape& s, bool snapped, double& x0, double& y0, double& x1, double& y1) {
  const double inset = snapped ? 0.0 : (1.0 - kLineWidth) / 2;
  x0 = std::min(s.x0, s.x1) + inset;
  y0 = std::min(s.y0, s.y1) + inset;
  x1 = std::max(s.x0, s.x1) + 1 - inset;
  y1 = std::max(s.y0, s.y1) + 1 - inset;
  if (snapped) return;
  if (s.x0 == s.x1) {
    x0 += s.shift;
    x1 += s.shift;
  } else {
    y0 += s.shift;
    y1 += s.shift;
  }
}

// Whether the point (u, v), in units, lies inside the shape drawn smooth.
bool Contains(const Shape& s, double u, double v) {
  switch (s.kind) {
    case Shape::Fill:
      return u >= s.x0 && u < s.x1 && v >= s.y0 && v < s.y1;
    case Shape::Line: {
      double x0, y0, x1, y1;
      LineRect(s, false, x0, y0, x1, y1);
      return u >= x0 && u < x1 && v >= y0 && v < y1;
    }
    case Shape::Disc:
      return std::hypot(u - s.x0, v - s.y0) <= s.x1;
    case Shape::Hill:
      return u >= s.x0 && u < s.x1 && v < s.y1 && v >= HillTop(u);
  }
  return false;
}

Colour WithCoverage(Colour c, double coverage) {
  c.a = static_cast<std::uint8_t>(std::lround(c.a * coverage));
  return c;
}

// Up to 32 pixels: every edge on a pixel boundary, lines one pixel wide.
Canvas DrawSnapped(int size) {
  Canvas canvas(size, size);
  const double k = size / kUnits;
  auto px = [k](double units) { return static_cast<int>(std::lround(units * k)); };
  for (const Shape& s : Design(size >= 24 ? 4 : 6)) {
    switch (s.kind) {
      case Shape::Fill:
        canvas.fill(px(s.x0), px(s.y0), px(s.x1), px(s.y1), s.colour);
        break;
      case Shape::Line: {
        double x0, y0, x1, y1;
        LineRect(s, true, x0, y0, x1, y1);
        const int left = px(x0), top = px(y0);
        // Along the line, cover its cells; across it, one pixel.
        const bool across = s.x0 == s.x1;
        canvas.fill(left, top, across ? left + 1 : std::max(left + 1, px(x1 - 1) + 1),
                    across ? std::max(top + 1, px(y1 - 1) + 1) : top + 1, s.colour);
        break;
      }
      case Shape::Disc:
        canvas.disc(s.x0 * k, s.y0 * k, std::max(1.0, s.x1 * k), 0, s.colour);
        break;
      case Shape::Hill:
        for (int x = px(s.x0); x < px(s.x1); ++x) {
          const int top = px(HillTop((x + 0.5) / k));
          canvas.fill(x, top, x + 1, px(s.y1), s.colour);
        }
        break;
    }
  }
  return canvas;
}

// Above 32 pixels: the shapes as they are, 4 x 4 samples per pixel.
Canvas DrawSmooth(int size) {
  constexpr int kSamples = 4;
  Canvas canvas(size, size);
  const double k = size / kUnits;
  for (const Shape& s : Design(4)) {
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        int inside = 0;
        for (int sy = 0; sy < kSamples; ++sy)
          for (int sx = 0; sx < kSamples; ++sx)
            inside += Contains(s, (x + (sx + 0.5) / kSamples) / k, (y + (sy + 0.5) / kSamples) / k);
        if (inside > 0)
          canvas.blend(x, y, WithCoverage(s.colour, inside / double{kSamples * kSamples}));
      }
    }
  }
  return canvas;
}

std::string Hex(Colour c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
  return text;
}

// The SVG: the smooth drawing's shapes in a 32-unit view box.
std::string Svg() {
  std::ostringstream out;
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
         "viewBox=\"0 0 32 32\">\n";
  auto rect = [&out](double x0, double y0, double x1, double y1, Colour c) {
    out << "  <rect x=\"" << x0 << "\" y=\"" << y0 << "\" width=\"" << x1 - x0 << "\" height=\""
        << y1 - y0 << "\" fill=\"" << Hex(c) << "\"/>\n";
  };
  for (const Shape& s : Design(4)) {
    switch (s.kind) {
      case Shape::Fill:
        rect(s.x0, s.y0, s.x1, s.y1, s.colour);
        break;
      case Shape::Line: {
        double x0, y0, x1, y1;
        LineRect(s, false, x0, y0, x1, y1);
        rect(x0, y0, x1, y1, s.colour);
        break;
      }
      case Shape::Disc:
        out << "  <circle cx=\"" << s.x0 << "\" cy=\"" << s.y0 << "\" r=\"" << s.x1
            << "\" fill=\"" << Hex(s.colour) << "\"/>\n";
        break;
      case Shape::Hill: {
        out << "  <path fill=\"" << Hex(s.colour) << "\" d=\"M" << s.x0 << ' ' << s.y1;
        constexpr int kSteps = 26;
        for (int i = 0; i <= kSteps; ++i) {
          const double x = s.x0 + (s.x1 - s.x0) * i / kSteps;
          out << " L" << x << ' ' << std::round(HillTop(x) * 1000) / 1000;
        }
        out << " L" << s.x1 << ' ' << s.y1 << " Z\"/>\n";
        break;
      }
    }
  }
  out << "</svg>\n";
  return out.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_icons OUTPUT_FOLDER NAME\n");
    return 2;
  }
  const std::string base = std::string(argv[1]) + "/" + argv[2];
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    const Canvas icon = size <= 32 ? DrawSnapped(size) : DrawSmooth(size);
    if (!icon.save(base + "-" + std::to_string(size) + ".png")) return 1;
  }
  std::ofstream svg(base + ".svg", std::ios::trunc);
  svg << Svg();
  svg.close();
  if (!svg) {
    std::fprintf(stderr, "make_icons: cannot write %s.svg\n", base.c_str());
    return 1;
  }
  return 0;
}
