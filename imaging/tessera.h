// Tessera: the image library's public entry points.
//
// Every entry point returns a pointer, handle or count, with null or 0 meaning
// failure, and leaves the operation's error code (TSERR_...) in the calling
// thread's last error, which tsGetLastError reads back. No exception, longjmp
// or third-party library error ever crosses an entry point.
//
// Pixel buffers: an RGB buffer holds width x height pixels, 3 bytes each in
// the order red, green, blue, rows top row first with no padding. Buffers the
// library returns are zero-filled global memory blocks (platform/
// global_memory.h) that the caller frees with GlobalFree.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

// ---- Error codes ----------------------------------------------------------
enum : std::int32_t {
  TSERR_NONE = 0,
  TSERR_MEMORY = 1,        // allocation failed, or a block above 2,147,348,478 bytes
  TSERR_FILE_CREATE = 2,   // tsOpenFileSink could not open the file
  TSERR_READ = 3,          // a source delivered fewer bytes than needed
  TSERR_WRITE = 4,         // a writer could not write its data
  TSERR_BAD_PARAM = 5,     // null pointer/handle, or an argument outside the accepted set
  TSERR_BAD_FORMAT = 6,    // the data is not a picture the decoder handles
  TSERR_PNG_CREATE = 16,   // libpng's structures could not be created
  TSERR_TIFF_OPEN = 20,    // libtiff could not open the sink
  TSERR_GDI = 25,          // reading a bitmap's bits failed
  TSERR_DEVICE = 26,       // the device context cannot transfer device-independent bitmaps
  TSERR_DEPTH = 28,        // the bitmap cannot be delivered at the requested depth
  TSERR_BITMAP = 35,       // the display bitmap could not be created
  TSERR_BAD_STREAM = 38,   // an ImageStream handle failed validation
};

// ---- Streams --------------------------------------------------------------
// A source (memory, for decoding) or a sink (a file or a growing block of
// memory, for writing). The handle is owned by its opener from open to the
// matching close. Every writer writes the same bytes to a memory sink as to a
// file sink.
struct ImageStream;

// Opens a read-only source over the caller's buffer, which must outlive it.
// Null buffer or size 0: TSERR_BAD_PARAM; no memory for the handle:
// TSERR_MEMORY.
ImageStream* tsOpenMemorySource(const void* buffer, std::uint32_t size);
// Closes a source; returns the bytes consumed (its position), 0 on failure.
std::uint32_t tsCloseSource(ImageStream* source);
// Creates or truncates the file at `path` for writing. Empty path or a file
// that cannot be opened: TSERR_FILE_CREATE, with the reason in
// tsGetLastSystemError. No memory for the handle or its copy of the path:
// TSERR_MEMORY, and the file is not touched.
ImageStream* tsOpenFileSink(const char* path);
// Opens a sink that keeps everything written to it in memory. It holds at
// most `maxBytes` bytes (0, or anything above 2,147,348,478, means that
// many); a writer that would take it further fails as on a full disk
// (TSERR_WRITE, system reason EFBIG), and one that finds no memory to grow
// it fails the same way (system reason ENOMEM). No memory for the handle:
// TSERR_MEMORY.
ImageStream* tsOpenMemorySink(std::uint32_t maxBytes);
// The bytes in a memory sink so far: sets *size and returns their address,
// which stays valid until the next write to the sink or its close (an empty
// sink gives a valid address and size 0). Null with TSERR_BAD_PARAM for a
// null sink or size, TSERR_BAD_STREAM for a handle that is not an open
// memory sink. Leaves the last error alone on success.
const std::uint8_t* tsMemorySinkData(ImageStream* sink, std::uint32_t* size);
// Flushes and closes a sink; returns the file's length (a memory sink's:
// its byte count, its memory freed), 0 on failure or for an empty sink. The
// handle is released in every case. Data that cannot reach the file, or a
// file that fails to close (quotas, network file systems), is a failure:
// TSERR_WRITE with the system's reason.
std::uint32_t tsCloseSink(ImageStream* sink);
// Makes sure the calling thread's state exists; releases nothing in use.
void tsCleanup();
// The calling thread's last error (TSERR_...).
std::int32_t tsGetLastError();
// The system's reason (an errno value such as ENOENT, EACCES or ENOSPC) for
// the failure tsGetLastError reports: the first file operation (open, write,
// seek, flush or close) that failed in that call, or a memory sink's ENOMEM
// or EFBIG. 0 when the last call succeeded or its failure had no system
// cause. Set and kept together with the last error, on the calling thread.
std::int32_t tsGetLastSystemError();

// ---- Decoding and capture -------------------------------------------------
// Decodes a bitmap file (file header + device-independent bitmap) of 1, 4, 8,
// 16, 24 or 32 bits, uncompressed, run-length (8 and 4 bits, bottom-up only)
// or with bit-field masks. The information header may be longer than 40
// bytes (108, 124): masks and colour table follow it wherever it ends, and a
// header of 52 bytes or more holds its own masks. Bitmaps of 16 bits and more
// have a colour table only when their colours-used field says so. Requested
// depth 24 returns an RGB buffer; 1 or 8 returns indexed rows and fills the
// caller's 1024-byte colour table (blue, green, red, reserved per entry).
// Neither side may exceed 16384 pixels, nor the picture 4096 x 4096 pixels
// in all (TSERR_MEMORY). Data that ends inside
// the rows still returns the buffer, unread parts as allocated, with
// TSERR_READ as the last error.
std::uint8_t* tsReadBMP(ImageStream* source, std::uint32_t* width, std::uint32_t* height,
                        std::int32_t depth, std::uint8_t* colourTable);
// Decodes a PNG file to an RGB buffer (alpha composited over white). Any
// colour type, bit depth or interlacing. Not a PNG: TSERR_BAD_FORMAT; data
// cut short: TSERR_READ; a side above 16384 pixels, more than 4096 x 4096
// pixels in all, or a chunk too large to hold: TSERR_MEMORY. Every failure returns null.
std::uint8_t* tsReadPNG(ImageStream* source, std::uint32_t* width, std::uint32_t* height);
// Reads a device bitmap back as an RGB buffer, at the colour precision the
// device keeps and in the colours the screen shows: a 16-bit (5-6-5)
// bitmap's channels are widened by repeating their top bits ((v << 3) |
// (v >> 2) for 5 bits, (v << 2) | (v >> 4) for 6), so 0 stays 0 and full is
// 255. A context without RC_DI_BITMAP (or none): TSERR_DEVICE; no bitmap:
// TSERR_BAD_PARAM; a bitmap that cannot be read: TSERR_GDI; no memory:
// TSERR_MEMORY.
std::uint8_t* tsCaptureBitmap(HBITMAP bitmap, std::uint32_t* width, std::uint32_t* height,
                              HDC dc, HPALETTE palette);

// ---- Resizing and compositing ---------------------------------------------
// Bilinear resampling with destination pixel i taken at source position
// i x (source size / destination size), results truncated: reproducible to
// the byte. Returns 1, or 0 with the destination untouched.
int tsResizeImage(const std::uint8_t* source, std::uint32_t sourceWidth,
                  std::uint32_t sourceHeight, std::uint8_t* dest, std::uint32_t destWidth,
                  std::uint32_t destHeight, std::uint32_t channels);
// colour: byte 0 goes to channel 0, byte 1 to channel 1, byte 2 to channel 2
// (for RGB buffers 0x00BBGGRR).
int tsFillRect(std::uint8_t* buffer, std::uint32_t width, std::uint32_t height,
               std::uint32_t left, std::uint32_t top, std::uint32_t rectWidth,
               std::uint32_t rectHeight, std::uint32_t colour);
// Copies (opacity 1) or blends `source` onto `dest` at (left, top), clipped
// to `dest`; opacity is clamped to 0..1. The two buffers must differ.
int tsOverlayImage(std::uint8_t* dest, std::uint32_t destWidth, std::uint32_t destHeight,
                   const std::uint8_t* source, std::uint32_t sourceWidth,
                   std::uint32_t sourceHeight, std::int32_t left, std::int32_t top,
                   double opacity, int integerBlend);

// ---- Display bitmaps ------------------------------------------------------
// Turns an RGB buffer into a device bitmap owned by the caller (DeleteObject),
// in the format of `dc` (null: the screen), through `palette` when given.
// Codes: TSERR_BAD_PARAM (null buffer, a size of 0), TSERR_MEMORY (a side
// above 2,147,483,647, or no memory), TSERR_DEVICE (a context without
// RC_DI_BITMAP), TSERR_BITMAP (the device bitmap could not be made).
HBITMAP tsMakeDisplayBitmap(const std::uint8_t* rgb, std::uint32_t width,
                            std::uint32_t height, HPALETTE palette, HDC dc);

// ---- Writers --------------------------------------------------------------
// Every writer takes an open sink (tsOpenFileSink or tsOpenMemorySink) with
// nothing written to it yet, and writes one complete file to it. It returns
// the sink's size after the last byte (a file's length, once everything has
// reached it), or 0 on failure, leaving the code in tsGetLastError and, for
// a failed write, the system's reason in tsGetLastSystemError. Common codes:
//   TSERR_BAD_PARAM   null sink, null pixels, or an argument outside the
//                     writer's accepted set (nothing is written);
//   TSERR_BAD_STREAM  a sink that is not open;
//   TSERR_MEMORY      no memory for the writer's own buffers;
//   TSERR_WRITE       the sink refused bytes (full disk, a memory sink at its
//                     limit or out of memory, a source given as sink), the
//                     final flush failed, or the codec library failed
//                     (its message goes to the diagnostic channel, never to
//                     the screen).
// A failed write may leave part of a file behind. The caller's pixels and
// palette are only read. Pixel rows run top row first; palettes are 4 bytes
// an entry: blue, green, red, reserved (the reserved byte is not written).

// Optional resolution record for the JPEG, PNG and TIFF writers; what `unit`
// means is each format's own (see each writer).
struct ResolutionInfo {
  std::int32_t xResolution;
  std::int32_t yResolution;
  std::int32_t unit;
};

// Windows bitmap, written bottom-up with rows padded to 4 bytes.
//   runLength 0: uncompressed at bitsPerPixel 1, 4 or 8 (rows of packed
//     indexes, (width x bits + 7) / 8 bytes each, high bits first; palette
//     required), 16 (rows of width little-endian 5-5-5 words, copied as they
//     are) or 24 (rows of width x 3 bytes red, green, blue); anything else
//     is TSERR_BAD_PARAM. 16 and 24 bits write no palette.
//   runLength nonzero: 8-bit run-length coding of width index bytes a row,
//     whatever bitsPerPixel says; palette required.
// With a palette, exactly paletteCount entries are written (and read from
// `palette`), whatever the bit count allows. width and height up to
// 2,147,483,647, and a file that fits in 4 GiB - 1 bytes; otherwise
// TSERR_BAD_PARAM (a run-length file found too large once coded:
// TSERR_WRITE). A width or height of 0 writes the headers alone.
// Codes: TSERR_BAD_PARAM, TSERR_BAD_STREAM, TSERR_MEMORY (also when the
// sink refuses the headers, as callers of this writer have always seen it),
// TSERR_WRITE.
std::uint32_t tsWriteBMP(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                         std::uint32_t height, std::uint32_t bitsPerPixel,
                         std::uint32_t paletteCount, const std::uint8_t* palette, int runLength);
// PCX version 5, run-length coded: bitsPerPixel 24 (rows of width x 3 bytes
// red, green, blue; three planes) or 8 (rows of width indexes; the 256-entry
// palette is required and follows the data). width and height 1 to 32,767.
// Codes: TSERR_BAD_PARAM, TSERR_BAD_STREAM, TSERR_MEMORY, TSERR_WRITE.
std::uint32_t tsWritePCX(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                         std::uint32_t height, std::uint32_t bitsPerPixel,
                         const std::uint8_t* palette);
// JPEG (JFIF) through libjpeg: bitsPerPixel 24 (rows of width x 3 bytes red,
// green, blue) or 8 (greyscale, width bytes a row). width and height from 1;
// above libjpeg's limit of 65,500 the write fails with TSERR_WRITE. quality
// as libjpeg takes it (clamped to 1..100); progressive nonzero for a
// progressive file. resolution: JFIF density unit (0 aspect ratio only, 1
// per inch, 2 per cm) and densities, stored in 8 and 16 bits as given;
// null means 1:1 with unit 0. Codes: TSERR_BAD_PARAM, TSERR_BAD_STREAM,
// TSERR_MEMORY, TSERR_WRITE (libjpeg's own failures, its memory included).
std::uint32_t tsWriteJPG(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                         std::uint32_t height, int quality, int progressive,
                         std::uint32_t bitsPerPixel, const ResolutionInfo* resolution);
// PNG through libpng. The rows go to libpng as they are, rowBytes apart:
// colourType (0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA) and bitDepth
// (1, 2, 4, 8, 16, as PNG allows for the type; 16-bit samples big-endian)
// describe them. rowBytes must hold a row's samples, else TSERR_BAD_PARAM;
// a combination PNG does not allow, a size of 0, or a palette type without a
// palette fails with TSERR_WRITE. paletteCount 1 to 256 (palette required)
// writes a PLTE chunk; other counts write none. gamma above 0 writes gAMA.
// interlaceType 0 none, 1 Adam7. resolution: pHYs unit (0 unknown, 1 per
// metre) and pixels per unit; null means 1:1 with unit 0. Types with alpha
// get a black background chunk; every file gets a time stamp. Codes:
// TSERR_BAD_PARAM, TSERR_BAD_STREAM, TSERR_MEMORY, TSERR_PNG_CREATE (libpng's
// structures could not be created), TSERR_WRITE.
std::uint32_t tsWritePNG(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                         std::uint32_t height, std::uint32_t rowBytes, int bitDepth,
                         std::uint32_t paletteCount, const std::uint8_t* palette, int colourType,
                         double gamma, int interlaceType, const ResolutionInfo* resolution);
// TIFF through libtiff, little-endian, one image in strips: bitsPerPixel 24
// (rows of width x 3 bytes red, green, blue) or 8 (rows of width indexes
// with the 256-entry palette, required, as colour map). width and height
// from 1. compression is libtiff's number (1 none, 5 LZW, 7 JPEG, 8 Deflate,
// 32773 PackBits, ...); an indexed picture asked for JPEG is written
// uncompressed, and one libtiff cannot encode fails with TSERR_WRITE.
// resolution: unit 1 none, 2 per inch, 3 per cm (others fail with
// TSERR_WRITE) and resolutions; null means 1 x 1 with unit 1. Codes:
// TSERR_BAD_PARAM, TSERR_BAD_STREAM, TSERR_MEMORY, TSERR_TIFF_OPEN (libtiff
// could not start a file on the sink), TSERR_WRITE (a tag libtiff refuses,
// a failed row, strip or directory).
std::uint32_t tsWriteTIFF(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                          std::uint32_t height, std::uint32_t bitsPerPixel,
                          const std::uint8_t* palette, std::uint32_t compression,
                          const ResolutionInfo* resolution);
