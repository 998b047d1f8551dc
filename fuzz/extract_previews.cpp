// Writes the preview of each drawing named on the command line, as the
// toolkit hands it out (a BMP with its 14-byte file header, or a PNG), into
// the BMP or PNG seed folder of the decoder fuzz targets.
//   fuzz_extract_previews <bmp-dir> <png-dir> drawing.dwg...
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/host/init_data_stream.h"
#include "toolkit/preview.h"
#include "toolkit/startup.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s <bmp-dir> <png-dir> drawing.dwg...\n", argv[0]);
    return 2;
  }
  InstallToolkitHooks();
  std::int16_t error = 0;
  if (ToolkitStart(nullptr, &error) != 1) {
    std::fprintf(stderr, "toolkit start failed: %d\n", error);
    return 1;
  }
  int written = 0;
  for (int i = 3; i < argc; ++i) {
    const std::uint32_t size = PreviewImageSize(argv[i]);
    if (size == 0) continue;
    std::vector<std::uint8_t> image(size);
    std::uint32_t length = 0;
    if (ExtractPreviewImage(argv[i], image.data(), size, &length) != 1) continue;
    const bool bmp = length >= 2 && image[0] == 'B' && image[1] == 'M';
    std::string name = argv[i];
    name = name.substr(name.find_last_of('/') + 1);
    const std::string path = std::string(bmp ? argv[1] : argv[2]) + "/" + name + (bmp ? ".bmp" : ".png");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), length);
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      ToolkitStop();
      return 1;
    }
    ++written;
  }
  ToolkitStop();
  std::printf("%d previews written\n", written);
  return 0;
}
