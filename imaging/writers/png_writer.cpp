// tsWritePNG: PNG files through libpng. The caller's rows go to libpng as they
// are, so the caller picks colour type and bit depth; the writer adds the
// palette, background, physical size, time and gamma chunks. libpng errors,
// a failed write among them, come back to the single unwind point in
// encodeImage and end the call with TSERR_WRITE.
#include <png.h>

#include <csetjmp>
#include <ctime>

#include "imaging/core/entry_frame.h"
#include "imaging/core/sizes.h"
#include "imaging/writers/writer_support.h"

namespace tessera {
namespace {

constexpr int kAlphaBit = 4;  // colour types 4 and 6 carry an alpha channel

// Everything one call needs, trivially destructible: the jump back to the
// unwind point skips no destructor, and cleanup finds the libpng structures
// and the row table here whichever way the call ends.
struct PngWriteState {
  std::int32_t error;
  ResolutionInfo resolution;
  ImageStream* sink;
  const std::uint8_t* pixels;
  std::uint32_t width;
  std::uint32_t height;
  std::uint32_t rowBytes;
  int bitDepth;
  int colourType;
  int interlaceType;
  double gamma;
  const std::uint8_t* palette;  // null when no PLTE chunk is asked for
  std::uint32_t paletteCount;
  png_structp png;
  png_infop info;
  png_bytep* rows;
  png_color pngPalette[256];
};

[[noreturn]] void onPngError(png_structp png, png_const_charp message) {
  traceDiagnostic("libpng error: %s\n", message);
  png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp message) {
  traceDiagnostic("libpng warning: %s\n", message);
}

void writeToSink(png_structp png, png_bytep data, png_size_t length) {
  StreamRef sink(static_cast<ImageStream*>(png_get_io_ptr(png)));
  if (!sink.streamWriteBytes(data, length)) png_error(png, "Write error");
}

// The sink is flushed once, when the writer takes its size at the end.
void flushSink(png_structp) {}

void destroyStructures(PngWriteState* st) {
  png_destroy_write_struct(&st->png, &st->info);
  GlobalFree(st->rows);
  st->rows = nullptr;
}

// Drives libpng from creation to destruction; the result is in st->error.
// This function holds the PNG writer's only unwind point.
void encodeImage(PngWriteState* st) {
  st->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onPngError, onPngWarning);
  if (st->png == nullptr) {
    st->error = TSERR_PNG_CREATE;
    return;
  }
  st->info = png_create_info_struct(st->png);
  if (st->info == nullptr) {
    png_destroy_write_struct(&st->png, nullptr);
    st->error = TSERR_PNG_CREATE;
    return;
  }
  if (setjmp(png_jmpbuf(st->png)) != 0) {
    destroyStructures(st);
    st->error = TSERR_WRITE;
    return;
  }
  png_set_write_fn(st->png, st->sink, writeToSink, flushSink);
  png_set_IHDR(st->png, st->info, st->width, st->height, st->bitDepth, st->colourType,
               st->interlaceType, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (st->palette != nullptr) {
    // Caller entries are blue, green, red, reserved.
    for (std::uint32_t i = 0; i < st->paletteCount; ++i) {
      st->pngPalette[i].red = st->palette[i * 4 + 2];
      st->pngPalette[i].green = st->palette[i * 4 + 1];
      st->pngPalette[i].blue = st->palette[i * 4 + 0];
    }
    png_set_PLTE(st->png, st->info, st->pngPalette, static_cast<int>(st->paletteCount));
  }

  const std::time_t now = writerNow();
  std::tm utc{};
  png_time stamp{};
  if (gmtime_r(&now, &utc) != nullptr) {
    png_convert_from_struct_tm(&stamp, &utc);
    png_set_tIME(st->png, st->info, &stamp);
  }
  if ((st->colourType & kAlphaBit) != 0) {
    png_color_16 background{};  // black, index 0
    png_set_bKGD(st->png, st->info, &background);
  }
  png_set_pHYs(st->png, st->info, static_cast<png_uint_32>(st->resolution.xResolution),
               static_cast<png_uint_32>(st->resolution.yResolution), st->resolution.unit);
  if (st->gamma > 0.0) png_set_gAMA(st->png, st->info, st->gamma);
  png_write_info(st->png, st->info);

  const auto tableBytes = mulSizes(st->height, sizeof(png_bytep));
  st->rows = (tableBytes && *tableBytes <= kGlobalMaxBlock)
                 ? static_cast<png_bytep*>(GlobalAlloc(GPTR, static_cast<std::size_t>(*tableBytes)))
                 : nullptr;
  if (st->rows == nullptr) {
    destroyStructures(st);
    st->error = TSERR_MEMORY;
    return;
  }
  for (std::uint32_t y = 0; y < st->height; ++y) {
    // libpng takes non-const rows but only reads them.
    st->rows[y] = const_cast<png_bytep>(st->pixels + std::size_t{y} * st->rowBytes);
  }
  const int passes = png_set_interlace_handling(st->png);
  const png_uint_32 height = png_get_image_height(st->png, st->info);
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) png_write_row(st->png, st->rows[y]);
  }
  png_write_end(st->png, st->info);
  destroyStructures(st);
  st->error = TSERR_NONE;
}

// Bytes one row needs for a valid colour type and depth; 0 when libpng will
// refuse the combination anyway.
std::uint64_t neededRowBytes(std::uint32_t width, int bitDepth, int colourType) {
  int channels = 0;
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY: channels = 1; break;
    case PNG_COLOR_TYPE_RGB: channels = 3; break;
    case PNG_COLOR_TYPE_PALETTE: channels = 1; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: channels = 2; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: channels = 4; break;
    default: return 0;
  }
  if (bitDepth != 1 && bitDepth != 2 && bitDepth != 4 && bitDepth != 8 && bitDepth != 16) return 0;
  return (std::uint64_t{width} * static_cast<std::uint64_t>(channels * bitDepth) + 7) / 8;
}

}  // namespace
}  // namespace tessera

std::uint32_t tsWritePNG(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                         std::uint32_t height, std::uint32_t rowBytes, int bitDepth,
                         std::uint32_t paletteCount, const std::uint8_t* palette, int colourType,
                         double gamma, int interlaceType, const ResolutionInfo* resolution) {
  using namespace tessera;
  return runStreamEntryPoint(
      sink, std::uint32_t{0}, [&](OperationContext& ctx, StreamRef& stream) -> std::uint32_t {
        const bool wantsPalette = paletteCount >= 1 && paletteCount <= 256;
        if (pixels == nullptr || (wantsPalette && palette == nullptr)) {
          return ctx.fail(TSERR_BAD_PARAM);
        }
        // Rows shorter than their pixels would make libpng read past each row.
        if (rowBytes < neededRowBytes(width, bitDepth, colourType)) {
          return ctx.fail(TSERR_BAD_PARAM);
        }
        auto* st = static_cast<PngWriteState*>(GlobalAlloc(GPTR, sizeof(PngWriteState)));
        if (st == nullptr) return ctx.fail(TSERR_MEMORY);
        st->resolution = resolution != nullptr ? *resolution : ResolutionInfo{1, 1, 0};
        st->sink = stream.handle();
        st->pixels = pixels;
        st->width = width;
        st->height = height;
        st->rowBytes = rowBytes;
        st->bitDepth = bitDepth;
        st->colourType = colourType;
        st->interlaceType = interlaceType;
        st->gamma = gamma;
        st->palette = wantsPalette ? palette : nullptr;
        st->paletteCount = wantsPalette ? paletteCount : 0;
        encodeImage(st);
        const std::int32_t code = st->error;
        GlobalFree(st);
        if (code != TSERR_NONE) return ctx.fail(code);
        return finishSink(ctx, stream);
      });
}
