// The embedded preview of a DXF drawing, handed out as the same bitmap file
// image as a DWG drawing's BMP preview (preview.h): the 14-byte file header
// ("BM", total size, two reserved zero words, offset of the pixel data)
// followed by the drawing's bitmap data unchanged.
//
// The preview is the section THUMBNAILIMAGE: group 90 holds the bitmap's
// byte count, groups 310 hold its bytes (hex digits in text DXF, binary
// chunks in binary DXF). It is the last section, so it is looked for from
// the end of the file: the cost does not grow with the file.
//
// Looking from the end. The file must end in `0 ENDSEC`, `0 EOF` (then only
// padding: blanks, line ends, NUL or SUB bytes). In a text DXF, everything
// between the section's name and that end is hex digits, group codes and
// line ends, so a backward scan stops at the first other byte: a file whose
// last section is not THUMBNAILIMAGE answers "no preview" after reading a
// few lines. In a binary DXF, the bytes just before the final `0 ENDSEC`
// must end a 310 chunk (else "no preview" at once); then the section header
// (`0 SECTION`, `2 THUMBNAILIMAGE` as binary tags) is searched backwards,
// and each match, latest first, is parsed forward; at most
// kDxfHeaderCandidates matches are tried (a bitmap may hold the same bytes).
// Either way the header must lie within a tail window sized for the largest
// preview (kMaxPreviewBytes as hex text, or as binary chunks, plus slack):
// a preview section beyond it, or sections in another order, give "no
// preview".
//
// A header found counts only when it is a real section header: the lines
// `0`, `SECTION`, `2`, `THUMBNAILIMAGE` at line starts (text), and when the
// tags from it parse cleanly: one group 90, then only 310 groups, then
// `0 ENDSEC`, `0 EOF` and the end of the file. Every fault is "no preview":
// a byte count below 40 or above kMaxPreviewBytes, one that disagrees with
// the data, odd or non-hex digits, an unterminated section, a chunk that runs
// past the end, a line longer than kDxfMaxValueBytes, or bytes that do not
// start with a bitmap information header. Nothing is allocated beyond two
// read blocks of kDxfReadBlockBytes.
//
// The file is read with pread at 64-bit positions (the cached file of the
// DWG extraction is 32-bit and serves the front of a file); memory comes
// from HostMemoryAllocate. Only regular files (or links to them) are opened.
// Conventions as in preview.h: a started toolkit, the error number in its
// context and per thread, several threads at once over their own buffers.
#pragma once

#include <cstdint>

#include "toolkit/error_numbers.h"

constexpr int kDxfHeaderCandidates = 8;

// 1 when the file's content is a DXF: it opens with the binary sentinel, or
// its first tag after any 999 comments (within its first 64 KiB) is
// `0 SECTION`. 0 otherwise, also when it cannot be opened. Sets no error
// number.
std::int16_t IsDxfDrawing(const char* path);

// Bytes the preview's file image takes: the bitmap's size + 14; 0 when the
// drawing has no usable preview. A file that cannot be opened sets
// kErrCannotOpenFile; otherwise the error number stays.
std::uint32_t DxfPreviewImageSize(const char* path);

// Writes the preview's file image into buffer, never past capacity, and its
// length into *length. Returns 1 on success (error number kErrNone) and 0 on
// failure, with the error number (*length is then left alone):
//   kErrCannotOpenFile (3)      the file cannot be opened
//   kErrNoPreview (23)          no usable preview
//   kErrNoTransferBuffer (134)  no memory for the read blocks (after
//                               critical-error code 2)
//   kErrBadImageData (135)      a null buffer, or an image that does not fit
//                               in capacity
// On failure the buffer's content is undefined.
std::int16_t ExtractDxfPreviewImage(const char* path, std::uint8_t* buffer, std::uint32_t capacity,
                                    std::uint32_t* length);
