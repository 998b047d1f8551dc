// DXF preview extraction does not grow with the file: a 200 MB text DXF
// whose preview section comes last (after 999 comment padding) against a
// 100 KB DXF with the same preview (256 x 109 at 8 bits, as in real files).
// Both are written into a scratch folder under $TMPDIR (or /tmp) at start
// and removed at exit; runs are warm-cache.
//   BM_DxfExtraction/0|1        DxfPreviewImageSize + ExtractDxfPreviewImage
//                               (0: 100 KB file, 1: 200 MB file)
//   BM_DxfThumbnailerProcess/0|1  one whole run of pictrove-thumbnailer -s 256
// The goal: the large file costs at most twice the small one.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/host/init_data_stream.h"
#include "bench/bench_support.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/dxf_builder.h"
#include "toolkit/dxf_preview.h"
#include "toolkit/startup.h"

namespace {

constexpr std::size_t kSmallPadding = 40 * 1000;
constexpr std::size_t kLargePadding = 200u * 1000 * 1000;

using benchsupport::Scratch;

const std::string& Drawing(std::int64_t large) {
  static const std::vector<std::string> paths = [] {
    testsupport::BmpLayout layout;
    layout.width = 256;
    layout.height = 109;
    layout.palette = testsupport::greyPalette(256);
    layout.pixels = testsupport::packRows(256, 109, 8, [](int x, int y) {
      return static_cast<std::uint32_t>(x % 29 == 0 || y % 17 == 0 ? 255 : 30);
    });
    const std::vector<std::uint8_t> dib = testsupport::dibBytes(layout);
    std::vector<std::string> made;
    for (const std::size_t padding : {kSmallPadding, kLargePadding}) {
      const std::string path = Scratch().file(padding == kSmallPadding ? "small.dxf" : "large.dxf");
      testsupport::DxfBuilder(testsupport::DxfKind::TextCrLf).preview(dib).commentPadding(padding).streamTo(path);
      made.push_back(path);
    }
    return made;
  }();
  return paths.at(static_cast<std::size_t>(large));
}

bool StartToolkit() {
  static const bool started = [] {
    InstallToolkitHooks();
    std::int16_t error = 0;
    return ToolkitStart(nullptr, &error) == 1;
  }();
  return started;
}

void BM_DxfExtraction(benchmark::State& state) {
  if (!StartToolkit()) {
    state.SkipWithError("toolkit start failed");
    return;
  }
  const std::string& path = Drawing(state.range(0));
  std::vector<std::uint8_t> buffer;
  for (auto _ : state) {
    const std::uint32_t size = DxfPreviewImageSize(path.c_str());
    buffer.resize(size);
    std::uint32_t length = 0;
    if (size == 0 || ExtractDxfPreviewImage(path.c_str(), buffer.data(), size, &length) != 1) {
      state.SkipWithError("no preview");
      return;
    }
    benchmark::DoNotOptimize(buffer.data());
  }
}
BENCHMARK(BM_DxfExtraction)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

#ifdef PICTROVE_THUMBNAILER
// One quiet run of the program; its wall time.
double RunThumbnailer(const std::string& input, const std::string& output) {
  return benchsupport::RunThumbnailerOnce(PICTROVE_THUMBNAILER, "256", input, output);
}

void BM_DxfThumbnailerProcess(benchmark::State& state) {
  const std::string& input = Drawing(state.range(0));
  const std::string output = Scratch().file("thumbnail.png");
  for (int i = 0; i < 5; ++i) RunThumbnailer(input, output);  // page cache and loader warmed
  for (auto _ : state) state.SetIterationTime(RunThumbnailer(input, output));
}
BENCHMARK(BM_DxfThumbnailerProcess)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif

}  // namespace

BENCHMARK_MAIN();
