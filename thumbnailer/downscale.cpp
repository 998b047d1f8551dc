#include "thumbnailer/downscale.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "thumbnailer/pixman_library.h"

namespace pictrove {
namespace {

// Thumbnail pixels fall between source pixels at 2^4 phases per pixel: well
// below what an 8-bit channel can show, and a small filter table.
constexpr int kSubsampleBits = 4;

// Three bytes per pixel, red first, as pixman names that layout on this
// machine (it reads 24-bit pixels as numbers in the machine's byte order).
constexpr pixman_format_code_t kRgbBytes =
    std::endian::native == std::endian::little ? PIXMAN_b8g8r8 : PIXMAN_r8g8b8;

struct ImageUnref {
  void operator()(pixman_image_t* image) const { Pixman()->image_unref(image); }
};
using Image = std::unique_ptr<pixman_image_t, ImageUnref>;

struct FreeParams {
  void operator()(pixman_fixed_t* params) const { std::free(params); }
};

// The source as pixman reads it: the picture's own rows when they are
// aligned (no copy, no new memory to touch), otherwise a copy at 32 bits per
// pixel, the layout pixman's filter reads fastest.
struct Source {
  Image image;
  std::unique_ptr<std::uint32_t[]> copy;
};

Source MakeSource(const PixmanFunctions& pixman, const RgbPicture& picture) {
  const std::uint32_t width = picture.width();
  const std::uint32_t height = picture.height();
  Source source;
  if (width * 3 % 4 == 0) {
    // pixman only reads a source image; its interface has no const.
    auto* rows = reinterpret_cast<std::uint32_t*>(const_cast<std::uint8_t*>(picture.pixels()));
    source.image.reset(pixman.image_create_bits(kRgbBytes, static_cast<int>(width),
                                                static_cast<int>(height), rows,
                                                static_cast<int>(width * 3)));
    return source;
  }
  const std::size_t count = std::size_t{width} * height;
  source.copy.reset(new (std::nothrow) std::uint32_t[count]);
  if (source.copy == nullptr) return source;
  const std::uint8_t* rgb = picture.pixels();
  for (std::size_t i = 0; i < count; ++i, rgb += 3)
    source.copy[i] = 0xFF000000u | std::uint32_t{rgb[0]} << 16 | std::uint32_t{rgb[1]} << 8 | rgb[2];
  source.image.reset(pixman.image_create_bits(PIXMAN_x8r8g8b8, static_cast<int>(width),
                                              static_cast<int>(height), source.copy.get(),
                                              static_cast<int>(width * 4)));
  return source;
}

}  // namespace

ThumbnailPicture Downscale(const RgbPicture& picture, PictureSize size) {
  const std::uint32_t width = picture.width();
  const std::uint32_t height = picture.height();
  if (picture.empty() || size.width == 0 || size.height == 0 || size.width > width ||
      size.height > height)
    return {};
  // The scale factor goes to pixman as 16.16 fixed point, which holds less
  // than 32768; the decoders hand out no side above 16384 either.
  constexpr std::uint32_t kMaxSide = 16384;
  if (width > kMaxSide || height > kMaxSide) return {};

  const PixmanFunctions* const loaded = Pixman();
  if (loaded == nullptr) return {};
  const PixmanFunctions& pixman = *loaded;
  const Source source = MakeSource(pixman, picture);
  // The thumbnail is drawn at 32 bits per pixel: pixman's 24-bit
  // destinations came out wrong at extreme reductions (a 16384-pixel row to
  // one pixel gave black), its 32-bit ones do not.
  const std::size_t count = std::size_t{size.width} * size.height;
  std::unique_ptr<std::uint8_t[]> rows(new (std::nothrow) std::uint8_t[count * 4]);
  if (source.image == nullptr || rows == nullptr) return {};
  const Image dest(pixman.image_create_bits(PIXMAN_x8r8g8b8, static_cast<int>(size.width),
                                            static_cast<int>(size.height),
                                            reinterpret_cast<std::uint32_t*>(rows.get()),
                                            static_cast<int>(size.width * 4)));
  if (dest == nullptr) return {};

  // The transform takes thumbnail coordinates to picture coordinates.
  const double scaleX = static_cast<double>(width) / size.width;
  const double scaleY = static_cast<double>(height) / size.height;
  pixman_transform_t transform;
  pixman.transform_init_scale(&transform, pixman_double_to_fixed(scaleX),
                              pixman_double_to_fixed(scaleY));
  // pixman's filter goes wrong at a scale factor of 16384 (a 16384-pixel
  // side down to one pixel: the result is not the average); a kernel 8192
  // pixels wide is as good an average for such a sliver.
  constexpr double kMaxFilterScale = 8192;
  int paramCount = 0;
  const std::unique_ptr<pixman_fixed_t, FreeParams> params(pixman.filter_create_separable_convolution(
      &paramCount, pixman_double_to_fixed(std::min(scaleX, kMaxFilterScale)),
      pixman_double_to_fixed(std::min(scaleY, kMaxFilterScale)), PIXMAN_KERNEL_IMPULSE,
      PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX, kSubsampleBits, kSubsampleBits));
  if (params == nullptr || !pixman.image_set_transform(source.image.get(), &transform) ||
      !pixman.image_set_filter(source.image.get(), PIXMAN_FILTER_SEPARABLE_CONVOLUTION,
                               params.get(), paramCount))
    return {};
  // The edge pixels stand in for what lies beyond them, so the border is
  // not darkened by averaging with nothing.
  pixman.image_set_repeat(source.image.get(), PIXMAN_REPEAT_PAD);
  pixman.image_composite32(PIXMAN_OP_SRC, source.image.get(), nullptr, dest.get(), 0, 0, 0, 0, 0, 0,
                           static_cast<std::int32_t>(size.width),
                           static_cast<std::int32_t>(size.height));
  // Packed to three bytes per pixel in the same buffer, front to back: each
  // pixel's bytes land at or before where its 32-bit word was read.
  std::uint8_t* rgb = rows.get();
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t p;
    std::memcpy(&p, rgb + i * 4, sizeof p);
    rgb[i * 3] = static_cast<std::uint8_t>(p >> 16);
    rgb[i * 3 + 1] = static_cast<std::uint8_t>(p >> 8);
    rgb[i * 3 + 2] = static_cast<std::uint8_t>(p);
  }
  return ThumbnailPicture(std::move(rows), size.width, size.height, size.width * 3);
}

}  // namespace pictrove
