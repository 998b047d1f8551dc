// Preview extraction over a folder of drawings, as a scan does it
// (PreviewImageSize, then ExtractPreviewImage into a buffer of that size),
// against a plain reader that opens each file once and reads the header, the
// directory and the preview bytes with pread.
//
// The drawings are the real ones of the shared folder, or generated ones
// when that folder is absent. Compare the two timings of one run.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/host/init_data_stream.h"
#include "tools/builders/bmp_builder.h"
#include "tools/builders/dwg_builder.h"
#include "tests/support/temp_dir.h"
#include "toolkit/preview.h"
#include "toolkit/startup.h"

namespace {

struct Folder {
  std::unique_ptr<testsupport::TempDir> generated;  // set when the drawings were made here
  std::vector<std::string> paths;
};

std::vector<std::string> drawingsIn(const std::string& dir) {
  std::vector<std::string> paths;
  if (DIR* folder = opendir(dir.c_str())) {
    while (const dirent* entry = readdir(folder)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dwg") == 0) paths.push_back(dir + "/" + name);
    }
    closedir(folder);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

// Eleven drawings shaped like the real ones: BMP previews of several sizes,
// two PNG previews, and three drawings without a preview.
Folder generatedFolder() {
  Folder folder;
  folder.generated = std::make_unique<testsupport::TempDir>();
  const testsupport::TempDir& dir = *folder.generated;
  auto write = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
    folder.paths.push_back(dir.write(name, bytes));
  };
  const std::vector<std::uint8_t> png(1500, 0x42);
  write("old.dwg", testsupport::DwgBuilder("AC1009").padTo(5000).bytes());
  write("r13.dwg", testsupport::dwgWithDib("AC1012", testsupport::dibOfSize(31304, 0)));
  write("r14.dwg", testsupport::dwgWithDib("AC1014", testsupport::dibOfSize(21944, 0)));
  write("r2000.dwg", testsupport::dwgWithDib("AC1015", testsupport::dibOfSize(16904, 0)));
  write("r2000-none.dwg", testsupport::DwgBuilder("AC1015").padTo(100000).bytes());
  write("r2004.dwg", testsupport::dwgWithDib("AC1018", testsupport::dibOfSize(31304, 0)));
  write("r2007.dwg", testsupport::dwgWithDib("AC1021", testsupport::dibOfSize(27176, 0)));
  write("r2010.dwg", testsupport::dwgWithDib("AC1024", testsupport::dibOfSize(302120, 0)));
  write("r2013.dwg", testsupport::dwgWithPng("AC1027", png));
  write("r2018.dwg", testsupport::dwgWithPng("AC1032", png));
  write("r2018-none.dwg", testsupport::DwgBuilder("AC1032").headerEntry().padTo(30000).bytes());
  return folder;
}

const Folder& drawings() {
  static const Folder folder = [] {
    const std::string real = testsupport::realDrawingsDir();
    if (!real.empty()) {
      Folder found;
      found.paths = drawingsIn(real);
      if (!found.paths.empty()) return found;
    }
    return generatedFolder();
  }();
  return folder;
}

void startToolkit() {
  static const bool started = [] {
    InstallToolkitHooks();
    std::int16_t error = 0;
    return ToolkitStart(nullptr, &error) == 1;
  }();
  if (!started) std::abort();
}

void BM_ToolkitSizeAndExtract(benchmark::State& state) {
  startToolkit();
  const Folder& folder = drawings();
  std::int64_t bytes = 0;
  for (auto _ : state) {
    for (const std::string& path : folder.paths) {
      const std::uint32_t size = PreviewImageSize(path.c_str());
      if (size == 0) continue;
      std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[size]);
      std::uint32_t length = 0;
      if (ExtractPreviewImage(path.c_str(), buffer.get(), size, &length) == 0) state.SkipWithError("extraction failed");
      benchmark::DoNotOptimize(buffer.get());
      bytes += length;
    }
  }
  state.SetBytesProcessed(bytes);
  state.counters["files"] = static_cast<double>(folder.paths.size());
}

std::int32_t readI32(const std::uint8_t* in) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
                                   (static_cast<std::uint32_t>(in[2]) << 16) |
                                   (static_cast<std::uint32_t>(in[3]) << 24));
}

// One open, three preads and a close per file: the least any reader must do.
std::uint32_t plainRead(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  std::uint32_t got = 0;
  std::uint8_t header[17];
  std::uint8_t directory[21 + 127 * 9];
  if (pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header) &&
      std::memcmp(header, "AC10", 4) == 0 && std::strncmp(reinterpret_cast<char*>(header), "AC1012", 6) >= 0) {
    const ssize_t dirBytes = pread(fd, directory, sizeof directory, readI32(header + 13));
    if (dirBytes >= 21) {
      const int count = directory[20] < 128 ? directory[20] : 0;
      std::int32_t start = -1;
      std::int32_t size = 0;
      bool bitmap = false;
      for (std::size_t at = 21, i = 0; i < static_cast<std::size_t>(count) && at + 9 <= static_cast<std::size_t>(dirBytes); ++i) {
        const int code = directory[at++];
        if (code != 1 && code != 2 && code != 3 && code != 6) continue;
        if (code == 2 || (code == 6 && !bitmap)) {
          start = readI32(directory + at);
          size = readI32(directory + at + 4);
          bitmap = code == 2;
        }
        at += 8;
      }
      if (start >= 0 && size > 0) {
        const std::size_t head = bitmap ? 14 : 0;
        std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[head + static_cast<std::size_t>(size)]);
        if (pread(fd, buffer.get() + head, static_cast<std::size_t>(size), start) == size) got = head + size;
        benchmark::DoNotOptimize(buffer.get());
      }
    }
  }
  close(fd);
  return got;
}

void BM_PlainPreadReader(benchmark::State& state) {
  const Folder& folder = drawings();
  std::int64_t bytes = 0;
  for (auto _ : state) {
    for (const std::string& path : folder.paths) bytes += plainRead(path);
  }
  state.SetBytesProcessed(bytes);
  state.counters["files"] = static_cast<double>(folder.paths.size());
}

}  // namespace

BENCHMARK(BM_ToolkitSizeAndExtract)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainPreadReader)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
