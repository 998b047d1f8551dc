// The thumbnailer's work in this process (read, decode, scale) on the
// largest-preview drawing at the size state.range(0): a benchmark of its
// own in bench_thumbnailer, and the KDE plugin's baseline in
// bench_kio_plugin.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

#include "app/core/toolkit_session.h"
#include "bench/bench_support.h"
#include "thumbnailer/drawing_thumbnail.h"

namespace benchsupport {

inline void MakeLargeThumbnails(benchmark::State& state) {
  const pictrove::ToolkitSession toolkit;
  if (!toolkit.started()) {
    state.SkipWithError("the toolkit did not start");
    return;
  }
  for (auto _ : state) {
    pictrove::ThumbnailPicture thumbnail;
    if (pictrove::MakeDrawingThumbnail(LargePreviewDrawing(), static_cast<std::uint32_t>(state.range(0)),
                                       thumbnail) != pictrove::PictureResult::Made)
      state.SkipWithError("no thumbnail");
    benchmark::DoNotOptimize(thumbnail.pixels());
  }
}

}  // namespace benchsupport
