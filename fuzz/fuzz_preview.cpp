// Fuzz target for the drawing header walk and preview extraction: each input
// becomes a drawing file (an in-memory file reached by path), then both
// operations run on it, extraction with a buffer of the reported size and
// once more with no room at all.
//   fuzz_preview_seeds <dir>; fuzz_preview <dir> -max_total_time=300

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/start_toolkit.h"
#include "toolkit/preview.h"

namespace {

// Lives as long as the process.
fuzzsupport::DrawingInMemory* gDrawing = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gDrawing = fuzzsupport::StartToolkitWithDrawing();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  gDrawing->Hold(data, size);
  const std::string& path = gDrawing->path();

  const std::uint32_t reported = PreviewImageSize(path.c_str());
  // A preview lies inside its file; a BMP gains its 14-byte file header.
  if (reported > size + 14) std::abort();
  std::vector<std::uint8_t> buffer(reported);
  std::uint32_t length = 0;
  if (ExtractPreviewImage(path.c_str(), buffer.data(), reported, &length) == 1 && length != reported) {
    std::abort();
  }
  std::uint8_t none = 0;
  if (ExtractPreviewImage(path.c_str(), &none, 0, &length) == 1) std::abort();
  return 0;
}
