// The start of the toolkit-level fuzz targets: the toolkit started from its
// embedded init data, and the in-memory file each input becomes. Aborts
// when the toolkit does not start.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "app/host/init_data_stream.h"
#include "fuzz/drawing_in_memory.h"
#include "toolkit/startup.h"

namespace fuzzsupport {

// Lives as long as the process.
inline DrawingInMemory* StartToolkitWithDrawing() {
  InstallToolkitHooks();
  std::int16_t error = 0;
  if (ToolkitStart(nullptr, &error) != 1) {
    std::fprintf(stderr, "toolkit start failed: %d\n", error);
    std::abort();
  }
  return new DrawingInMemory();
}

}  // namespace fuzzsupport
