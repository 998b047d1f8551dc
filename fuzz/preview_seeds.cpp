// Writes a seed corpus for fuzz_preview from the DWG builder: BMP and PNG
// previews of several versions, hostile directories and truncated files.
//   fuzz_preview_seeds <dir>
#include <array>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/seed_files.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/dwg_builder.h"

using testsupport::DwgBuilder;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_preview_seeds <dir>\n";
    return 2;
  }
  const std::string dir = argv[1];
  testsupport::BmpLayout bitfields;
  bitfields.bitCount = 16;
  bitfields.compression = 3;
  bitfields.masks = std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F};
  bitfields.pixels.assign(32, 0x11);
  const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  const std::vector<fuzzsupport::Seed> seeds = {
      {"bmp-r13", testsupport::dwgWithDib("AC1012", testsupport::dibOfSize(300, 0))},
      {"bmp-r2000-16", testsupport::dwgWithDib("AC1015", testsupport::dibOfSize(120, 16))},
      {"bmp-bitfields", testsupport::dwgWithDib("AC1018", testsupport::dibBytes(bitfields))},
      {"png-r2018", testsupport::dwgWithPng("AC1032", png)},
      {"both", DwgBuilder("AC1027").png(png).bmp(testsupport::dibOfSize(64, 2)).wmf({1, 2, 3}).bytes()},
      {"odd-codes", DwgBuilder("AC1021").codeOnly(9).codeOnly(-3).bmp(testsupport::dibOfSize(48, 0)).bytes()},
      {"raw-entries", DwgBuilder("AC1024").rawEntry(2, 40, 60).rawEntry(6, -1, 10).padTo(120).bytes()},
      {"no-entries", DwgBuilder("AC1015").bytes()},
      {"old", DwgBuilder("AC1009").bmp(testsupport::dibOfSize(48, 0)).bytes()},
      {"truncated", DwgBuilder("AC1014").headerEntry(20).bmp(testsupport::dibOfSize(200, 0)).truncateTo(150).bytes()},
  };
  return fuzzsupport::WriteSeedFiles(dir, seeds);
}
