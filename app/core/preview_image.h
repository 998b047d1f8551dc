// A drawing's embedded preview as the toolkit hands it out: the complete file
// image of a BMP or PNG picture, read into a buffer of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace pictrove {

enum class PreviewKind { Unknown, Bmp, Png };

// What the file image's first bytes say it is: "BM" a bitmap, the PNG
// signature a PNG picture, anything else Unknown.
PreviewKind PreviewKindOf(const std::uint8_t* data, std::uint32_t length);

struct PreviewImage {
  std::unique_ptr<std::uint8_t[]> data;
  std::uint32_t length = 0;  // bytes of data that hold the image
  PreviewKind kind = PreviewKind::Unknown;
};

// Reads the preview of the drawing at `path` (a started toolkit is needed;
// any thread may call this). False, with `image` emptied, when the drawing
// has no usable preview, cannot be read, changed between measuring and
// reading, or the buffer cannot be had.
bool ReadPreviewImage(const std::string& path, PreviewImage& image);

}  // namespace pictrove
