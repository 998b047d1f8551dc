// The plugin's answer to the toolkit's critical errors.
//
// The thumbnailer program answers them as nobody is there to: the text on
// standard error, Cancel or OK, then the end of the process where the
// toolkit must not go on. The plugin lives inside KIO's thumbnail worker,
// which goes on to the next file, so it answers the same way (the same text
// on standard error, no box, no Retry) but, where the program would end,
// throws ToolkitGaveUp instead. MakePluginPicture catches it and the
// drawing gets no thumbnail; the worker and the toolkit carry on.
//
// A failed read of the drawing is given up without a throw (kGiveUpRead):
// the toolkit reads it as the end of the file, closes the drawing as usual,
// and the drawing gets no thumbnail.
#pragma once

#include <cstdint>

namespace pictrove::kio {

// Thrown from the toolkit's critical-error handler. Not a std::exception:
// raised where memory may be exhausted, so it carries no text.
struct ToolkitGaveUp {
  std::int16_t code;
};

}  // namespace pictrove::kio
