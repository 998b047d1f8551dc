// The embedded preview of a DWG drawing, handed out as a file image in
// memory.
//
// A BMP preview (versions "AC1012" on) becomes a complete bitmap file: a
// 14-byte file header ("BM", total size, two reserved zero words, offset of
// the pixel data) followed by the drawing's bitmap data unchanged. A drawing
// with only a PNG preview (versions "AC1027" on) hands out the PNG file's
// bytes unchanged; they already form a complete file.
//
// Both operations need a started toolkit (they record the error number in
// its context) and read the file independently of each other; a caller
// sizes its buffer with PreviewImageSize and passes that capacity on.
//
// Both may run on several threads at once, each over its own buffer, while
// the toolkit is running; the error number then holds the last one set by
// any of them, and ThreadErrorNumber (messages.h) the one the calling
// thread's last call set.
#pragma once

#include <cstdint>

#include "toolkit/error_numbers.h"

// Bytes the preview's file image takes: the BMP data's size + 14, or the PNG
// data's size; 0 when the drawing has no usable preview. A file that cannot
// be opened sets kErrCannotOpenFile; otherwise the error number stays.
std::uint32_t PreviewImageSize(const char* path);

// Writes the preview's file image into buffer, never past capacity, and its
// length into *length. Returns 1 on success (error number kErrNone) and 0 on
// failure, with the error number (*length is then left alone):
//   kErrCannotOpenFile (3)      the file cannot be opened
//   kErrNoPreview (23)          no usable preview
//   kErrNoTransferBuffer (134)  no memory for the transfer buffer (after
//                               critical-error code 2)
//   kErrBadImageData (135)      a null buffer, an image that does not fit in
//                               capacity, or data cut short
std::int16_t ExtractPreviewImage(const char* path, std::uint8_t* buffer, std::uint32_t capacity,
                                 std::uint32_t* length);
