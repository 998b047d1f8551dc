// From a drawing file to its decoded preview picture: the one way every
// front end (the dialog's scan, the command line, the thumbnailer) takes.
// What each does with the picture afterwards is its own.
#pragma once

#include <cstdint>
#include <string>

#include "app/core/preview_image.h"
#include "app/core/read_turns.h"
#include "app/core/rgb_picture.h"

namespace pictrove {

// How a drawing's preview fared on its way to a picture.
enum class PictureResult {
  Made,         // the picture holds the decoded preview
  NoPreview,    // no usable preview: none, not a drawing, unreadable, cut short
  Undecodable,  // the preview is neither a BMP nor a PNG picture the decoders take
  NoMemory,     // reading or scaling ran out of memory
  Unreadable,   // reading the drawing failed (a bad sector, a dropped share)
};

// A line of text for a result other than Made.
const char* PictureResultText(PictureResult result);

// How the preview's bytes are read.
enum class PreviewRead {
  // Many drawings one after another: the thread's buffer is kept from one
  // drawing to the next (up to kKeptPreviewBytes), and only a preview
  // larger than it is measured.
  Reuse,
  // One drawing: the drawing is opened once and its preview read in one go
  // into a buffer with room for the largest preview the toolkit hands out
  // (only the pages the preview fills are touched), which is let go of once
  // the picture is decoded. On a share, measuring first cost a second open
  // and its round trips.
  OneRead,
};

// Reads the preview of the drawing at `path` into the calling thread's
// buffer, which stays valid until the thread's next call here. Null, with
// `result` (when given) set to why, when the drawing has no usable preview,
// cannot be read (then `readError`, when given, holds the system's reason)
// or the buffer cannot be had. Needs a started toolkit; any thread may call.
const PreviewImage* ReadThreadPreview(const std::string& path, PreviewRead how,
                                      PictureResult* result = nullptr, int* readError = nullptr);

// ReadThreadPreview's Reuse for runs that read many drawings at once (see
// Turns): a preview larger than kKeptPreviewBytes is read only once `turn`
// is taken, and the turn is then kept for the rest of the item, so that a
// reader waiting for a turn holds no more than kKeptPreviewBytes. The
// caller lets go of a large buffer with Trim(kKeptPreviewBytes) once it is
// done with it. Null, with `readError` set to the system's reason when the
// drawing could not be read, when it has no usable preview.
PreviewImage* ReadThreadPreviewInTurn(const std::string& path, Turn& turn, int& readError);

// A drawing's preview as a picture: what the file image's first bytes said
// it is (also when it did not decode) and its pixels.
struct DrawingPicture {
  PictureResult result = PictureResult::NoPreview;
  PreviewKind kind = PreviewKind::Unknown;
  RgbPicture picture;  // empty unless result is Made
  int readError = 0;   // the system's reason when the result is Unreadable

  // The drawing has a preview (whether it decoded or not).
  bool listed() const {
    return result == PictureResult::Made || result == PictureResult::Undecodable;
  }
};

// Decodes a preview's file image (see DecodePreview).
DrawingPicture DecodeDrawingPicture(const std::uint8_t* data, std::uint32_t length);

// ReadThreadPreview, then DecodeDrawingPicture. Throws nothing.
DrawingPicture LoadDrawingPicture(const std::string& path, PreviewRead how = PreviewRead::Reuse);

}  // namespace pictrove
