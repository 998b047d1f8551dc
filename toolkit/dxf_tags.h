// A forward reader of DXF group code / value pairs ("tags") from a file
// position on, for text and binary DXF.
//
// Text DXF: each tag is two lines, the group code (a decimal number, often
// right-aligned with spaces) and the value; lines end in LF or CR LF.
// Binary DXF: a 2-byte little-endian group code, then the value, encoded by
// the code's range: NUL-terminated strings, 16-, 32- and 64-bit integers,
// doubles, one-byte booleans, and binary chunks (a length byte, then that
// many bytes).
//
// The reader reads the file with pread in blocks of kDxfReadBlockBytes into
// a buffer the caller supplies, so it works at any 64-bit position of a
// file of any size. No line (text) or string (binary) may be longer than
// kDxfMaxValueBytes; a longer one is a fault, so that no value needs more
// than the one buffer.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t kDxfReadBlockBytes = 64 * 1024;
// Longer than any line of a real preview section (hex lines hold at most
// 256 digits).
constexpr std::size_t kDxfMaxValueBytes = 1024;

// The 22 bytes that open a binary DXF.
constexpr std::size_t kDxfBinarySentinelBytes = 22;
extern const std::uint8_t kDxfBinarySentinel[kDxfBinarySentinelBytes];

struct DxfTagReader {
  int descriptor;
  std::int64_t fileLength;
  bool binary;
  std::uint8_t* buffer;       // kDxfReadBlockBytes bytes, owned by the caller
  std::int64_t bufferStart;   // file position of buffer[0]
  std::size_t bufferLength;   // valid bytes in buffer
  std::size_t cursor;         // next byte to parse
};

enum DxfValueKind { kDxfString, kDxfInteger, kDxfDouble, kDxfBinaryChunk };

struct DxfTag {
  int code;
  DxfValueKind kind;
  // Strings and binary chunks: the raw value bytes, valid until the next
  // read. Text DXF values are the line without its line end; numbers are
  // parsed from them.
  const std::uint8_t* value;
  std::size_t valueLength;
  std::int64_t integer;  // integer codes (text and binary)
};

// The kind of value a group code carries; false for a code outside every
// range.
bool DxfValueKindOf(int code, DxfValueKind* kind);

void DxfTagReaderStart(DxfTagReader* reader, int descriptor, std::int64_t fileLength, bool binary,
                       std::uint8_t* buffer, std::int64_t position);

// 1: a tag was read; 0: the end of the file was reached before the tag's
// first byte; -1: a fault (a short read, a code that is not a number or in
// no range, a value cut short by the end of the file, a line or string over
// kDxfMaxValueBytes, an integer value that is not a number).
int DxfReadTag(DxfTagReader* reader, DxfTag* tag);

// The file position of the next byte to parse.
std::int64_t DxfReaderPosition(const DxfTagReader* reader);

// Whether only padding (spaces, tabs, line ends, NUL and SUB bytes) is left
// from the reader's position to the end of the file.
bool DxfOnlyPaddingLeft(DxfTagReader* reader);
