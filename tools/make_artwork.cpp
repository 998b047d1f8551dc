// Draws the application's icon (32 x 32 and 16 x 16) and its scan clip (29
// frames of 80 x 50, side by side in one picture) and writes them as PNG
// files into the folder given as the only argument.
//
// The pictures: a blueprint sheet with a floor plan; on the icon a yellow
// picture frame rests on its corner, in the clip a magnifying glass moves
// over the sheet along a figure of eight.
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "tools/artwork_palette.h"
#include "tools/raster.h"

namespace {

using namespace tools;

constexpr Colour kRim{48, 48, 56, 255};      // magnifier rim and handle
constexpr Colour kLens{190, 226, 255, 110};  // translucent glass
constexpr Colour kGlint{255, 255, 255, 220};

// A blueprint sheet with a small floor plan, scaled to the box given.
void DrawSheet(Canvas& c, int x0, int y0, int x1, int y1, int gridStep) {
  c.fill(x0, y0, x1, y1, kPaper);
  for (int x = x0 + gridStep; x < x1; x += gridStep) c.line(x, y0 + 1, x, y1 - 2, kGrid);
  for (int y = y0 + gridStep; y < y1; y += gridStep) c.line(x0 + 1, y, x1 - 2, y, kGrid);
  c.line(x0, y0, x1 - 1, y0, kEdge);
  c.line(x0, y1 - 1, x1 - 1, y1 - 1, kEdge);
  c.line(x0, y0, x0, y1 - 1, kEdge);
  c.line(x1 - 1, y0, x1 - 1, y1 - 1, kEdge);
  // Floor plan: outer walls, an inner wall with a door gap, a window.
  const int w = x1 - x0;
  const int h = y1 - y0;
  const int px0 = x0 + w / 6;
  const int py0 = y0 + h / 5;
  const int px1 = x1 - w / 6;
  const int py1 = y1 - h / 5;
  c.line(px0, py0, px1, py0, kInk);
  c.line(px0, py1, px1, py1, kInk);
  c.line(px0, py0, px0, py1, kInk);
  c.line(px1, py0, px1, py1, kInk);
  const int mid = px0 + (px1 - px0) * 3 / 5;
  c.line(mid, py0, mid, py0 + (py1 - py0) * 2 / 5, kInk);
  c.line(mid, py1 - (py1 - py0) / 4, mid, py1, kInk);
  c.line(px0 + 2, py1 - (py1 - py0) / 2, mid - 2, py1 - (py1 - py0) / 2, kGrid);
}

// The icon at `size` (32 or 16): the sheet with a picture frame in front.
Canvas DrawIcon(int size) {
  Canvas c(size, size);
  const double k = size / 32.0;
  auto s = [k](double v) { return static_cast<int>(std::lround(v * k)); };
  DrawSheet(c, s(2), s(2), s(26), s(24), size >= 32 ? 4 : 3);
  // The picture frame: yellow border, sky, a green hill, a sun.
  const int fx0 = s(13), fy0 = s(15), fx1 = s(31), fy1 = s(31);
  c.fill(fx0, fy0, fx1, fy1, kFrame);
  const int b = std::max(1, s(2.5));
  c.fill(fx0 + b, fy0 + b, fx1 - b, fy1 - b, kSky);
  c.disc(fx0 + b + (fx1 - fx0) * 0.25, fy0 + b + (fy1 - fy0) * 0.22, std::max(1.0, 2.2 * k), 0,
         Colour{255, 236, 120, 255});
  for (int x = fx0 + b; x < fx1 - b; ++x) {
    const double t = static_cast<double>(x - fx0) / (fx1 - fx0);
    const int top = fy1 - b - static_cast<int>((fy1 - fy0) * (0.25 + 0.2 * std::sin(t * 3.2)));
    c.fill(x, top, x + 1, fy1 - b, kHill);
  }
  c.line(fx0, fy1 - 1, fx1 - 1, fy1 - 1, kEdge);
  c.line(fx1 - 1, fy0, fx1 - 1, fy1 - 1, kEdge);
  return c;
}

// Frame `index` of `count` of the scan clip.
Canvas DrawClipFrame(int index, int count) {
  constexpr int kWidth = 80;
  constexpr int kHeight = 50;
  Canvas c(kWidth, kHeight);
  DrawSheet(c, 4, 3, 76, 47, 6);
  const double t = 2.0 * std::numbers::pi * index / count;
  const double cx = 40.0 + 22.0 * std::sin(t);
  const double cy = 22.0 + 7.0 * std::sin(2.0 * t);
  constexpr double kRadius = 10.0;
  c.disc(cx, cy, kRadius - 1.5, 0, kLens);
  c.disc(cx, cy, kRadius, kRadius - 2.0, kRim);
  c.disc(cx - 3.5, cy - 3.5, 2.0, 0, kGlint);
  // The handle points to the lower right.
  for (int i = 0; i < 3; ++i) {
    const int hx = static_cast<int>(cx + 7) + i;
    const int hy = static_cast<int>(cy + 7);
    c.line(hx, hy, hx + 9, hy + 9, kRim);
  }
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_artwork OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  constexpr int kFrames = 29;
  Canvas strip(80 * kFrames, 50);
  for (int i = 0; i < kFrames; ++i) strip.paste(DrawClipFrame(i, kFrames), i * 80);
  const bool ok = DrawIcon(32).save(folder + "/icon32.png") &&
                  DrawIcon(16).save(folder + "/icon16.png") &&
                  strip.save(folder + "/scan_clip.png");
  return ok ? 0 : 1;
}
