// Writing thumbnails as image files, beside their drawings or where the
// caller says.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "app/core/encoded_thumbnail.h"
#include "app/core/save_outcome.h"

namespace pictrove {

// The files one save of many previews (Save All, an export) has written:
// none of them is replaced by a later drawing's image in the same save, as
// happens when two drawings' names differ only in letter case (plan.dwg,
// plan.DWG) and map to one image file. Files that were there before are
// replaced as usual. Save files in the order the user expects the first of
// two such drawings to win.
class SaveBatch {
 public:
  // Writes `encoded` (null when the drawing has no picture) to `output`, for
  // the drawing at `drawingPath` in output format `type`, through a new
  // file renamed into place (see ReplaceFile): a link at `output` is
  // replaced, never written through, and a failed save leaves what was
  // there as it was. An output that is a folder, a FIFO, a device or the
  // drawing itself (through a link) is refused (CannotCreate), as is one
  // this batch wrote before (WouldReplace). Every failure carries the
  // system's reason when there is one; running out of memory is a failed
  // write (ENOMEM). Throws nothing.
  SaveOutcome Save(const std::string& output, const std::string& drawingPath, OutputFormat type,
                   const EncodedThumbnail* encoded);

 private:
  SaveOutcome Write(const std::string& output, const std::string& drawingPath, OutputFormat type,
                    const EncodedThumbnail* encoded);

  std::set<std::pair<dev_t, ino_t>> written_;
};

// One thumbnail saved beside its drawing: the drawing's path with the text
// after the last "." of its name replaced by `extension`, in output format
// `type`, from RGB pixels (null when there is no picture). Throws nothing.
SaveOutcome SaveThumbnail(const std::string& drawingPath, OutputFormat type, const std::string& extension,
                          const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height);

}  // namespace pictrove
