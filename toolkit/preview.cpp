#include "toolkit/preview.h"

#include <algorithm>
#include <cstring>

#include "toolkit/bitmap_file_header.h"
#include "toolkit/cached_file.h"
#include "toolkit/cached_file_direct.h"
#include "toolkit/context.h"
#include "toolkit/error_numbers.h"
#include "toolkit/host_functions.h"
#include "toolkit/preview_directory.h"

namespace {

constexpr std::size_t kTransferBytes = 8192;

std::uint32_t ImageBytes(const PreviewSource& source) {
  const auto dataBytes = static_cast<std::uint32_t>(source.size);
  return source.format == kPreviewBitmap ? dataBytes + kBitmapFileHeaderBytes : dataBytes;
}

PreviewSource FindPreview(CachedFile* file) {
  PreviewDirectory directory;
  ReadPreviewDirectory(file, &directory);
  const std::int64_t length = directory.fileLength >= 0 ? directory.fileLength : CachedFileOpenedLength(file);
  return ChoosePreview(directory, length);
}

// Moves the preview's data from the file into out, in pieces of at most
// kTransferBytes through `transfer`; a BMP gets its pixel-data offset from
// the first piece. False when the data is cut short.
bool CopyPreviewByBlocks(CachedFile* file, const PreviewSource& source, std::uint8_t* transfer,
                         std::uint8_t* out) {
  CachedFileSeek(file, source.start, 0);
  std::size_t written = source.format == kPreviewBitmap ? kBitmapFileHeaderBytes : 0;
  auto remaining = static_cast<std::size_t>(source.size);
  bool first = true;
  while (remaining > 0) {
    const std::size_t piece = std::min(remaining, kTransferBytes);
    if (CachedFileRead(transfer, 1, piece, file) < piece) return false;
    if (first && source.format == kPreviewBitmap) WritePixelDataOffset(out, PixelDataOffset(transfer, piece));
    first = false;
    std::memcpy(out + written, transfer, piece);
    written += piece;
    remaining -= piece;
  }
  return true;
}

// The same bytes in one request straight into out, so that a preview costs
// one round trip to the storage instead of one per cache block. The range
// lies inside the file as it was measured (ChoosePreview); a file that has
// shrunk since delivers fewer bytes and fails like a short block read.
bool CopyPreview(CachedFile* file, const PreviewSource& source, std::uint8_t* transfer, std::uint8_t* out) {
  const auto bytes = static_cast<std::size_t>(source.size);
  if (static_cast<std::int64_t>(source.start) + source.size > kCachedFileDirectLimit) {
    return CopyPreviewByBlocks(file, source, transfer, out);
  }
  std::uint8_t* data = out + (source.format == kPreviewBitmap ? kBitmapFileHeaderBytes : 0);
  if (CachedFileReadDirect(file, source.start, data, bytes) < bytes) return false;
  if (source.format == kPreviewBitmap) {
    WritePixelDataOffset(out, PixelDataOffset(data, std::min(bytes, kTransferBytes)));
  }
  return true;
}

}  // namespace

std::uint32_t PreviewImageSize(const char* path) {
  CachedFile* file = CachedFileOpen(path);
  if (file == nullptr) {
    SetErrorNumber(kErrCannotOpenFile);
    return 0;
  }
  const PreviewSource source = FindPreview(file);
  CachedFileClose(file);
  return source.format == kPreviewNone ? 0 : ImageBytes(source);
}

std::int16_t ExtractPreviewImage(const char* path, std::uint8_t* buffer, std::uint32_t capacity,
                                 std::uint32_t* length) {
  CachedFile* file = CachedFileOpen(path);
  if (file == nullptr) {
    SetErrorNumber(kErrCannotOpenFile);
    return 0;
  }
  const PreviewSource source = FindPreview(file);
  if (source.format == kPreviewNone) {
    SetErrorNumber(kErrNoPreview);
    CachedFileClose(file);
    return 0;
  }
  // The drawing may have changed since the caller sized its buffer.
  const std::uint32_t imageBytes = ImageBytes(source);
  if (buffer == nullptr || imageBytes > capacity) {
    SetErrorNumber(kErrBadImageData);
    CachedFileClose(file);
    return 0;
  }
  auto* transfer = static_cast<std::uint8_t*>(HostMemoryAllocate(kTransferBytes));
  if (transfer == nullptr) {
    SetErrorNumber(kErrNoTransferBuffer);
    CachedFileClose(file);
    if (gToolkitContext != nullptr && gToolkitContext->criticalErrorHandler != nullptr) {
      gToolkitContext->criticalErrorHandler(kCriticalFatal);
    }
    return 0;
  }
  if (source.format == kPreviewBitmap) WriteBitmapFileHeaderStart(buffer, static_cast<std::uint32_t>(source.size));
  const bool copied = CopyPreview(file, source, transfer, buffer);
  HostMemoryFree(transfer);
  CachedFileClose(file);
  if (!copied) {
    SetErrorNumber(kErrBadImageData);
    return 0;
  }
  SetErrorNumber(kErrNone);
  if (length != nullptr) *length = imageBytes;
  return 1;
}
