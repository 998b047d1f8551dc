// What the image library and its platform stand-ins hold at one moment:
// device contexts, bitmaps and palettes, open stream handles and global
// memory blocks. Tests take one before a call and compare after it (having
// freed what the call handed them) to see that nothing was kept.
#pragma once

#include <cstddef>
#include <ostream>

#include "imaging/core/image_stream.h"
#include "platform/gdi.h"
#include "platform/global_memory.h"

namespace testsupport {

struct LiveResources {
  std::size_t gdiObjects = GdiLiveObjectCount();
  std::size_t streams = tessera::liveStreamCount();
  std::size_t globalBlocks = GlobalLiveBlockCount();

  bool operator==(const LiveResources&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const LiveResources& r) {
  return out << r.gdiObjects << " GDI objects, " << r.streams << " streams, " << r.globalBlocks
             << " global blocks";
}

}  // namespace testsupport
