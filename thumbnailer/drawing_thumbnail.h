// From a drawing file to its thumbnail's pixels.
#pragma once

#include <cstdint>
#include <string>

#include "app/core/drawing_picture.h"
#include "thumbnailer/thumbnail_picture.h"

namespace pictrove {

// Reads the preview of the drawing at `path` (see LoadDrawingPicture),
// decodes it (alpha composed over white) and scales it down to fit in
// size x size. Needs a started ToolkitSession. `thumbnail` is empty unless
// the result is Made; `readError`, when given, holds the system's reason
// for an Unreadable drawing.
PictureResult MakeDrawingThumbnail(const std::string& path, std::uint32_t size,
                                   ThumbnailPicture& thumbnail, int* readError = nullptr);

}  // namespace pictrove
