// Fuzz target for the DXF preview reader: each input becomes a drawing file
// (an in-memory file reached by path); the content test, sizing and
// extraction run on it, extraction with a buffer of the reported size and
// once more with no room at all.
//   fuzz_dxf_preview_seeds <dir> [real.dxf...]; fuzz_dxf_preview <dir> -max_len=262144

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/start_toolkit.h"
#include "toolkit/dxf_preview.h"

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

  (void)IsDxfDrawing(path.c_str());
  const std::uint32_t reported = DxfPreviewImageSize(path.c_str());
  // Hex digits or binary chunks hold at most as many bytes as the file; the
  // image adds its 14-byte file header.
  if (reported > size + 14) std::abort();
  std::vector<std::uint8_t> buffer(reported);
  std::uint32_t length = 0;
  const std::int16_t extracted = ExtractDxfPreviewImage(path.c_str(), buffer.data(), reported, &length);
  if ((extracted == 1) != (reported > 0)) std::abort();
  if (extracted == 1 && (length != reported || buffer[0] != 'B' || buffer[1] != 'M')) std::abort();
  std::uint8_t none = 0;
  if (ExtractDxfPreviewImage(path.c_str(), &none, 0, &length) == 1) std::abort();
  return 0;
}
