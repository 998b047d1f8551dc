// One 180 x 140 thumbnail in each output format with the application's
// settings. BM_Save* do what a save does: open a file sink (creating or
// truncating the file), write, close. BM_Write* time the writer alone: one
// sink stays open and is rewound before each write, so the file is
// overwritten in place. Two pictures: a line drawing on the white canvas (the
// usual preview) and noise (the worst case for every coder).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/core/image_stream.h"
#include "imaging/tessera.h"

namespace {

constexpr std::uint32_t kWidth = 180;
constexpr std::uint32_t kHeight = 140;

struct Canvas {
  std::vector<std::uint8_t> rgb = std::vector<std::uint8_t>(kWidth * kHeight * 3, 255);
  void put(int x, int y, std::uint32_t colour) {
    if (x < 0 || y < 0 || x >= static_cast<int>(kWidth) || y >= static_cast<int>(kHeight)) return;
    std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * kWidth + x) * 3;
    p[0] = static_cast<std::uint8_t>(colour >> 16);
    p[1] = static_cast<std::uint8_t>(colour >> 8);
    p[2] = static_cast<std::uint8_t>(colour);
  }
  void line(int x0, int y0, int x1, int y1, std::uint32_t colour) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    for (int err = dx + dy;;) {
      put(x0, y0, colour);
      if (x0 == x1 && y0 == y1) break;
      const int e2 = 2 * err;
      if (e2 >= dy) { err += dy; x0 += sx; }
      if (e2 <= dx) { err += dx; y0 += sy; }
    }
  }
};

// A scaled drawing preview pasted on the white canvas: a dark plot area with
// coloured lines, a frame and some hatching.
std::vector<std::uint8_t> drawingThumbnail() {
  Canvas c;
  for (int y = 12; y < 128; ++y) {
    for (int x = 0; x < 180; ++x) c.put(x, y, 0x000000);
  }
  const std::uint32_t colours[] = {0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF, 0xFFFFFF, 0x808080};
  std::uint32_t seed = 7;
  for (int i = 0; i < 60; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const int x0 = static_cast<int>(seed >> 8) % 180, y0 = 12 + static_cast<int>(seed >> 16) % 116;
    seed = seed * 1664525u + 1013904223u;
    const int x1 = static_cast<int>(seed >> 8) % 180, y1 = 12 + static_cast<int>(seed >> 16) % 116;
    c.line(x0, y0, x1, y1, colours[i % 7]);
  }
  for (int x = 20; x < 160; x += 6) c.line(x, 30, x + 20, 50, 0x808080);
  c.line(4, 16, 175, 16, 0xFFFFFF);
  c.line(4, 123, 175, 123, 0xFFFFFF);
  return c.rgb;
}

std::vector<std::uint8_t> noiseThumbnail() {
  std::vector<std::uint8_t> rgb(kWidth * kHeight * 3);
  std::uint32_t seed = 11;
  for (auto& b : rgb) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(seed >> 24);
  }
  return rgb;
}

const std::vector<std::uint8_t>& picture(int which) {
  static const std::vector<std::uint8_t> drawing = drawingThumbnail();
  static const std::vector<std::uint8_t> noise = noiseThumbnail();
  return which == 0 ? drawing : noise;
}

// A scratch folder for the run; each benchmark removes its own file, and the
// folder goes when the program ends.
struct ScratchDir {
  std::string path;
  ScratchDir() {
    const char* base = std::getenv("TMPDIR");
    path = std::string(base != nullptr && *base ? base : "/tmp") + "/pictrove-bench-XXXXXX";
    if (mkdtemp(path.data()) == nullptr) path.clear();
  }
  ~ScratchDir() {
    if (!path.empty()) rmdir(path.c_str());
  }
};

std::string scratchFile(const char* name) {
  static const ScratchDir dir;
  return (dir.path.empty() ? std::string("/tmp") : dir.path) + "/" + name;
}

using WriteFn = std::uint32_t (*)(ImageStream*, const std::uint8_t*);

void saveLoop(benchmark::State& state, const char* name, WriteFn write) {
  const std::vector<std::uint8_t>& rgb = picture(static_cast<int>(state.range(0)));
  const std::string path = scratchFile(name);
  std::uint32_t size = 0;
  for (auto _ : state) {
    ImageStream* sink = tsOpenFileSink(path.c_str());
    if (sink == nullptr || write(sink, rgb.data()) == 0) {
      state.SkipWithError("write failed");
      if (sink != nullptr) tsCloseSink(sink);
      break;
    }
    size = tsCloseSink(sink);
  }
  state.counters["bytes"] = size;
  state.SetLabel(state.range(0) == 0 ? "drawing" : "noise");
  unlink(path.c_str());
}

void writeLoop(benchmark::State& state, const char* name, WriteFn write) {
  const std::vector<std::uint8_t>& rgb = picture(static_cast<int>(state.range(0)));
  const std::string path = scratchFile(name);
  ImageStream* sink = tsOpenFileSink(path.c_str());
  std::uint32_t size = 0;
  for (auto _ : state) {
    // Start each write on an empty file: libtiff places data at the end.
    state.PauseTiming();
    tessera::StreamRef(sink).streamRewind();
    if (ftruncate(fileno(sink->file), 0) != 0) state.SkipWithError("truncate failed");
    state.ResumeTiming();
    size = write(sink, rgb.data());
    if (size == 0) {
      state.SkipWithError("write failed");
      break;
    }
  }
  tsCloseSink(sink);
  state.counters["bytes"] = size;
  state.SetLabel(state.range(0) == 0 ? "drawing" : "noise");
  unlink(path.c_str());
}

std::uint32_t writeBmp(ImageStream* s, const std::uint8_t* p) {
  return tsWriteBMP(s, p, kWidth, kHeight, 24, 0, nullptr, 0);
}
std::uint32_t writePcx(ImageStream* s, const std::uint8_t* p) {
  return tsWritePCX(s, p, kWidth, kHeight, 24, nullptr);
}
std::uint32_t writePng(ImageStream* s, const std::uint8_t* p) {
  return tsWritePNG(s, p, kWidth, kHeight, kWidth * 3, 8, 0, nullptr, 2, 0.0, 0, nullptr);
}
std::uint32_t writeTiff(ImageStream* s, const std::uint8_t* p) {
  return tsWriteTIFF(s, p, kWidth, kHeight, 24, nullptr, 1, nullptr);
}
std::uint32_t writeJpg(ImageStream* s, const std::uint8_t* p) {
  return tsWriteJPG(s, p, kWidth, kHeight, 100, 1, 24, nullptr);
}

void BM_WriteBMP(benchmark::State& state) { writeLoop(state, "w.bmp", writeBmp); }
void BM_WritePCX(benchmark::State& state) { writeLoop(state, "w.pcx", writePcx); }
void BM_WritePNG(benchmark::State& state) { writeLoop(state, "w.png", writePng); }
void BM_WriteTIFF(benchmark::State& state) { writeLoop(state, "w.tif", writeTiff); }
void BM_WriteJPG(benchmark::State& state) { writeLoop(state, "w.jpg", writeJpg); }
void BM_SaveBMP(benchmark::State& state) { saveLoop(state, "s.bmp", writeBmp); }
void BM_SavePCX(benchmark::State& state) { saveLoop(state, "s.pcx", writePcx); }
void BM_SavePNG(benchmark::State& state) { saveLoop(state, "s.png", writePng); }
void BM_SaveTIFF(benchmark::State& state) { saveLoop(state, "s.tif", writeTiff); }
void BM_SaveJPG(benchmark::State& state) { saveLoop(state, "s.jpg", writeJpg); }

BENCHMARK(BM_WriteBMP)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WritePCX)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WritePNG)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteTIFF)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteJPG)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveBMP)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SavePCX)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SavePNG)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveTIFF)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveJPG)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
