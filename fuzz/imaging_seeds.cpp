// Writes seed corpora for the decoder fuzz targets: small bitmaps of every
// bit count and compression, and PNGs of every colour type, built in code.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/builders/bmp_builder.h"
#include "tools/builders/png_builder.h"

namespace {

using testsupport::BmpLayout;
using testsupport::PngPicture;

void save(const std::string& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(dir + "/" + name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void bmpSeeds(const std::string& dir) {
  auto pattern = [](int x, int y) { return static_cast<std::uint32_t>(x * 7 + y * 13); };
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    for (int height : {6, -6}) {
      BmpLayout s;
      s.width = 9;
      s.height = height;
      s.bitCount = static_cast<std::uint16_t>(bits);
      if (bits <= 8) {
        s.palette = testsupport::greyPalette(1 << bits);
        s.coloursUsed = static_cast<std::uint32_t>(s.palette.size());
      }
      s.pixels = testsupport::packRows(9, height, bits, [&](int x, int y) {
        return bits <= 8 ? pattern(x, y) % (1u << bits) : pattern(x, y) * 0x10101u;
      }, height < 0);
      save(dir, "bits" + std::to_string(bits) + (height < 0 ? "_topdown" : "") + ".bmp",
           testsupport::bmpFileBytes(s));
    }
  }
  for (int bits : {16, 32}) {
    BmpLayout s;
    s.width = 5;
    s.height = 3;
    s.bitCount = static_cast<std::uint16_t>(bits);
    s.compression = 3;
    s.masks = bits == 16 ? std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F}
                         : std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
    s.pixels = testsupport::packRows(5, 3, bits, [](int x, int y) { return 0x9A5Cu * (x + 3 * y); });
    save(dir, "bitfields" + std::to_string(bits) + ".bmp", testsupport::bmpFileBytes(s));
  }
  // Longer information headers: the table, or the masks held in the header,
  // then sit after its own length.
  for (std::uint32_t headerSize : {108u, 124u}) {
    BmpLayout indexed;
    indexed.width = 7;
    indexed.height = 4;
    indexed.headerSize = headerSize;
    indexed.palette = testsupport::greyPalette(256);
    indexed.pixels = testsupport::packRows(7, 4, 8, pattern);
    save(dir, "header" + std::to_string(headerSize) + "_bits8.bmp", testsupport::bmpFileBytes(indexed));
    BmpLayout masked;
    masked.width = 5;
    masked.height = 3;
    masked.bitCount = 16;
    masked.compression = 3;
    masked.headerSize = headerSize;
    masked.masks = std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F};
    masked.pixels = testsupport::packRows(5, 3, 16, [](int x, int y) { return 0x9A5Cu * (x + 3 * y); });
    save(dir, "header" + std::to_string(headerSize) + "_bitfields16.bmp",
         testsupport::bmpFileBytes(masked));
  }
  // Run-length data: runs, absolute runs with padding, a delta, line ends.
  BmpLayout rle8;
  rle8.width = 8;
  rle8.height = 4;
  rle8.bitCount = 8;
  rle8.compression = 1;
  rle8.palette = testsupport::greyPalette(16);
  rle8.coloursUsed = 16;
  rle8.pixels = {3, 1, 0, 3, 4, 5, 6, 0, 0, 0, 0, 2, 2, 1, 2, 9, 0, 0, 8, 7, 0, 1};
  save(dir, "rle8.bmp", testsupport::bmpFileBytes(rle8));
  BmpLayout rle4 = rle8;
  rle4.bitCount = 4;
  rle4.compression = 2;
  rle4.pixels = {5, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 0, 2, 1, 1, 4, 0xAB, 0, 1};
  save(dir, "rle4.bmp", testsupport::bmpFileBytes(rle4));
}

void pngSeeds(const std::string& dir) {
  struct Kind {
    const char* name;
    int colour;
    int depth;
  };
  const Kind kinds[] = {{"grey1", 0, 1},  {"grey2", 0, 2},    {"grey4", 0, 4},  {"grey8", 0, 8},
                        {"grey16", 0, 16}, {"rgb8", 2, 8},    {"rgb16", 2, 16}, {"pal1", 3, 1},
                        {"pal4", 3, 4},   {"pal8", 3, 8},     {"ga8", 4, 8},    {"ga16", 4, 16},
                        {"rgba8", 6, 8},  {"rgba16", 6, 16}};
  for (const Kind& k : kinds) {
    for (bool interlaced : {false, true}) {
      PngPicture s;
      s.width = 11;
      s.height = 7;
      s.colourType = k.colour;
      s.bitDepth = k.depth;
      s.interlaced = interlaced;
      const std::uint32_t top = (1u << k.depth) - 1;
      s.sample = [top](std::uint32_t x, std::uint32_t y, int c) {
        return (x * 5 + y * 3 + static_cast<std::uint32_t>(c) * 7) % (top + 1);
      };
      if (k.colour == 3) {
        s.palette = testsupport::greyPalette(1 << k.depth);
        s.paletteAlpha = {0, 128};
      }
      save(dir, std::string(k.name) + (interlaced ? "_adam7" : "") + ".png",
           testsupport::pngFileBytes(s));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <bmp-seed-dir> <png-seed-dir>\n", argv[0]);
    return 2;
  }
  bmpSeeds(argv[1]);
  pngSeeds(argv[2]);
  return 0;
}
