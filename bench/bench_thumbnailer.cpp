// pictrove-thumbnailer on the largest preview (r2010-large-preview.dwg,
// 672 x 448 at 8 bits, or a generated drawing of that shape when the shared
// folder is absent):
//   BM_ThumbnailerProcess/SIZE  one whole run of the program, process start
//                               and exit included, wall time per run
//   BM_MakeThumbnail/SIZE       read, decode and scale in this process
//   BM_WritePng/SIZE            the thumbnail's PNG file, written and renamed
// The goal for a run of the program at size 256 is 10 ms.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/core/toolkit_session.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/dwg_builder.h"
#include "tests/support/temp_dir.h"
#include "thumbnailer/drawing_thumbnail.h"
#include "thumbnailer/png_replace.h"

namespace {

const testsupport::TempDir& Scratch() {
  static const testsupport::TempDir scratch;
  return scratch;
}

// The drawing every benchmark uses.
const std::string& Drawing() {
  static const std::string path = [] {
    const std::string real = testsupport::realDrawingsDir();
    if (!real.empty()) return real + "/r2010-large-preview.dwg";
    testsupport::BmpLayout layout;
    layout.width = 672;
    layout.height = 448;
    layout.palette = testsupport::greyPalette(256);
    layout.pixels = testsupport::packRows(672, 448, 8, [](int x, int y) {
      return static_cast<std::uint32_t>(x % 37 == 0 || y % 23 == 0 ? 255 : 20);
    });
    return Scratch().write("large.dwg",
                           testsupport::dwgWithDib("AC1024", testsupport::dibBytes(layout)));
  }();
  return path;
}

// Runs the program once, quietly, with an empty environment; its wall time.
double RunOnce(const std::string& size, const std::string& output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::string program = PICTROVE_THUMBNAILER;
  std::string option = "-s";
  std::string sizeText = size;
  std::string input = Drawing();
  std::string target = output;
  char* argv[] = {program.data(), option.data(), sizeText.data(), input.data(), target.data(),
                  nullptr};
  char* envp[] = {nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp) != 0)
    throw std::runtime_error("cannot start " + program);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("the thumbnailer failed on " + input);
  return seconds;
}

void BM_ThumbnailerProcess(benchmark::State& state) {
  const std::string size = std::to_string(state.range(0));
  const std::string output = Scratch().file("process-" + size);
  for (int i = 0; i < 5; ++i) RunOnce(size, output);  // page cache and loader warmed
  for (auto _ : state) state.SetIterationTime(RunOnce(size, output));
}
BENCHMARK(BM_ThumbnailerProcess)->Arg(128)->Arg(256)->Arg(1024)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_MakeThumbnail(benchmark::State& state) {
  const pictrove::ToolkitSession toolkit;
  if (!toolkit.started()) {
    state.SkipWithError("the toolkit did not start");
    return;
  }
  for (auto _ : state) {
    pictrove::ThumbnailPicture thumbnail;
    if (pictrove::MakeDrawingThumbnail(Drawing(), static_cast<std::uint32_t>(state.range(0)),
                                       thumbnail) != pictrove::PictureResult::Made)
      state.SkipWithError("no thumbnail");
    benchmark::DoNotOptimize(thumbnail.pixels());
  }
}
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
