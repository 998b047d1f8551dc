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

// A preview's file image in a buffer that can be used again for the next
// drawing: reading many drawings one after another with one PreviewImage
// allocates only when a preview is larger than any before it.
struct PreviewImage {
  std::unique_ptr<std::uint8_t[]> data;
  std::uint32_t capacity = 0;  // bytes allocated at data
  std::uint32_t length = 0;    // bytes of data that hold the image
  PreviewKind kind = PreviewKind::Unknown;
  // The system's reason (an errno value) when the last read failed because
  // the drawing could not be read (a bad sector, a share that dropped); 0
  // when it was read, or has no usable preview.
  int readError = 0;
  // When not 0, the most bytes a read may make room for: a preview larger
  // than this is left unread, with `tooLarge` set, so that a caller holding
  // many buffers at once can read the rare large ones under a limit of its
  // own.
  std::uint32_t largest = 0;
  bool tooLarge = false;

  // Lets go of a buffer larger than `keep` bytes.
  void Trim(std::uint32_t keep);
  // Makes room for at least `bytes` bytes, for a reader that measured the
  // preview first; false when the memory cannot be had.
  bool Reserve(std::uint32_t bytes);
};

// What a reader that keeps its PreviewImage from drawing to drawing should
// let go of before the next one: larger previews are rare.
constexpr std::uint32_t kKeptPreviewBytes = 1024 * 1024;

// Reads the preview of the drawing at `path` into `image` (a started
// toolkit is needed; any thread may call this, each with its own image).
// Most drawings are opened once: the preview is read straight into the
// buffer, and only one larger than the buffer is measured first. False,
// with the length 0, when the drawing has no usable preview, cannot be
// read, changed between measuring and reading, is larger than `largest`
// allows, or the buffer cannot be had; a failed read of the file also sets
// readError (in programs that give failed reads up: see FailUnreadableFiles).
bool ReadPreviewImage(const std::string& path, PreviewImage& image);

// The preview's size as ReadPreviewImage would read it: the DWG or DXF
// extraction's size for the drawing at `path`; 0 when it has none.
std::uint32_t PreviewImageSizeOf(const std::string& path);

}  // namespace pictrove
