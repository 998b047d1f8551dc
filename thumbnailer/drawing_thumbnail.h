// From a drawing file to its thumbnail's pixels.
#pragma once

#include <cstdint>
#include <string>

#include "thumbnailer/thumbnail_picture.h"

namespace pictrove {

enum class ThumbnailResult {
  Made,         // the picture holds the thumbnail
  NoPreview,    // no usable preview: none, not a drawing, unreadable, cut short
  Undecodable,  // the preview is neither a BMP nor a PNG picture the decoders take
  NoMemory,     // reading or scaling ran out of memory
  Unreadable,   // reading the drawing failed (see readError)
};

// Reads the preview of the drawing at `path`, decodes it (alpha composed
// over white) and scales it down to fit in size x size. Needs a started
// ToolkitSession. `thumbnail` is empty unless the result is Made.
ThumbnailResult MakeDrawingThumbnail(const std::string& path, std::uint32_t size,
                                     ThumbnailPicture& thumbnail, int* readError = nullptr);

// A line of text for a result other than Made.
const char* ThumbnailResultText(ThumbnailResult result);

}  // namespace pictrove
