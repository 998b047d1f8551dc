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
// Turns an RGB buffer into a device bitmap owned by the caller (DeleteObject).
HBITMAP tsMakeDisplayBitmap(const std::uint8_t* rgb, std::uint32_t width,
                            std::uint32_t height, HPALETTE palette, HDC dc);

// ---- Writers --------------------------------------------------------------
// Optional resolution record for the JPEG, PNG and TIFF writers.
struct ResolutionInfo {
  std::int32_t xResolution;
  std::int32_t yResolution;
  std::int32_t unit;
};

// Each writer returns the sink's size after the last byte, 0 on failure.
std::uint32_t tsWriteBMP(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                         std::uint32_t height, std::uint32_t bitsPerPixel,
                         std::uint32_t paletteCount, const std::uint8_t* palette, int runLength);
std::uint32_t tsWritePCX(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                         std::uint32_t height, std::uint32_t bitsPerPixel,
                         const std::uint8_t* palette);
std::uint32_t tsWriteJPG(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                         std::uint32_t height, int quality, int progressive,
                         std::uint32_t bitsPerPixel, const ResolutionInfo* resolution);
std::uint32_t tsWritePNG(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                         std::uint32_t height, std::uint32_t rowBytes, int bitDepth,
                         std::uint32_t paletteCount, const std::uint8_t* palette, int colourType,
                         double gamma, int interlaceType, const ResolutionInfo* resolution);
std::uint32_t tsWriteTIFF(ImageStream* sink, const std::uint8_t* pixels, std::uint32_t width,
                          std::uint32_t height, std::uint32_t bitsPerPixel,
                          const std::uint8_t* palette, std::uint32_t compression,
                          const ResolutionInfo* resolution);
