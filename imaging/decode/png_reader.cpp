// tsReadPNG: libpng's reading interface over an ImageStream source. Every
// colour type and bit depth comes out as 8-bit RGB; alpha, whether from an
// alpha channel or a transparency chunk, is composited over white.
//
// libpng reports errors by longjmp. The one setjmp lives in readWithLibpng,
// which holds no object with a destructor; everything it allocates is
// recorded in PngSession and released by its caller on every path.
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "imaging/core/entry_frame.h"
#include "imaging/core/sizes.h"
#include "imaging/decode/bmp_reader.h"
#include "imaging/tessera.h"
#include "platform/global_memory.h"

namespace tessera {
namespace {

constexpr std::size_t kSignatureBytes = 8;
// Signature, then the IHDR chunk's length, type, width and height.
constexpr std::size_t kPeekBytes = 24;
// Ancillary chunks kept in memory, and the largest chunk libpng may allocate.
constexpr png_uint_32 kChunkCacheMax = 128;
constexpr png_alloc_size_t kChunkMallocMax = 8u * 1024u * 1024u;
// The largest block libpng itself may take. Its row buffers stay far below
// this even at the widest picture allowed; only a chunk claiming a huge
// length would ask for more (libpng does not hold every chunk to the limit
// above), and such a request is refused rather than zero-filled.
constexpr png_alloc_size_t kLibpngBlockMax = kChunkMallocMax + 64u * 1024u;

struct PngSession {
  StreamRef* stream = nullptr;
  std::uint8_t peek[kPeekBytes] = {};
  std::size_t peekLength = 0;
  std::size_t peekPosition = 0;  // bytes of `peek` already handed to libpng
  bool shortRead = false;        // the source ended
  bool outOfMemory = false;      // an allocation failed
  std::uint8_t* image = nullptr; // the result, a global block
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

std::uint32_t bigEndian32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

void onError(png_structp png, png_const_charp /*message*/) { png_longjmp(png, 1); }
void onWarning(png_structp /*png*/, png_const_charp /*message*/) {}

png_voidp onMalloc(png_structp png, png_alloc_size_t size) {
  void* p = size <= kLibpngBlockMax ? std::malloc(size) : nullptr;
  if (p == nullptr) static_cast<PngSession*>(png_get_mem_ptr(png))->outOfMemory = true;
  return p;
}
void onFree(png_structp /*png*/, png_voidp p) { std::free(p); }

void onRead(png_structp png, png_bytep data, png_size_t length) {
  auto* s = static_cast<PngSession*>(png_get_io_ptr(png));
  // The bytes peeked at before libpng started come first.
  while (length > 0 && s->peekPosition < s->peekLength) {
    *data++ = s->peek[s->peekPosition++];
    --length;
  }
  while (length > 0) {
    const auto chunk = static_cast<std::uint32_t>(length > 0x40000000u ? 0x40000000u : length);
    if (!s->stream->streamReadExact(data, chunk)) {
      s->shortRead = true;
      png_error(png, "unexpected end of data");
    }
    data += chunk;
    length -= chunk;
  }
}

// Output of one pixel with alpha composited over white, rounded to nearest.
std::uint8_t overWhite(std::uint8_t c, std::uint8_t alpha) {
  return static_cast<std::uint8_t>((c * alpha + 255 * (255 - alpha) + 127) / 255);
}

// The decode proper. Returns 0 or a TSERR code; on failure the caller frees
// whatever the session holds.
int readWithLibpng(PngSession& s, png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) {
    if (s.shortRead) return TSERR_READ;
    return s.outOfMemory ? TSERR_MEMORY : TSERR_BAD_FORMAT;
  }
  png_set_sig_bytes(png, static_cast<int>(kSignatureBytes));
  s.peekPosition = kSignatureBytes;
  png_read_info(png, info);
  if (s.outOfMemory) return TSERR_MEMORY;

  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colourType = 0;
  int interlace = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlace, nullptr, nullptr);

  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (bitDepth == 16) png_set_scale_16(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const int channels = png_get_channels(png, info);
  if ((channels != 3 && channels != 4) || png_get_bit_depth(png, info) != 8 ||
      png_get_rowbytes(png, info) != std::size_t{width} * channels) {
    return TSERR_BAD_FORMAT;
  }
  OperationContext sizing;
  s.image = allocGlobalBlock(sizing, mulSizes(width, height, channels));
  if (s.image == nullptr) return TSERR_MEMORY;

  const std::size_t stride = std::size_t{width} * channels;
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, s.image + stride * y, nullptr);
  }
  // libpng skips a chunk it could not allocate and carries on; the picture
  // is refused all the same, as too large.
  if (s.outOfMemory) return TSERR_MEMORY;
  // Trailing chunks are not needed: the pixels are complete.
  s.width = width;
  s.height = height;
  if (channels == 4) {
    // RGBA to RGB in place: each output pixel lies at or before its input.
    const std::size_t pixels = std::size_t{width} * height;
    for (std::size_t i = 0; i < pixels; ++i) {
      const std::uint8_t* in = s.image + i * 4;
      std::uint8_t* out = s.image + i * 3;
      const std::uint8_t alpha = in[3];
      const std::uint8_t r = overWhite(in[0], alpha);
      const std::uint8_t g = overWhite(in[1], alpha);
      const std::uint8_t b = overWhite(in[2], alpha);
      out[0] = r;
      out[1] = g;
      out[2] = b;
    }
  }
  return TSERR_NONE;
}

// Reads the signature and the IHDR size ahead of libpng, so that a file that
// is not a PNG, or one too large to decode, is told apart before any work.
bool peekHeader(OperationContext& ctx, PngSession& s) {
  s.peekLength = s.stream->streamRead(s.peek, kPeekBytes);
  const std::size_t compared = s.peekLength < kSignatureBytes ? s.peekLength : kSignatureBytes;
  if (compared == 0 || png_sig_cmp(s.peek, 0, compared) != 0) return ctx.fail(TSERR_BAD_FORMAT);
  if (s.peekLength < kPeekBytes) return ctx.fail(TSERR_READ);
  if (std::memcmp(s.peek + 12, "IHDR", 4) != 0) return ctx.fail(TSERR_BAD_FORMAT);
  const std::uint32_t width = bigEndian32(s.peek + 16);
  const std::uint32_t height = bigEndian32(s.peek + 20);
  if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) {
    return ctx.fail(TSERR_BAD_FORMAT);
  }
  if (!withinImageLimits(width, height)) return ctx.fail(TSERR_MEMORY);
  return true;
}

std::uint8_t* decodePng(OperationContext& ctx, StreamRef& stream, std::uint32_t* width,
                        std::uint32_t* height) {
  PngSession s;
  s.stream = &stream;
  if (!peekHeader(ctx, s)) return nullptr;

  png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &s, onError, onWarning, &s,
                                             onMalloc, onFree);
  if (png == nullptr) {
    ctx.fail(TSERR_MEMORY);
    return nullptr;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    ctx.fail(TSERR_MEMORY);
    return nullptr;
  }
  png_set_read_fn(png, &s, onRead);
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  png_set_chunk_cache_max(png, kChunkCacheMax);
  png_set_chunk_malloc_max(png, kChunkMallocMax);

  const int code = readWithLibpng(s, png, info);
  png_destroy_read_struct(&png, &info, nullptr);
  if (code != TSERR_NONE) {
    GlobalFree(s.image);
    ctx.fail(code);
    return nullptr;
  }
  if (s.width != 0 && GlobalSize(s.image) != std::size_t{s.width} * s.height * 3) {
    // Give back the alpha channel's share of the block.
    void* shrunk = GlobalReAlloc(s.image, std::size_t{s.width} * s.height * 3, 0);
    if (shrunk != nullptr) s.image = static_cast<std::uint8_t*>(shrunk);
  }
  *width = s.width;
  *height = s.height;
  return s.image;
}

}  // namespace
}  // namespace tessera

std::uint8_t* tsReadPNG(ImageStream* source, std::uint32_t* width, std::uint32_t* height) {
  using namespace tessera;
  return runStreamEntryPoint(
      source, static_cast<std::uint8_t*>(nullptr),
      [&](OperationContext& ctx, StreamRef& stream) -> std::uint8_t* {
        if (width == nullptr || height == nullptr) {
          ctx.fail(TSERR_BAD_PARAM);
          return nullptr;
        }
        *width = 0;
        *height = 0;
        return decodePng(ctx, stream, width, height);
      });
}
