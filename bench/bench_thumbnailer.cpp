// pictrove-thumbnailer on the largest preview (r2010-large-preview.dwg,
// 672 x 448 at 8 bits, or a generated drawing of that shape when the shared
// folder is absent):
//   BM_ThumbnailerProcess/SIZE  one whole run of the program, process start
//                               and exit included, wall time per run
//   BM_MakeThumbnail/SIZE       read, decode and scale in this process
//   BM_WritePng/SIZE            the thumbnail's PNG file, written and renamed
// The goal for a run of the program at size 256 is 10 ms.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/core/toolkit_session.h"
#include "bench/bench_support.h"
#include "bench/make_thumbnail_bench.h"
#include "thumbnailer/drawing_thumbnail.h"
#include "thumbnailer/png_replace.h"

namespace {

using benchsupport::Scratch;

const std::string& Drawing() { return benchsupport::LargePreviewDrawing(); }

// One quiet run of the program at SIZE; its wall time.
double RunOnce(const std::string& size, const std::string& output) {
  return benchsupport::RunThumbnailerOnce(PICTROVE_THUMBNAILER, size, Drawing(), output);
}

void BM_ThumbnailerProcess(benchmark::State& state) {
  const std::string size = std::to_string(state.range(0));
  const std::string output = Scratch().file("process-" + size);
  for (int i = 0; i < 5; ++i) RunOnce(size, output);  // page cache and loader warmed
  for (auto _ : state) state.SetIterationTime(RunOnce(size, output));
}
BENCHMARK(BM_ThumbnailerProcess)->Arg(128)->Arg(256)->Arg(1024)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_MakeThumbnail(benchmark::State& state) { benchsupport::MakeLargeThumbnails(state); }
BENCHMARK(BM_MakeThumbnail)->Arg(128)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

void BM_WritePng(benchmark::State& state) {
  pictrove::ThumbnailPicture thumbnail;
  {
    const pictrove::ToolkitSession toolkit;
    if (!toolkit.started() ||
        pictrove::MakeDrawingThumbnail(Drawing(), static_cast<std::uint32_t>(state.range(0)),
                                       thumbnail) != pictrove::PictureResult::Made) {
      state.SkipWithError("no thumbnail");
      return;
    }
  }
  const std::string output = Scratch().file("written.png");
  for (auto _ : state) {
    if (pictrove::WritePngReplacing(output, thumbnail) != pictrove::PngWriteResult::Written)
      state.SkipWithError("not written");
  }
}
BENCHMARK(BM_WritePng)->Arg(128)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
