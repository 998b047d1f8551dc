// Fuzz target for the whole path from a drawing's bytes to its thumbnail in
// every output format: the drawing becomes a file (in memory, reached by
// path), its preview is read and decoded, the 180 x 140 thumbnail composed,
// and each of the five writers writes it into a memory sink.
//   fuzz_preview_seeds <dir>; fuzz_thumbnail_writers <dir> -max_total_time=1800

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/core/decode_preview.h"
#include "app/core/encoded_thumbnail.h"
#include "app/core/output_format.h"
#include "app/core/preview_image.h"
#include "app/core/thumbnail.h"
#include "app/core/toolkit_session.h"
#include "fuzz/drawing_in_memory.h"
#include "platform/gdi.h"

namespace {

// Lives as long as the process.
fuzzsupport::DrawingInMemory* gDrawing = nullptr;

// The first bytes each format's files start with.
bool StartsRight(int type, const std::vector<std::uint8_t>& file) {
  static const char* const kSignatures[pictrove::kOutputFormatCount] = {
      "BM", "\xFF\xD8", "\x0A", "\x89PNG", "II*"};
  const char* signature = kSignatures[type];
  const std::size_t length = std::strlen(signature);
  return file.size() > length && std::memcmp(file.data(), signature, length) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static pictrove::ToolkitSession toolkit;
  if (!toolkit.started()) {
    std::fprintf(stderr, "toolkit start failed: %d\n", toolkit.error());
    std::abort();
  }
  gDrawing = new fuzzsupport::DrawingInMemory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pictrove;
  gDrawing->Hold(data, size);
  const std::string& path = gDrawing->path();

  PreviewImage image;
  if (!ReadPreviewImage(path, image)) return 0;
  const RgbPicture picture = DecodePreview(image.data.get(), image.length);
  if (picture.empty()) return 0;
  auto canvas = std::make_unique<ThumbnailPixels>();
  ComposeThumbnail(picture, *canvas);
  for (int type = 0; type < kOutputFormatCount; ++type) {
    const EncodedThumbnail encoded = EncodeThumbnail(static_cast<OutputFormat>(type), canvas->data(), kThumbWidth, kThumbHeight);
    // A thumbnail in memory has nothing to fail on but memory.
    if (!encoded.ok || !StartsRight(type, encoded.bytes)) std::abort();
  }
  if (GdiLiveObjectCount() != 0) std::abort();
  return 0;
}
