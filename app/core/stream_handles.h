// Image library streams owned by objects: a source or sink that is still
// open when its holder goes away is closed then.
#pragma once

#include <memory>

#include "imaging/tessera.h"

namespace pictrove {

struct SourceCloser {
  void operator()(ImageStream* source) const { tsCloseSource(source); }
};
struct SinkCloser {
  void operator()(ImageStream* sink) const { tsCloseSink(sink); }
};

using SourceHandle = std::unique_ptr<ImageStream, SourceCloser>;
// Close a sink with tsCloseSink(sink.release()) where its result matters:
// a sink that fails to close did not save its file.
using SinkHandle = std::unique_ptr<ImageStream, SinkCloser>;

}  // namespace pictrove
