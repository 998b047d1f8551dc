#include "app/core/preview_image.h"

#include <cstring>
#include <new>

#include "toolkit/preview.h"

namespace pictrove {
namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

}  // namespace

PreviewKind PreviewKindOf(const std::uint8_t* data, std::uint32_t length) {
  if (data == nullptr) return PreviewKind::Unknown;
  if (length >= 2 && data[0] == 'B' && data[1] == 'M') return PreviewKind::Bmp;
  if (length >= sizeof kPngSignature && std::memcmp(data, kPngSignature, sizeof kPngSignature) == 0)
    return PreviewKind::Png;
  return PreviewKind::Unknown;
}

bool ReadPreviewImage(const std::string& path, PreviewImage& image) {
  image = PreviewImage{};
  const std::uint32_t size = PreviewImageSize(path.c_str());
  if (size == 0) return false;
  std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[size]);
  if (buffer == nullptr) return false;
  std::uint32_t length = 0;
  // A drawing that changed or failed to read since it was measured is
  // skipped: its buffer holds nothing to decode.
  if (ExtractPreviewImage(path.c_str(), buffer.get(), size, &length) == 0 || length == 0 ||
      length > size)
    return false;
  image.data = std::move(buffer);
  image.length = length;
  image.kind = PreviewKindOf(image.data.get(), length);
  return true;
}

}  // namespace pictrove
