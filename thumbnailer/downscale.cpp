#include "thumbnailer/downscale.h"

#include <pixman.h>

#include <bit>
#include <cstdlib>
#include <memory>
#include <new>

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
  void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using Image = std::unique_ptr<pixman_image_t, ImageUnref>;

struct FreeParams {
  void operator()(pixman_fixed_t* params) const { std::free(params); }
};

// pixman wants rows that start on 4-byte boundaries.
constexpr std::uint32_t AlignedStride(std::uint32_t width) { return (width * 3 + 3) & ~3u; }

// The source as pixman reads it: the picture's own rows when they are
// aligned (no copy, no new memory to touch), otherwise a copy at 32 bits per
// pixel, the layout pixman's filter reads fastest.
struct Source {
  Image image;
  std::unique_ptr<std::uint32_t[]> copy;
};

Source MakeSource(const RgbPicture& picture) {
  const std::uint32_t width = picture.width();
  const std::uint32_t height = picture.height();
  Source source;
  if (width * 3 % 4 == 0) {
    // pixman only reads a source image; its interface has no const.
    auto* rows = reinterpret_cast<std::uint32_t*>(const_cast<std::uint8_t*>(picture.pixels()));
    source.image.reset(pixman_image_create_bits(kRgbBytes, static_cast<int>(width),
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
  source.image.reset(pixman_image_create_bits(PIXMAN_x8r8g8b8, static_cast<int>(width),
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
  // pixman takes int sides and strides; the decoders hand out far less.
  constexpr std::uint32_t kMaxSide = 1u << 15;
  if (width > kMaxSide || height > kMaxSide) return {};

  const Source source = MakeSource(picture);
  const std::uint32_t stride = AlignedStride(size.width);
  std::unique_ptr<std::uint8_t[]> rows(new (std::nothrow) std::uint8_t[std::size_t{stride} * size.height]);
  if (source.image == nullptr || rows == nullptr) return {};
  const Image dest(pixman_image_create_bits(kRgbBytes, static_cast<int>(size.width),
                                            static_cast<int>(size.height),
                                            reinterpret_cast<std::uint32_t*>(rows.get()),
                                            static_cast<int>(stride)));
  if (dest == nullptr) return {};

  // The transform takes thumbnail coordinates to picture coordinates.
  const double scaleX = static_cast<double>(width) / size.width;
  const double scaleY = static_cast<double>(height) / size.height;
  pixman_transform_t transform;
  pixman_transform_init_scale(&transform, pixman_double_to_fixed(scaleX),
                              pixman_double_to_fixed(scaleY));
  int paramCount = 0;
  const std::unique_ptr<pixman_fixed_t, FreeParams> params(pixman_filter_create_separable_convolution(
      &paramCount, pixman_double_to_fixed(scaleX), pixman_double_to_fixed(scaleY), PIXMAN_KERNEL_IMPULSE,
      PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX, kSubsampleBits, kSubsampleBits));
  if (params == nullptr || !pixman_image_set_transform(source.image.get(), &transform) ||
      !pixman_image_set_filter(source.image.get(), PIXMAN_FILTER_SEPARABLE_CONVOLUTION,
                               params.get(), paramCount))
    return {};
  // The edge pixels stand in for what lies beyond them, so the border is
  // not darkened by averaging with nothing.
  pixman_image_set_repeat(source.image.get(), PIXMAN_REPEAT_PAD);
  pixman_image_composite32(PIXMAN_OP_SRC, source.image.get(), nullptr, dest.get(), 0, 0, 0, 0, 0, 0,
                           static_cast<std::int32_t>(size.width),
                           static_cast<std::int32_t>(size.height));
  return ThumbnailPicture(std::move(rows), size.width, size.height, stride);
}

}  // namespace pictrove
