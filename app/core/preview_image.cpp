#include "app/core/preview_image.h"

#include <cstring>
#include <new>

#include "toolkit/cached_file.h"
#include "toolkit/dxf_preview.h"
#include "toolkit/messages.h"
#include "toolkit/preview.h"

namespace pictrove {
namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Most previews are a few tens of kilobytes: this holds them all at once.
constexpr std::uint32_t kFirstCapacity = 64 * 1024;

// Takes the image that extraction reported, if its length makes sense.
bool Keep(PreviewImage& image, std::uint32_t length) {
  if (length == 0 || length > image.capacity) return false;
  image.length = length;
  image.kind = PreviewKindOf(image.data.get(), length);
  return true;
}

// A DXF by its name, or by its content when the name says nothing.
bool IsDxf(const std::string& path) {
  const std::size_t n = path.size();
  const auto lower = [&](std::size_t i) { return static_cast<char>(path[i] | 0x20); };
  return (n >= 4 && path[n - 4] == '.' && lower(n - 3) == 'd' && lower(n - 2) == 'x' && lower(n - 1) == 'f') ||
         IsDxfDrawing(path.c_str()) == 1;
}

// Most drawings are DWG files: the DWG reader is asked first, and only a
// file it does not take, and could read, is looked at as a DXF. A DWG is
// then opened no more often than DWG reading itself needs.
bool WorthTryingAsDxf(const std::string& path) { return CachedFileReadError() == 0 && IsDxf(path); }

}  // namespace

PreviewKind PreviewKindOf(const std::uint8_t* data, std::uint32_t length) {
  if (data == nullptr) return PreviewKind::Unknown;
  if (length >= 2 && data[0] == 'B' && data[1] == 'M') return PreviewKind::Bmp;
  if (length >= sizeof kPngSignature && std::memcmp(data, kPngSignature, sizeof kPngSignature) == 0)
    return PreviewKind::Png;
  return PreviewKind::Unknown;
}

void PreviewImage::Trim(std::uint32_t keep) {
  if (capacity <= keep) return;
  data.reset();
  capacity = 0;
  length = 0;
}

bool PreviewImage::Reserve(std::uint32_t bytes) {
  if (capacity >= bytes) return true;
  data.reset(new (std::nothrow) std::uint8_t[bytes]);
  capacity = data ? bytes : 0;
  length = 0;
  return data != nullptr;
}

std::uint32_t PreviewImageSizeOf(const std::string& path) {
  const std::uint32_t size = PreviewImageSize(path.c_str());
  if (size != 0 || !WorthTryingAsDxf(path)) return size;
  return DxfPreviewImageSize(path.c_str());
}

namespace {

using ExtractFunction = std::int16_t (*)(const char*, std::uint8_t*, std::uint32_t, std::uint32_t*);
using MeasureFunction = std::uint32_t (*)(const char*);

// Reads with one format's pair of functions (DXF and DWG extraction share
// their conventions).
bool ReadWith(const std::string& path, PreviewImage& image, ExtractFunction extract, MeasureFunction measure) {
  image.length = 0;
  image.kind = PreviewKind::Unknown;
  if (image.capacity == 0) {
    image.data.reset(new (std::nothrow) std::uint8_t[kFirstCapacity]);
    image.capacity = image.data ? kFirstCapacity : 0;
  }
  std::uint32_t length = 0;
  if (image.capacity > 0) {
    if (extract(path.c_str(), image.data.get(), image.capacity, &length) != 0) {
      return Keep(image, length);
    }
    // No preview, or no file: nothing more to learn. A preview that did not
    // fit is measured and read again below.
    if (ThreadErrorNumber() != kErrBadImageData) return false;
  }
  const std::uint32_t size = measure(path.c_str());
  // A preview that fitted and still failed was cut short.
  if (size == 0 || size <= image.capacity) return false;
  if (image.largest != 0 && size > image.largest) {
    image.tooLarge = true;
    return false;
  }
  image.data.reset(new (std::nothrow) std::uint8_t[size]);
  image.capacity = image.data ? size : 0;
  if (image.capacity == 0) return false;
  // A drawing that changed or failed to read since it was measured is
  // skipped: its buffer holds nothing to decode.
  if (extract(path.c_str(), image.data.get(), size, &length) == 0) return false;
  return Keep(image, length);
}

bool ReadPreviewBytes(const std::string& path, PreviewImage& image) {
  if (ReadWith(path, image, ExtractPreviewImage, PreviewImageSize)) return true;
  if (image.tooLarge || !WorthTryingAsDxf(path)) return false;
  return ReadWith(path, image, ExtractDxfPreviewImage, DxfPreviewImageSize);
}

}  // namespace

bool ReadPreviewImage(const std::string& path, PreviewImage& image) {
  // Only this read's failures count: the reason is kept per thread.
  CachedFileClearReadError();
  image.tooLarge = false;
  // A preview with a block that could not be read is not the drawing's
  // preview, even where the extraction came through.
  const bool read = ReadPreviewBytes(path, image) && CachedFileReadError() == 0;
  image.readError = read ? 0 : CachedFileReadError();
  if (!read) image.length = 0;
  return read;
}

}  // namespace pictrove
