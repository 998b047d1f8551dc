// Helpers for the writer tests: pictures built in code, a sink round trip,
// and independent readers for every format the writers produce (Qt for BMP,
// libjpeg, libpng and libtiff for theirs, a small decoder of our own for PCX),
// plus parsers for the structural checks (PNG chunks, JPEG markers, TIFF tags).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "imaging/tessera.h"

namespace writertest {

using Bytes = std::vector<std::uint8_t>;

// A decoded or generated picture: `channels` bytes per pixel, rows top first.
struct Picture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t channels = 3;
  Bytes pixels;
};

// Reproducible bytes in 0..255, so that tests see values with both top bits set.
Bytes noise(std::size_t count, std::uint32_t seed);
// RGB rows that mix runs of one colour with noise: both coding paths get used.
Picture mixedRgb(std::uint32_t width, std::uint32_t height, std::uint32_t seed);
// A smooth RGB gradient (lossy coders reproduce it closely).
Picture gradientRgb(std::uint32_t width, std::uint32_t height);
// 256 palette entries, blue, green, red, reserved, all colours distinct.
Bytes distinctPalette();

// What one writer call left behind.
struct Written {
  std::uint32_t result = 0;
  std::int32_t error = -1;
  Bytes file;
};
// Opens a file sink at `path`, runs `write`, records its result and last
// error, closes the sink and reads the file back.
Written writeFile(const std::string& path, const std::function<std::uint32_t(ImageStream*)>& write);
// The same over a memory sink: the bytes are the sink's at its close, which
// must report as many.
Written writeMemory(const std::function<std::uint32_t(ImageStream*)>& write);

// Independent readers. Each fails the current test (and returns an empty
// picture) when the data does not decode.
Picture decodeWithQt(const Bytes& file);                 // any format Qt reads, as RGB
Picture decodeJpeg(const Bytes& file);                   // libjpeg; 1 or 3 channels
Picture decodePng(const Bytes& file, std::uint32_t channels = 3);  // libpng simplified reader
Picture decodeTiff(const Bytes& file);                   // libtiff, as RGB

// A PCX reader: header fields, the decoded planes as RGB or indices, and the
// trailing palette when there is one.
struct Pcx {
  Bytes header;
  std::uint32_t planes = 0;
  std::uint32_t bytesPerLine = 0;
  Picture picture;     // RGB for three planes, indices for one
  Bytes palette;       // 768 bytes red, green, blue, or empty
  std::size_t dataEnd = 0;  // offset just past the run-coded rows
};
Pcx decodePcx(const Bytes& file);

struct Chunk {
  std::string type;
  Bytes data;
};
std::vector<Chunk> pngChunks(const Bytes& file);

struct Segment {
  std::uint8_t marker = 0;  // the byte after 0xFF
  Bytes data;               // the segment's payload after its length
};
// Marker segments up to the first start of scan.
std::vector<Segment> jpegSegments(const Bytes& file);

// One directory entry of a little-endian TIFF.
struct TiffEntry {
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::uint32_t value = 0;  // the value field (an offset when it does not fit)
};
std::map<std::uint16_t, TiffEntry> tiffDirectory(const Bytes& file);

std::uint16_t le16(const Bytes& b, std::size_t at);
std::uint32_t le32(const Bytes& b, std::size_t at);
std::uint32_t be32(const Bytes& b, std::size_t at);

}  // namespace writertest
