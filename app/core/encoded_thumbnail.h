// A thumbnail encoded in one of the five output formats, in memory: the
// expensive part of a save, which can run on any thread, apart from writing
// the file, which must follow the order of the drawings.
#pragma once

#include <cstdint>
#include <vector>

#include "app/core/output_format.h"

namespace pictrove {

struct EncodedThumbnail {
  bool ok = false;
  std::vector<std::uint8_t> bytes;  // the whole image file when ok
  int systemError = 0;              // the system's reason for a failure, if any
};

// Runs the format's writer (with its fixed arguments) over the RGB pixels
// into memory. Not ok for null pixels or a writer that fails.
EncodedThumbnail EncodeThumbnail(OutputFormat format, const std::uint8_t* pixels, std::uint32_t width,
                                 std::uint32_t height);

}  // namespace pictrove
