#include "app/core/output_format.h"

#include <array>

#include "imaging/tessera.h"

namespace pictrove {
namespace {

constexpr std::array<const char*, kOutputFormatCount> kFormatTexts = {"BMP", "JPG", "PCX", "PNG",
                                                                      "TIFF"};

}  // namespace

const char* OutputFormatText(int index) {
  if (index < 0 || index >= kOutputFormatCount) return nullptr;
  return kFormatTexts[static_cast<std::size_t>(index)];
}

int OutputFormatIndex(const std::string& text) {
  for (int i = 0; i < kOutputFormatCount; ++i) {
    if (text == kFormatTexts[static_cast<std::size_t>(i)]) return i;
  }
  return -1;
}

std::uint32_t WriteThumbnail(int type, ImageStream* sink, const std::uint8_t* pixels,
                             std::uint32_t width, std::uint32_t height) {
  switch (type) {
    case 0:  // uncompressed 24-bit BMP
      return tsWriteBMP(sink, pixels, width, height, 24, 0, nullptr, 0);
    case 1:  // progressive JPEG, quality 100
      return tsWriteJPG(sink, pixels, width, height, 100, 1, 24, nullptr);
    case 2:  // 24-bit PCX
      return tsWritePCX(sink, pixels, width, height, 24, nullptr);
    case 3:  // 8-bit truecolour PNG, not interlaced
      return tsWritePNG(sink, pixels, width, height, width * 3, 8, 0, nullptr, 2, 0.0, 0,
                        nullptr);
    case 4:  // uncompressed 24-bit TIFF
      return tsWriteTIFF(sink, pixels, width, height, 24, nullptr, 1, nullptr);
    default:
      return 0;
  }
}

std::string OutputPathFor(const std::string& drawingPath, const std::string& extension) {
  // Only a "." inside the file name counts: one in a folder's name must not
  // cut the path short.
  const std::size_t slash = drawingPath.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = drawingPath.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return drawingPath + "." + extension;
  return drawingPath.substr(0, dot + 1) + extension;
}

}  // namespace pictrove
