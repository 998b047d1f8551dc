#include "app/core/decode_preview.h"

#include "app/core/stream_handles.h"
#include "imaging/tessera.h"

namespace pictrove {

RgbPicture DecodePreview(const std::uint8_t* data, std::uint32_t length) {
  const PreviewKind kind = PreviewKindOf(data, length);
  if (kind == PreviewKind::Unknown) return {};
  const SourceHandle source(tsOpenMemorySource(data, length));
  if (source == nullptr) return {};
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t* pixels = kind == PreviewKind::Bmp
                            ? tsReadBMP(source.get(), &width, &height, 24, nullptr)
                            : tsReadPNG(source.get(), &width, &height);
  RgbPicture picture(pixels, width, height);
  if (width == 0 || height == 0) return {};
  return picture;
}

}  // namespace pictrove
