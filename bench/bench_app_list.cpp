// The command line over 2,000 and 10,000 drawings: copies of all the real
// drawings, those without a preview included (generated look-alikes when
// the shared folder is absent), page cache warmed by a first run.
//
// BM_ListFolder runs `pictrove --list FOLDER` and, in the same iteration,
// a plain pread reader of the same bytes (bench_pread_reader); it reports
// drawings/s over wall time (process start included), drawings per CPU
// second, the child's peak resident memory, the entries listed, and the
// listing's time as a multiple of the reader's. BM_ExportFolder runs
// `pictrove --export FOLDER --format PNG` and reports the same rates and
// peak memory.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/builders/bmp_builder.h"
#include "tools/builders/dwg_builder.h"
#include "tools/builders/png_builder.h"
#include "tests/support/temp_dir.h"

namespace {

struct RunResult {
  double wallSeconds = 0;
  double cpuSeconds = 0;
  long maxRssKb = 0;
  long listed = 0;  // lines the listing printed
};

long CountLines(const std::string& path) {
  long lines = 0;
  for (std::uint8_t byte : testsupport::readFile(path)) lines += byte == '\n';
  return lines;
}

// Runs a program once; its standard output goes to a scratch file and its
// lines are counted.
RunResult RunOnce(std::vector<std::string> arguments) {
  static const testsupport::TempDir scratch;
  const std::string listing = scratch.file("listing.txt");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, listing.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  // PICTROVE_THREADS passes through, so that runs can be pinned.
  std::string threads = std::string("PICTROVE_THREADS=") +
                        (std::getenv("PICTROVE_THREADS") ? std::getenv("PICTROVE_THREADS") : "");
  char* envp[] = {threads.data(), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp) != 0)
    throw std::runtime_error("cannot start " + arguments[0]);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage {};
  wait4(pid, &status, 0, &usage);
  RunResult result;
  result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                      static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  result.maxRssKb = usage.ru_maxrss;
  result.listed = CountLines(listing);
  return result;
}

std::vector<std::vector<std::uint8_t>> SourceDrawings() {
  std::vector<std::vector<std::uint8_t>> drawings;
  const std::string real = testsupport::realDrawingsDir();
  if (!real.empty()) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(real.c_str())) {
      while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dwg") == 0) names.push_back(name);
      }
      closedir(dir);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      drawings.push_back(testsupport::readFile(real + "/" + name));
    }
  }
  if (drawings.empty()) {
    testsupport::BmpLayout layout;
    layout.width = 216;
    layout.height = 140;
    layout.palette = testsupport::greyPalette(256);
    layout.pixels = testsupport::packRows(216, 140, 8, [](int x, int y) { return static_cast<std::uint32_t>((x + y) & 0xFF); });
    drawings.push_back(testsupport::dwgWithDib("AC1015", testsupport::dibBytes(layout)));
    testsupport::PngPicture png;
    png.width = 256;
    png.height = 102;
    png.sample = [](std::uint32_t x, std::uint32_t y, int c) { return (x * 3 + y * 5 + static_cast<std::uint32_t>(c) * 40) & 0xFF; };
    drawings.push_back(testsupport::dwgWithPng("AC1032", testsupport::pngFileBytes(png)));
  }
  return drawings;
}

// A folder of |count| drawings, made once per count (a negative count
// makes a second folder of that size).
const testsupport::TempDir& FolderOf(int key) {
  const int count = std::abs(key);
  static std::map<int, std::unique_ptr<testsupport::TempDir>> folders;
  auto& folder = folders[key];
  if (!folder) {
    static const auto sources = SourceDrawings();
    folder = std::make_unique<testsupport::TempDir>();
    for (int i = 0; i < count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "drawing-%05d.dwg", i);
      folder->write(name, sources[static_cast<std::size_t>(i) % sources.size()]);
    }
  }
  return *folder;
}

RunResult List(const std::string& folder) { return RunOnce({PICTROVE_PROGRAM, "--list", folder}); }

RunResult ReadPlainly(const std::string& folder) { return RunOnce({PICTROVE_PREAD_READER, folder}); }

RunResult Export(const std::string& folder) {
  return RunOnce({PICTROVE_PROGRAM, "--export", folder, "--format", "PNG"});
}

void BM_ListFolder(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string folder = FolderOf(count).path();
  List(folder);  // warm the page cache
  double cpu = 0;
  double reader = 0;
  double wall = 0;
  long rss = 0;
  long listed = 0;
  for (auto _ : state) {
    const RunResult run = List(folder);
    state.SetIterationTime(run.wallSeconds);
    wall += run.wallSeconds;
    reader += ReadPlainly(folder).wallSeconds;
    cpu += run.cpuSeconds;
    rss = std::max(rss, run.maxRssKb);
    listed = run.listed;
  }
  const double iterations = static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<std::int64_t>(count) * state.iterations());
  state.counters["drawings_per_cpu_s"] = count * iterations / cpu;
  state.counters["peak_rss_MB"] = static_cast<double>(rss) / 1024.0;
  state.counters["listed"] = static_cast<double>(listed);
  state.counters["x_pread_reader"] = wall / reader;
}
BENCHMARK(BM_ListFolder)->Arg(2000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ExportFolder(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  // A folder of its own: the images land beside the drawings.
  const std::string folder = FolderOf(-count).path();
  Export(folder);
  double cpu = 0;
  long rss = 0;
  long written = 0;
  for (auto _ : state) {
    const RunResult run = Export(folder);
    state.SetIterationTime(run.wallSeconds);
    cpu += run.cpuSeconds;
    rss = std::max(rss, run.maxRssKb);
    written = run.listed;
  }
  const double iterations = static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<std::int64_t>(count) * state.iterations());
  state.counters["drawings_per_cpu_s"] = count * iterations / cpu;
  state.counters["peak_rss_MB"] = static_cast<double>(rss) / 1024.0;
  state.counters["written"] = static_cast<double>(written);
}
BENCHMARK(BM_ExportFolder)->Arg(2000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
