// Writes a folder of sample drawings of our own, so that a newcomer has
// something to open: drawings of several versions whose previews are 8-bit
// and 24-bit bitmaps and a PNG picture, and one drawing without a preview.
// Usage: make_samples OUTPUT_FOLDER
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <exception>
#include <map>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/builders/bmp_builder.h"
#include "tools/builders/dwg_builder.h"
#include "tools/builders/png_builder.h"
#include "tools/raster.h"

namespace {

using tools::Canvas;
using tools::Colour;

constexpr Colour kWhite{255, 255, 255, 255};
constexpr Colour kNavy{20, 40, 110, 255};
constexpr Colour kRed{190, 40, 40, 255};
constexpr Colour kGrey{120, 120, 128, 255};
constexpr Colour kSteel{70, 90, 110, 255};
constexpr Colour kWater{80, 150, 210, 255};
constexpr Colour kGrass{110, 180, 90, 255};
constexpr Colour kRoad{150, 150, 150, 255};
constexpr Colour kRoof{200, 110, 60, 255};

void Box(Canvas& c, int x0, int y0, int x1, int y1, Colour ink) {
  c.line(x0, y0, x1, y0, ink);
  c.line(x0, y1, x1, y1, ink);
  c.line(x0, y0, x0, y1, ink);
  c.line(x1, y0, x1, y1, ink);
}

// A quarter circle from (x, y): how a door swings on a plan.
void DoorSwing(Canvas& c, int x, int y, int radius, Colour ink) {
  for (int i = 0; i <= 40; ++i) {
    const double a = std::numbers::pi / 2 * i / 40;
    c.blend(x + static_cast<int>(radius * std::cos(a)), y - static_cast<int>(radius * std::sin(a)), ink);
  }
  c.line(x, y, x, y - radius, ink);
}

Canvas FloorPlan() {
  Canvas c(220, 150);
  c.fill(0, 0, 220, 150, kWhite);
  Box(c, 10, 10, 209, 139, kNavy);
  Box(c, 11, 11, 208, 138, kNavy);
  c.line(90, 10, 90, 80, kNavy);
  c.line(90, 110, 90, 139, kNavy);
  c.line(90, 70, 209, 70, kNavy);
  c.line(150, 70, 150, 139, kNavy);
  DoorSwing(c, 90, 110, 28, kRed);
  DoorSwing(c, 150, 100, 24, kRed);
  for (int step = 0; step < 8; ++step) c.line(20, 20 + step * 6, 60, 20 + step * 6, kGrey);
  c.line(110, 10, 170, 10, kWater);  // window
  return c;
}

Canvas Gear() {
  Canvas c(180, 140);
  c.fill(0, 0, 180, 140, kWhite);
  const double cx = 90, cy = 70;
  for (int tooth = 0; tooth < 12; ++tooth) {
    const double a = 2 * std::numbers::pi * tooth / 12;
    c.disc(cx + 52 * std::cos(a), cy + 52 * std::sin(a), 9, 0, kSteel);
  }
  c.disc(cx, cy, 50, 0, kSteel);
  c.disc(cx, cy, 18, 0, kWhite);
  c.disc(cx, cy, 18, 15, kNavy);
  c.fill(86, 48, 94, 54, kWhite);  // key way
  return c;
}

Canvas Bridge() {
  Canvas c(256, 102);
  c.fill(0, 0, 256, 102, kWhite);
  c.fill(0, 86, 256, 102, kWater);
  c.fill(0, 40, 256, 44, kGrey);  // deck
  int previous = 0;
  for (int x = 20; x <= 236; ++x) {
    const double t = (x - 128) / 108.0;
    const int y = 86 - static_cast<int>(70 * (1 - t * t));
    if (x > 20) c.line(x - 1, previous, x, y, kRed);
    if ((x - 20) % 18 == 0 && y < 40) c.line(x, y, x, 40, kNavy);
    previous = y;
  }
  return c;
}

Canvas SiteMap() {
  Canvas c(240, 180);
  c.fill(0, 0, 240, 180, kGrass);
  c.fill(0, 80, 240, 96, kRoad);
  c.fill(150, 0, 164, 180, kRoad);
  c.disc(60, 140, 22, 0, kWater);
  for (int i = 0; i < 4; ++i) {
    c.fill(20 + i * 30, 20, 42 + i * 30, 60, kRoof);
    Box(c, 20 + i * 30, 20, 42 + i * 30, 60, kNavy);
  }
  c.fill(180, 110, 225, 165, kRoof);
  Box(c, 180, 110, 225, 165, kNavy);
  return c;
}

Canvas Tower() {
  Canvas c(96, 200);
  c.fill(0, 0, 96, 200, kWhite);
  const int base = 190;
  for (int level = 0; level < 6; ++level) {
    const int y0 = base - level * 30;
    const int y1 = y0 - 30;
    const int half0 = 40 - level * 6;
    const int half1 = 40 - (level + 1) * 6;
    c.line(48 - half0, y0, 48 - half1, y1, kSteel);
    c.line(48 + half0, y0, 48 + half1, y1, kSteel);
    c.line(48 - half0, y0, 48 + half1, y1, kGrey);
    c.line(48 + half0, y0, 48 - half1, y1, kGrey);
    c.line(48 - half1, y1, 48 + half1, y1, kSteel);
  }
  c.line(48, 10, 48, 0, kRed);
  c.fill(0, base, 96, 200, kGrass);
  return c;
}

std::uint32_t Rgb(Colour c) {
  return (static_cast<std::uint32_t>(c.r) << 16) | (static_cast<std::uint32_t>(c.g) << 8) | c.b;
}

// A device-independent bitmap of the picture: 24 bits, or 8 bits with a
// colour table of the picture's own colours.
std::vector<std::uint8_t> Dib(const Canvas& picture, int bitCount) {
  testsupport::BmpLayout layout;
  layout.width = picture.width();
  layout.height = picture.height();
  layout.bitCount = static_cast<std::uint16_t>(bitCount);
  if (bitCount == 24) {
    layout.pixels = testsupport::packRows(layout.width, layout.height, 24,
                                        [&](int x, int y) { return Rgb(picture.at(x, y)); });
    return testsupport::dibBytes(layout);
  }
  std::map<std::uint32_t, std::uint32_t> index;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const std::uint32_t colour = Rgb(picture.at(x, y));
      if (index.count(colour) == 0 && index.size() < 256) {
        index[colour] = static_cast<std::uint32_t>(layout.palette.size());
        layout.palette.push_back(colour);
      }
    }
  }
  layout.coloursUsed = static_cast<std::uint32_t>(layout.palette.size());
  layout.pixels = testsupport::packRows(layout.width, layout.height, 8, [&](int x, int y) {
    const auto it = index.find(Rgb(picture.at(x, y)));
    return it == index.end() ? 0u : it->second;
  });
  return testsupport::dibBytes(layout);
}

std::vector<std::uint8_t> Png(const Canvas& picture) {
  testsupport::PngPicture layout;
  layout.width = static_cast<std::uint32_t>(picture.width());
  layout.height = static_cast<std::uint32_t>(picture.height());
  layout.colourType = testsupport::kPngRgb;
  layout.sample = [&](std::uint32_t x, std::uint32_t y, int channel) -> std::uint32_t {
    const Colour c = picture.at(static_cast<int>(x), static_cast<int>(y));
    return channel == 0 ? c.r : channel == 1 ? c.g : c.b;
  };
  return testsupport::pngFileBytes(layout);
}

void Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    if (file != nullptr) std::fclose(file);
    throw std::runtime_error("cannot write " + path);
  }
  if (std::fclose(file) != 0) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_samples OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  mkdir(folder.c_str(), 0755);
  try {
    using testsupport::dwgWithDib;
    using testsupport::dwgWithPng;
    Write(folder + "/floor-plan.dwg", dwgWithDib("AC1015", Dib(FloorPlan(), 24)));
    Write(folder + "/gear.dwg", dwgWithDib("AC1014", Dib(Gear(), 8)));
    Write(folder + "/bridge.dwg", dwgWithDib("AC1012", Dib(Bridge(), 8)));
    Write(folder + "/tower.dwg", dwgWithDib("AC1018", Dib(Tower(), 24)));
    Write(folder + "/site-map.dwg", dwgWithPng("AC1032", Png(SiteMap())));
    Write(folder + "/notes.dwg", testsupport::DwgBuilder("AC1015").headerEntry().bytes());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_samples: %s\n", error.what());
    return 1;
  }
  return 0;
}
