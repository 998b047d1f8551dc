// From a drawing file to its thumbnail's pixels.
#pragma once

#include <cstdint>
#include <string>

#include "thumbnailer/thumbnail_picture.h"

namespace pictrove {

enum class ThumbnailResult {
  Made,         // the picture holds the thumbnail
  NoPreview,    // no usable preview: none, not a drawing, unreadable, cut short
  TooLarge,     // the preview's file image is larger than kMaxPreviewBytes
  Undecodable,  // the preview is neither a BMP nor a PNG picture the decoders take
  NoMemory,     // scaling ran out of memory
};

// The largest preview file image read: a 4096 x 4096 bitmap at 32 bits
// (the decoders' limit) and its headers with room to spare. Anything larger
// cannot decode, so it is not read into memory at all.
constexpr std::uint32_t kMaxPreviewBytes = 80u << 20;

// Reads the preview of the drawing at `path`, decodes it (alpha composed
// over white) and scales it down to fit in size x size. Needs a started
// ToolkitSession. `thumbnail` is empty unless the result is Made.
ThumbnailResult MakeDrawingThumbnail(const std::string& path, std::uint32_t size,
                                     ThumbnailPicture& thumbnail);

// A line of text for a result other than Made.
const char* ThumbnailResultText(ThumbnailResult result);

}  // namespace pictrove
