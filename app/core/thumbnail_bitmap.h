// An entry's thumbnail as a device bitmap in the screen's format: what the
// dialog paints and what saving captures back.
#pragma once

#include "app/core/drawing_picture.h"
#include "app/core/preview_entry.h"

namespace pictrove {

// Composes the 180 x 140 thumbnail of a decoded preview and attaches it to
// the entry's bitmap holder. True when the preview was decoded; the entry
// then also knows the preview's kind and size. False leaves the holder
// without a bitmap (the kind is still set when the first bytes named one),
// also when memory runs out. Throws nothing.
bool MakeThumbnailBitmap(const DrawingPicture& preview, PreviewEntry& entry);

}  // namespace pictrove
