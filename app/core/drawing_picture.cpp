#include "app/core/drawing_picture.h"

#include "app/core/decode_preview.h"
#include "toolkit/bitmap_file_header.h"
#include "toolkit/preview_directory.h"

namespace pictrove {
namespace {

// Each thread reads its drawings into one buffer of its own.
PreviewImage& ThreadBuffer() {
  thread_local PreviewImage image;
  return image;
}

// The largest file image a DWG or DXF preview makes: a bitmap's data at its
// most, behind its file header.
constexpr std::uint32_t kLargestPreviewImage = kMaxPreviewBytes + kBitmapFileHeaderBytes;

}  // namespace

const char* PictureResultText(PictureResult result) {
  switch (result) {
    case PictureResult::Made: return "thumbnail made";
    case PictureResult::NoPreview: return "no usable preview picture in the drawing";
    case PictureResult::Undecodable: return "the preview picture cannot be decoded";
    case PictureResult::NoMemory: return "out of memory";
    case PictureResult::Unreadable: return "the drawing cannot be read";
  }
  return "unknown result";
}

const PreviewImage* ReadThreadPreview(const std::string& path, PreviewRead how,
                                      PictureResult* result, int* readError) {
  PictureResult ignored = PictureResult::NoPreview;
  PictureResult& why = result != nullptr ? *result : ignored;
  int ignoredError = 0;
  int& reason = readError != nullptr ? *readError : ignoredError;
  reason = 0;
  PreviewImage& image = ThreadBuffer();
  image.Trim(kKeptPreviewBytes);
  if (how == PreviewRead::OneRead && !image.Reserve(kLargestPreviewImage)) {
    why = PictureResult::NoMemory;
    return nullptr;
  }
  if (!ReadPreviewImage(path, image)) {
    reason = image.readError;
    why = reason != 0 ? PictureResult::Unreadable : PictureResult::NoPreview;
    return nullptr;
  }
  why = PictureResult::Made;
  return &image;
}

PreviewImage* ReadThreadPreviewInTurn(const std::string& path, Turn& turn, int& readError) {
  PreviewImage& image = ThreadBuffer();
  image.Trim(kKeptPreviewBytes);
  image.largest = kKeptPreviewBytes;
  bool read = ReadPreviewImage(path, image);
  if (!read && image.tooLarge) {
    turn.Take();
    image.largest = 0;
    read = ReadPreviewImage(path, image);
  }
  image.largest = 0;
  readError = image.readError;
  return read ? &image : nullptr;
}

DrawingPicture DecodeDrawingPicture(const std::uint8_t* data, std::uint32_t length) {
  DrawingPicture out;
  if (data == nullptr) return out;
  out.kind = PreviewKindOf(data, length);
  out.picture = DecodePreview(data, length);
  out.result = out.picture.empty() ? PictureResult::Undecodable : PictureResult::Made;
  return out;
}

DrawingPicture LoadDrawingPicture(const std::string& path, PreviewRead how) {
  DrawingPicture out;
  const PreviewImage* image = ReadThreadPreview(path, how, &out.result, &out.readError);
  if (image == nullptr) return out;
  out = DecodeDrawingPicture(image->data.get(), image->length);
  // A buffer measured for one drawing is let go of before the caller goes
  // on: its pages then serve what comes next (the thumbnailer's scaling).
  if (how == PreviewRead::OneRead) ThreadBuffer() = PreviewImage{};
  return out;
}

}  // namespace pictrove
