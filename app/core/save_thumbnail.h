// Writing a thumbnail beside its drawing in one of the five output formats.
#pragma once

#include <cstdint>
#include <string>

#include "app/core/save_outcome.h"

namespace pictrove {

// Writes the RGB pixels (width x height, null when there is no picture) to
// the drawing's path with its extension replaced by `extension`, with the
// writer of output index `type`. An output name that is a folder, a FIFO, a
// device or the drawing itself (through a link) is refused; an existing
// image file is replaced. The outcome carries the output path whenever
// `type` names a format.
SaveOutcome SaveThumbnail(const std::string& drawingPath, int type, const std::string& extension,
                          const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height);

}  // namespace pictrove
