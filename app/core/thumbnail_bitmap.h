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

// As MakeThumbnailBitmap, and for a screen `ratio` above 1 also the
// thumbnail made for the screen's pixels, by the same rules, held by the
// entry's m_screenBitmap (which is let go of at a ratio of 1). Without
// memory for it the entry shows the 180 x 140 thumbnail. Throws nothing.
bool MakeThumbnailBitmaps(const DrawingPicture& preview, PreviewEntry& entry, double ratio);

}  // namespace pictrove
