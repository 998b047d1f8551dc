// The thumbnail of a drawing preview, step by step as the application builds
// it, from the 8-bit previews of two real drawings (256 x 102 and 672 x 448;
// synthetic ones of the same size when the drawings are absent), and the
// capture of the finished thumbnail back to RGB.
//
//   bench_thumbnail --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/tessera.h"
#include "platform/gdi.h"
#include "platform/global_memory.h"
#include "app/host/init_data_stream.h"
#include "tools/builders/bmp_builder.h"
#include "tests/support/temp_dir.h"
#include "toolkit/preview.h"
#include "toolkit/startup.h"

namespace {

constexpr std::uint32_t kThumbW = 180;
constexpr std::uint32_t kThumbH = 140;

// An 8-bit preview with a 256-entry table: a white sheet with a frame,
// diagonals and hatched boxes. Stands in when the real drawings are absent.
std::vector<std::uint8_t> syntheticPreview(int w, int h) {
  testsupport::BmpLayout s;
  s.width = w;
  s.height = h;
  s.bitCount = 8;
  for (std::uint32_t i = 0; i < 256; ++i) s.palette.push_back(i == 0 ? 0xFFFFFF : (i * 0x3B9ACAu) & 0xFFFFFF);
  s.pixels = testsupport::packRows(w, h, 8, [w, h](int x, int y) -> std::uint32_t {
    if (x == 0 || y == 0 || x == w - 1 || y == h - 1) return 1;
    if (x * h / w == y || (w - 1 - x) * h / w == y) return 2;
    if ((x / 16 + y / 16) % 5 == 0 && (x + y) % 4 == 0) return 3 + (x * y) % 200;
    return 0;
  });
  return testsupport::bmpFileBytes(s);
}

// The preview the toolkit hands out for a real drawing, empty when the
// drawing or its preview is not there.
std::vector<std::uint8_t> realPreview(const char* name) {
  const std::string dir = testsupport::realDrawingsDir();
  if (dir.empty()) return {};
  static bool started = [] {
    InstallToolkitHooks();
    std::int16_t error = 0;
    return ToolkitStart(nullptr, &error) == 1;
  }();
  if (!started) return {};
  const std::string path = dir + "/" + name;
  const std::uint32_t size = PreviewImageSize(path.c_str());
  std::vector<std::uint8_t> file(size);
  std::uint32_t length = 0;
  if (size == 0 || ExtractPreviewImage(path.c_str(), file.data(), size, &length) != 1) return {};
  file.resize(length);
  return file;
}

std::vector<std::uint8_t> previewOr(const char* drawing, int w, int h) {
  std::vector<std::uint8_t> file = realPreview(drawing);
  if (file.empty()) {
    std::fprintf(stderr, "%s: no real preview, using a synthetic %d x %d one\n", drawing, w, h);
    return syntheticPreview(w, h);
  }
  return file;
}

// 0: the 256 x 102 preview of r2007-line.dwg; 1: the 672 x 448 one of
// r2010-large-preview.dwg.
const std::vector<std::uint8_t>& preview(int which) {
  static const std::vector<std::uint8_t> small = previewOr("r2007-line.dwg", 256, 102);
  static const std::vector<std::uint8_t> large = previewOr("r2010-large-preview.dwg", 672, 448);
  return which == 0 ? small : large;
}

struct Canvas {
  std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(kThumbW * kThumbH * 3);
};

// Decode, resize, white fill and centred overlay; returns false on failure.
bool compose(const std::vector<std::uint8_t>& file, Canvas& canvas) {
  ImageStream* source = tsOpenMemorySource(file.data(), static_cast<std::uint32_t>(file.size()));
  std::uint32_t w = 0;
  std::uint32_t h = 0;
  std::uint8_t* pixels = tsReadBMP(source, &w, &h, 24, nullptr);
  tsCloseSource(source);
  if (pixels == nullptr) return false;
  const double s = w > h ? 180.0 / w : 140.0 / h;
  const auto sw = static_cast<std::uint32_t>(w * s);
  const auto sh = static_cast<std::uint32_t>(h * s);
  std::vector<std::uint8_t> scaled(std::size_t{sw} * sh * 3);
  tsResizeImage(pixels, w, h, scaled.data(), sw, sh, 3);
  tsFillRect(canvas.pixels.data(), kThumbW, kThumbH, 0, 0, kThumbW, kThumbH, 0xFFFFFF);
  tsOverlayImage(canvas.pixels.data(), kThumbW, kThumbH, scaled.data(), sw, sh,
                 90 - static_cast<std::int32_t>(sw / 2), 70 - static_cast<std::int32_t>(sh / 2), 1.0, 1);
  GlobalFree(pixels);
  return true;
}

void BM_DecodeResizeCompose(benchmark::State& state, int which) {
  const auto& file = preview(which);
  Canvas canvas;
  for (auto _ : state) {
    if (!compose(file, canvas)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(canvas.pixels.data());
  }
}
BENCHMARK_CAPTURE(BM_DecodeResizeCompose, 256x102, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DecodeResizeCompose, 672x448, 1)->Unit(benchmark::kMicrosecond);

void BM_DecodeOnly(benchmark::State& state, int which) {
  const auto& file = preview(which);
  for (auto _ : state) {
    ImageStream* source = tsOpenMemorySource(file.data(), static_cast<std::uint32_t>(file.size()));
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    std::uint8_t* pixels = tsReadBMP(source, &w, &h, 24, nullptr);
    tsCloseSource(source);
    benchmark::DoNotOptimize(pixels);
    GlobalFree(pixels);
  }
}
BENCHMARK_CAPTURE(BM_DecodeOnly, 256x102, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_DecodeOnly, 672x448, 1)->Unit(benchmark::kMicrosecond);

void BM_WholeThumbnail(benchmark::State& state, int which) {
  const auto& file = preview(which);
  Canvas canvas;
  for (auto _ : state) {
    if (!compose(file, canvas)) state.SkipWithError("decode failed");
    HBITMAP bitmap = tsMakeDisplayBitmap(canvas.pixels.data(), kThumbW, kThumbH, nullptr, nullptr);
    benchmark::DoNotOptimize(bitmap);
    DeleteObject(bitmap);
  }
}
BENCHMARK_CAPTURE(BM_WholeThumbnail, 256x102, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_WholeThumbnail, 672x448, 1)->Unit(benchmark::kMicrosecond);

void BM_CaptureThumbnail(benchmark::State& state) {
  Canvas canvas;
  compose(preview(0), canvas);
  HBITMAP bitmap = tsMakeDisplayBitmap(canvas.pixels.data(), kThumbW, kThumbH, nullptr, nullptr);
  HDC dc = GetDC(nullptr);
  for (auto _ : state) {
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    std::uint8_t* pixels = tsCaptureBitmap(bitmap, &w, &h, dc, nullptr);
    if (pixels == nullptr) state.SkipWithError("capture failed");
    benchmark::DoNotOptimize(pixels);
    GlobalFree(pixels);
  }
  ReleaseDC(nullptr, dc);
  DeleteObject(bitmap);
}
BENCHMARK(BM_CaptureThumbnail)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
