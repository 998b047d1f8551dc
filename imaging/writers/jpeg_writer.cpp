// tsWriteJPG: JPEG files through libjpeg, sequential or progressive, from RGB
// or greyscale rows. Compressed bytes go to the sink through a destination
// manager with a 4096-byte buffer; libjpeg errors come back to the single
// unwind point in compressImage and end the call with TSERR_WRITE.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
// jerror.h after jpeglib.h: it needs the library's types.
#include <jerror.h>

#include "imaging/core/entry_frame.h"
#include "imaging/writers/writer_support.h"

namespace tessera {
namespace {

constexpr std::size_t kOutputBufferSize = 4096;

struct SinkDestination {
  jpeg_destination_mgr pub;  // libjpeg's part; must come first
  ImageStream* sink;
  JOCTET* buffer;
};

// One block per call. Every member is trivially destructible, so the jump
// back to `unwind` skips nothing that needs cleaning up.
struct JpegWriteState {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr errorManager;
  SinkDestination destination;
  std::jmp_buf unwind;
  ImageStream* sink;
  const std::uint8_t* pixels;
  std::uint32_t width;
  std::uint32_t height;
  std::uint32_t components;  // 3 for RGB, 1 for grey
  int quality;
  int progressive;
  ResolutionInfo resolution;
};

void initDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<SinkDestination*>(cinfo->dest);
  dest->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kOutputBufferSize * sizeof(JOCTET)));
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kOutputBufferSize;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<SinkDestination*>(cinfo->dest);
  StreamRef sink(dest->sink);
  if (!sink.streamWriteBytes(dest->buffer, kOutputBufferSize)) ERREXIT(cinfo, JERR_FILE_WRITE);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kOutputBufferSize;
  return TRUE;  // never suspends
}

void termDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<SinkDestination*>(cinfo->dest);
  const std::size_t pending = kOutputBufferSize - dest->pub.free_in_buffer;
  if (pending == 0) return;
  StreamRef sink(dest->sink);
  if (!sink.streamWriteBytes(dest->buffer, pending)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

// Replaces libjpeg's error exit: the message goes to the diagnostic channel,
// then control returns to the call's unwind point.
[[noreturn]] void exitToUnwindPoint(j_common_ptr cinfo) {
  char message[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, message);
  traceDiagnostic("Tessera JPG Error : %s\n", message);
  std::longjmp(static_cast<JpegWriteState*>(cinfo->client_data)->unwind, 1);
}

// Warnings and trace messages: to the diagnostic channel, never to the screen.
void outputMessage(j_common_ptr cinfo) {
  char message[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, message);
  traceDiagnostic("%s\n", message);
}

// Drives libjpeg from creation to destruction. This function holds the JPEG
// writer's only unwind point; it and every libjpeg callback keep their state
// in `st`, so nothing with a destructor lives in a frame the jump leaves.
std::int32_t compressImage(JpegWriteState* st) {
  st->cinfo.err = jpeg_std_error(&st->errorManager);
  st->errorManager.error_exit = exitToUnwindPoint;
  st->errorManager.output_message = outputMessage;
  // Set before creation: the error exit needs it if creation itself fails,
  // and jpeg_CreateCompress keeps it.
  st->cinfo.client_data = st;
  if (setjmp(st->unwind) != 0) {
    // Set-up, a row or the finish failed: the compressor is destroyed all the
    // same, which releases every block libjpeg allocated.
    jpeg_destroy_compress(&st->cinfo);
    return TSERR_WRITE;
  }
  jpeg_CreateCompress(&st->cinfo, JPEG_LIB_VERSION, sizeof(jpeg_compress_struct));

  st->destination.sink = st->sink;
  st->destination.pub.init_destination = initDestination;
  st->destination.pub.empty_output_buffer = emptyOutputBuffer;
  st->destination.pub.term_destination = termDestination;
  st->cinfo.dest = &st->destination.pub;

  st->cinfo.image_width = st->width;
  st->cinfo.image_height = st->height;
  st->cinfo.input_components = static_cast<int>(st->components);
  st->cinfo.in_color_space = st->components == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&st->cinfo);
  jpeg_set_quality(&st->cinfo, st->quality, TRUE);
  if (st->progressive != 0) jpeg_simple_progression(&st->cinfo);
  st->cinfo.density_unit = static_cast<UINT8>(st->resolution.unit);
  st->cinfo.X_density = static_cast<UINT16>(st->resolution.xResolution);
  st->cinfo.Y_density = static_cast<UINT16>(st->resolution.yResolution);
  st->cinfo.smoothing_factor = 0;
  jpeg_start_compress(&st->cinfo, TRUE);

  const std::size_t rowBytes = std::size_t{st->width} * st->components;
  for (std::uint32_t y = 0; y < st->height; ++y) {
    // libjpeg takes non-const rows but only reads them.
    JSAMPROW row = const_cast<JSAMPLE*>(st->pixels + y * rowBytes);
    jpeg_write_scanlines(&st->cinfo, &row, 1);
  }
  jpeg_finish_compress(&st->cinfo);
  jpeg_destroy_compress(&st->cinfo);
  return TSERR_NONE;
}

}  // namespace
}  // namespace tessera

std::uint32_t tsWriteJPG(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                         std::uint32_t height, int quality, int progressive,
                         std::uint32_t bitsPerPixel, const ResolutionInfo* resolution) {
  using namespace tessera;
  return runStreamEntryPoint(
      sink, std::uint32_t{0}, [&](OperationContext& ctx, StreamRef& stream) -> std::uint32_t {
        if ((bitsPerPixel != 24 && bitsPerPixel != 8) || width == 0 || height == 0 ||
            pixels == nullptr) {
          return ctx.fail(TSERR_BAD_PARAM);
        }
        auto* st = static_cast<JpegWriteState*>(GlobalAlloc(GPTR, sizeof(JpegWriteState)));
        if (st == nullptr) return ctx.fail(TSERR_MEMORY);
        st->sink = stream.handle();
        st->pixels = pixels;
        st->width = width;
        st->height = height;
        st->components = bitsPerPixel == 24 ? 3 : 1;
        st->quality = quality;
        st->progressive = progressive;
        st->resolution = resolution != nullptr ? *resolution : ResolutionInfo{1, 1, 0};
        const std::int32_t code = compressImage(st);
        GlobalFree(st);
        if (code != TSERR_NONE) return ctx.fail(code);
        return finishSink(ctx, stream);
      });
}
