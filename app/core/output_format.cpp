#include "app/core/output_format.h"

#include <array>

#include "imaging/tessera.h"

namespace pictrove {
namespace {

using Writer = std::uint32_t (*)(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                                 std::uint32_t height);

struct FormatEntry {
  const char* text;  // the list item and the file's extension
  Writer write;      // the writer with the format's fixed arguments
};

// One row per OutputFormat, in its order.
constexpr std::array<FormatEntry, kOutputFormatCount> kFormats = {{
    // uncompressed 24-bit BMP
    {"BMP", [](ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
               std::uint32_t height) { return tsWriteBMP(sink, pixels, width, height, 24, 0, nullptr, 0); }},
    // progressive JPEG, quality 100
    {"JPG", [](ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
               std::uint32_t height) { return tsWriteJPG(sink, pixels, width, height, 100, 1, 24, nullptr); }},
    // 24-bit PCX
    {"PCX", [](ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
               std::uint32_t height) { return tsWritePCX(sink, pixels, width, height, 24, nullptr); }},
    // 8-bit truecolour PNG, not interlaced
    {"PNG", [](ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
               std::uint32_t height) {
       return tsWritePNG(sink, pixels, width, height, width * 3, 8, 0, nullptr, 2, 0.0, 0, nullptr);
     }},
    // uncompressed 24-bit TIFF
    {"TIFF", [](ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                std::uint32_t height) { return tsWriteTIFF(sink, pixels, width, height, 24, nullptr, 1, nullptr); }},
}};

const FormatEntry& EntryOf(OutputFormat format) {
  return kFormats[static_cast<std::size_t>(format)];
}

}  // namespace

std::optional<OutputFormat> OutputFormatAt(int index) {
  if (index < 0 || index >= kOutputFormatCount) return std::nullopt;
  return static_cast<OutputFormat>(index);
}

const char* OutputFormatText(OutputFormat format) { return EntryOf(format).text; }

const char* OutputFormatText(int index) {
  const std::optional<OutputFormat> format = OutputFormatAt(index);
  return format ? OutputFormatText(*format) : nullptr;
}

int OutputFormatIndex(const std::string& text) {
  for (int i = 0; i < kOutputFormatCount; ++i) {
    if (text == kFormats[static_cast<std::size_t>(i)].text) return i;
  }
  return -1;
}

std::uint32_t WriteThumbnail(OutputFormat format, ImageStream* sink, const std::uint8_t* pixels,
                             std::uint32_t width, std::uint32_t height) {
  return EntryOf(format).write(sink, pixels, width, height);
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
