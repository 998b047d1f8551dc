#include "tools/builders/png_builder.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <stdexcept>
#include <string>

namespace testsupport {
namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void noFlush(png_structp) {}
void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

// The setjmp frame: nothing here has a destructor. Rows are passed in
// already packed.
bool writeWithLibpng(png_structp png, png_infop info, const PngPicture& picture,
                     const std::vector<png_color>& palette, const png_color_16* trnsColour,
                     png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colourType,
               picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) {
    png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  }
  if (!picture.paletteAlpha.empty() || trnsColour != nullptr) {
    png_set_tRNS(png, info, picture.paletteAlpha.empty() ? nullptr : picture.paletteAlpha.data(),
                 static_cast<int>(picture.paletteAlpha.size()), trnsColour);
  }
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  return true;
}

void putSample(std::vector<std::uint8_t>& row, std::size_t index, int depth, std::uint32_t v) {
  if (depth == 16) {
    row[index * 2] = static_cast<std::uint8_t>(v >> 8);
    row[index * 2 + 1] = static_cast<std::uint8_t>(v);
  } else if (depth == 8) {
    row[index] = static_cast<std::uint8_t>(v);
  } else {
    const std::size_t bit = index * depth;
    const int shift = 8 - depth - static_cast<int>(bit % 8);
    const std::uint32_t mask = (1u << depth) - 1;
    row[bit / 8] |= static_cast<std::uint8_t>((v & mask) << shift);
  }
}

}  // namespace

std::vector<std::uint8_t> withChunkAfterHeader(const std::vector<std::uint8_t>& png,
                                               const char (&type)[5],
                                               const std::vector<std::uint8_t>& data,
                                               std::optional<std::uint32_t> declaredLength) {
  constexpr std::size_t kAfterHeader = 8 + 8 + 13 + 4;  // signature, IHDR chunk
  if (png.size() < kAfterHeader) throw std::invalid_argument("withChunkAfterHeader: too short");
  std::vector<std::uint8_t> chunk;
  const std::uint32_t length = declaredLength.value_or(static_cast<std::uint32_t>(data.size()));
  for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<std::uint8_t>(length >> shift));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  const uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
  for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<std::uint8_t>(crc >> shift));
  std::vector<std::uint8_t> out(png.size() + chunk.size());
  const auto split = png.begin() + kAfterHeader;
  auto next = std::copy(png.begin(), split, out.begin());
  next = std::copy(chunk.begin(), chunk.end(), next);
  std::copy(split, png.end(), next);
  return out;
}

int pngChannels(int colourType) {
  switch (colourType) {
    case kPngGreyAlpha:
      return 2;
    case kPngRgb:
      return 3;
    case kPngRgba:
      return 4;
    default:
      return 1;
  }
}

std::vector<std::uint8_t> pngFileBytes(const PngPicture& picture) {
  if (!picture.sample) throw std::invalid_argument("pngFileBytes: no sample function");
  const int channels = pngChannels(picture.colourType);
  const std::size_t rowBytes =
      (static_cast<std::size_t>(picture.width) * channels * picture.bitDepth + 7) / 8;
  std::vector<std::vector<std::uint8_t>> rows(picture.height, std::vector<std::uint8_t>(rowBytes, 0));
  for (std::uint32_t y = 0; y < picture.height; ++y) {
    for (std::uint32_t x = 0; x < picture.width; ++x) {
      for (int c = 0; c < channels; ++c) {
        putSample(rows[y], static_cast<std::size_t>(x) * channels + c, picture.bitDepth,
                  picture.sample(x, y, c));
      }
    }
  }
  std::vector<png_bytep> rowPointers;
  for (auto& r : rows) rowPointers.push_back(r.data());

  std::vector<png_color> palette;
  for (std::uint32_t c : picture.palette) {
    palette.push_back({static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                       static_cast<png_byte>(c)});
  }
  png_color_16 trns{};
  if (picture.transparentColour) {
    trns.gray = (*picture.transparentColour)[0];
    trns.red = (*picture.transparentColour)[0];
    trns.green = (*picture.transparentColour)[1];
    trns.blue = (*picture.transparentColour)[2];
  }

  std::vector<std::uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (png == nullptr) throw std::runtime_error("pngFileBytes: no write struct");
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    throw std::runtime_error("pngFileBytes: no info struct");
  }
  png_set_write_fn(png, &out, appendBytes, noFlush);
  const bool ok = writeWithLibpng(png, info, picture, palette,
                                  picture.transparentColour ? &trns : nullptr, rowPointers.data());
  png_destroy_write_struct(&png, &info);
  if (!ok) throw std::runtime_error("pngFileBytes: libpng refused the picture");
  return out;
}

}  // namespace testsupport
