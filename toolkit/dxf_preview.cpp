#include "toolkit/dxf_preview.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "toolkit/bitmap_file_header.h"
#include "toolkit/cached_file.h"
#include "toolkit/context.h"
#include "toolkit/dxf_tags.h"
#include "toolkit/host_functions.h"
#include "toolkit/preview_directory.h"

namespace {

constexpr std::int64_t kTailSlack = 64 * 1024;
// Hex text doubles the bytes; code lines and line ends add at most another
// bytes' worth for lines of 16 digits or more.
constexpr std::int64_t kTextTailWindow = 3 * std::int64_t{kMaxPreviewBytes} + kTailSlack;
// A binary chunk adds three bytes of framing to at least three of data.
constexpr std::int64_t kBinaryTailWindow = 2 * std::int64_t{kMaxPreviewBytes} + kTailSlack;
// The end of the file is looked for in its last bytes.
constexpr std::size_t kTrailerBytes = 4096;
// The lines before a text header's name are read in one piece.
constexpr std::size_t kHeaderContextBytes = 512;
constexpr std::int64_t kIdentifyBytes = 64 * 1024;
constexpr std::size_t kInfoHeaderBytes = 40;

constexpr char kSectionName[] = "THUMBNAILIMAGE";
constexpr std::size_t kSectionNameBytes = sizeof kSectionName - 1;
// `0 SECTION`, `2 THUMBNAILIMAGE` as binary tags.
constexpr std::uint8_t kBinaryHeader[] = {0,   0,   'S', 'E', 'C', 'T', 'I', 'O', 'N', 0,   2,   0,   'T', 'H',
                                          'U', 'M', 'B', 'N', 'A', 'I', 'L', 'I', 'M', 'A', 'G', 'E', 0};
constexpr std::size_t kBinaryHeaderBytes = sizeof kBinaryHeader;
// `0 ENDSEC`, `0 EOF` as binary tags.
constexpr std::uint8_t kBinaryTrailer[] = {0, 0, 'E', 'N', 'D', 'S', 'E', 'C', 0, 0, 0, 'E', 'O', 'F', 0};
constexpr std::size_t kBinaryTrailerBytes = sizeof kBinaryTrailer;

struct OpenDrawing {
  int descriptor = -1;
  std::int64_t length = 0;
  bool binary = false;
  std::uint8_t* blocks = nullptr;  // two read blocks: scan, then tags
};

void Close(OpenDrawing* drawing) {
  if (drawing->blocks != nullptr) HostMemoryFree(drawing->blocks);
  if (drawing->descriptor >= 0) close(drawing->descriptor);
}

// Opens a regular file without waiting on a FIFO or device.
bool Open(const char* path, OpenDrawing* drawing) {
  if (path == nullptr) return false;
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  drawing->descriptor = fd;
  drawing->length = st.st_size;
  return true;
}

// Reads exactly `bytes` at `position`. A read the system refuses is kept
// as the thread's read error, as the block-cached file keeps one it gives
// up, so that the drawing counts as unreadable rather than without preview.
bool ReadAt(const OpenDrawing& drawing, std::int64_t position, std::uint8_t* out, std::size_t bytes) {
  std::size_t done = 0;
  while (done < bytes) {
    const ssize_t got = pread(drawing.descriptor, out + done, bytes - done, static_cast<off_t>(position + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) CachedFileRecordReadError(errno);
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool IsBinary(const OpenDrawing& drawing) {
  std::uint8_t start[kDxfBinarySentinelBytes];
  return drawing.length >= static_cast<std::int64_t>(kDxfBinarySentinelBytes) &&
         ReadAt(drawing, 0, start, sizeof start) && std::memcmp(start, kDxfBinarySentinel, sizeof start) == 0;
}

bool IsHexOrLayout(std::uint8_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f') || c == ' ' || c == '\t' ||
         c == '\r' || c == '\n';
}

bool IsBlank(std::uint8_t c) { return c == ' ' || c == '\t'; }

// Whether the text, blanks trimmed on both sides, is `word`.
bool IsWord(const std::uint8_t* text, std::size_t length, const char* word) {
  std::size_t start = 0;
  while (start < length && IsBlank(text[start])) ++start;
  while (length > start && IsBlank(text[length - 1])) --length;
  const std::size_t wordLength = std::strlen(word);
  return length - start == wordLength && std::memcmp(text + start, word, wordLength) == 0;
}

// The line that ends just before `*end` (which follows a line feed): sets
// *start to its first byte and *end to the position of its line feed... or
// false when no whole line is in `text`.
bool PreviousLine(const std::uint8_t* text, bool textStartsLine, std::size_t* start, std::size_t* end) {
  if (*end == 0 || text[*end - 1] != '\n') return false;
  const std::size_t lineEnd = *end - 1;
  std::size_t lineStart = lineEnd;
  while (lineStart > 0 && text[lineStart - 1] != '\n') --lineStart;
  if (lineStart == 0 && !textStartsLine) return false;
  *start = lineStart;
  *end = lineEnd;
  return true;
}

bool PreviousLineIs(const std::uint8_t* text, bool textStartsLine, std::size_t* cursor, const char* word) {
  std::size_t start = 0;
  std::size_t end = *cursor;
  if (!PreviousLine(text, textStartsLine, &start, &end)) return false;
  std::size_t length = end - start;
  if (length > 0 && text[start + length - 1] == '\r') --length;
  if (!IsWord(text + start, length, word)) return false;
  *cursor = start;
  return true;
}

// Finds the last "ENDSEC" of the file's last bytes: the position where the
// backward scan starts. -1 when there is none.
std::int64_t TextTrailerStart(const OpenDrawing& drawing, std::uint8_t* scratch) {
  const std::size_t bytes =
      drawing.length < static_cast<std::int64_t>(kTrailerBytes) ? static_cast<std::size_t>(drawing.length) : kTrailerBytes;
  const std::int64_t start = drawing.length - static_cast<std::int64_t>(bytes);
  if (bytes < 6 || !ReadAt(drawing, start, scratch, bytes)) return -1;
  for (std::size_t i = bytes - 6 + 1; i-- > 0;) {
    if (std::memcmp(scratch + i, "ENDSEC", 6) == 0) return start + static_cast<std::int64_t>(i);
  }
  return -1;
}

// A text DXF: the file position just past the line `THUMBNAILIMAGE` of the
// last section's header, or -1.
std::int64_t FindTextSection(const OpenDrawing& drawing, std::uint8_t* scratch) {
  const std::int64_t trailer = TextTrailerStart(drawing, scratch);
  if (trailer < 0) return -1;
  const std::int64_t floor = drawing.length > kTextTailWindow ? drawing.length - kTextTailWindow : 0;
  // Scan backwards from the trailer for the first byte that is not a hex
  // digit, blank or line end: the last letter of the section's name.
  std::int64_t found = -1;
  std::int64_t chunkEnd = trailer;
  while (found < 0 && chunkEnd > floor) {
    const std::int64_t chunkStart =
        chunkEnd - floor > static_cast<std::int64_t>(kDxfReadBlockBytes) ? chunkEnd - kDxfReadBlockBytes : floor;
    const auto bytes = static_cast<std::size_t>(chunkEnd - chunkStart);
    if (!ReadAt(drawing, chunkStart, scratch, bytes)) return -1;
    for (std::size_t i = bytes; i-- > 0;) {
      if (!IsHexOrLayout(scratch[i])) {
        found = chunkStart + static_cast<std::int64_t>(i);
        break;
      }
    }
    chunkEnd = chunkStart;
  }
  // The name ends in 'E', a hex digit: the byte found is its 'G'.
  const std::int64_t nameEnd = found + 2;
  if (found < 0 || nameEnd + 1 > drawing.length) return -1;
  // The name's line with its line end, and the three lines before it.
  const std::int64_t contextStart =
      nameEnd > static_cast<std::int64_t>(kHeaderContextBytes) ? nameEnd - kHeaderContextBytes : 0;
  const std::int64_t contextEnd = nameEnd + 2 <= drawing.length ? nameEnd + 2 : nameEnd + 1;
  const auto contextBytes = static_cast<std::size_t>(contextEnd - contextStart);
  if (!ReadAt(drawing, contextStart, scratch, contextBytes)) return -1;
  const std::size_t name = static_cast<std::size_t>(nameEnd - contextStart) - kSectionNameBytes;
  if (nameEnd - contextStart < static_cast<std::int64_t>(kSectionNameBytes) ||
      std::memcmp(scratch + name, kSectionName, kSectionNameBytes) != 0)
    return -1;
  std::int64_t after = -1;
  const std::size_t tail = static_cast<std::size_t>(nameEnd - contextStart);
  if (tail < contextBytes && scratch[tail] == '\n') after = nameEnd + 1;
  if (tail + 1 < contextBytes && scratch[tail] == '\r' && scratch[tail + 1] == '\n') after = nameEnd + 2;
  if (after < 0) return -1;
  const bool startsLine = contextStart == 0;
  std::size_t cursor = name;
  if (!PreviousLineIs(scratch, startsLine, &cursor, "2") || !PreviousLineIs(scratch, startsLine, &cursor, "SECTION") ||
      !PreviousLineIs(scratch, startsLine, &cursor, "0"))
    return -1;
  return after;
}

// Whether the bytes just before `end` can be the end of a 310 chunk: for
// some length n, the code 310 and the length byte n stand n bytes earlier.
bool EndsChunk(const std::uint8_t* bytes, std::size_t end) {
  for (std::size_t n = 1; n <= 255 && n + 3 <= end; ++n) {
    const std::size_t at = end - n - 3;
    if (bytes[at] == 0x36 && bytes[at + 1] == 0x01 && bytes[at + 2] == n) return true;
  }
  return false;
}

bool HexValue(std::uint8_t c, std::uint8_t* value) {
  if (c >= '0' && c <= '9') *value = static_cast<std::uint8_t>(c - '0');
  else if (c >= 'A' && c <= 'F') *value = static_cast<std::uint8_t>(c - 'A' + 10);
  else if (c >= 'a' && c <= 'f') *value = static_cast<std::uint8_t>(c - 'a' + 10);
  else return false;
  return true;
}

std::uint32_t GetU32(const std::uint8_t* in) {
  return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
         (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

// The first bytes must be a bitmap information header of a known size with
// one plane, a positive width, a height and a bit count a bitmap can have,
// and the colour table must lie inside the data.
bool IsBitmapInfoHeader(const std::uint8_t* header, std::uint32_t dataBytes) {
  const std::uint32_t size = GetU32(header);
  if (size != 40 && size != 52 && size != 56 && size != 108 && size != 124) return false;
  if (size > dataBytes) return false;
  const auto width = static_cast<std::int32_t>(GetU32(header + 4));
  const auto height = static_cast<std::int32_t>(GetU32(header + 8));
  const unsigned planes = header[12] | (header[13] << 8);
  const unsigned bits = header[14] | (header[15] << 8);
  if (width <= 0 || height == 0 || planes != 1) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  return PixelDataOffset(header, kInfoHeaderBytes) - kBitmapFileHeaderBytes <= dataBytes;
}

enum SectionResult { kSectionFault, kSectionTooLarge, kSectionRead };

// Parses the section's tags from just past its header to the end of the
// file. With `out`, writes the file image there (capacity bytes); the
// bitmap's byte count goes to *dataBytes.
SectionResult ParseSection(const OpenDrawing& drawing, std::int64_t position, std::uint8_t* out,
                           std::uint32_t capacity, std::uint32_t* dataBytes) {
  DxfTagReader reader;
  DxfTagReaderStart(&reader, drawing.descriptor, drawing.length, drawing.binary, drawing.blocks + kDxfReadBlockBytes,
                    position);
  DxfTag tag{};
  if (DxfReadTag(&reader, &tag) != 1 || tag.code != 90) return kSectionFault;
  if (tag.integer < static_cast<std::int64_t>(kInfoHeaderBytes) || tag.integer > kMaxPreviewBytes) return kSectionFault;
  const auto count = static_cast<std::uint32_t>(tag.integer);
  // A section too large for the buffer is still parsed to the end: only a
  // valid one is "too large", an invalid one is no preview (and a binary
  // file's search goes on to an earlier header).
  const bool tooLarge = out != nullptr && count > capacity - kBitmapFileHeaderBytes;
  if (tooLarge) out = nullptr;
  std::uint8_t header[kInfoHeaderBytes];
  std::uint32_t decoded = 0;
  const auto put = [&](std::uint8_t byte) {
    if (decoded < kInfoHeaderBytes) header[decoded] = byte;
    if (out != nullptr) out[kBitmapFileHeaderBytes + decoded] = byte;
    ++decoded;
  };
  for (;;) {
    if (DxfReadTag(&reader, &tag) != 1) return kSectionFault;  // unterminated
    if (tag.code == 0) {
      if (!IsWord(tag.value, tag.valueLength, "ENDSEC")) return kSectionFault;
      break;
    }
    if (tag.code != 310) return kSectionFault;
    if (drawing.binary) {
      if (tag.valueLength > count - decoded) return kSectionFault;
      for (std::size_t i = 0; i < tag.valueLength; ++i) put(tag.value[i]);
      continue;
    }
    std::size_t digits = tag.valueLength;
    while (digits > 0 && IsBlank(tag.value[digits - 1])) --digits;
    if (digits % 2 != 0 || digits / 2 > count - decoded) return kSectionFault;
    for (std::size_t i = 0; i < digits; i += 2) {
      std::uint8_t high = 0;
      std::uint8_t low = 0;
      if (!HexValue(tag.value[i], &high) || !HexValue(tag.value[i + 1], &low)) return kSectionFault;
      put(static_cast<std::uint8_t>(high << 4 | low));
    }
  }
  if (decoded != count) return kSectionFault;
  if (DxfReadTag(&reader, &tag) != 1 || tag.code != 0 || !IsWord(tag.value, tag.valueLength, "EOF")) {
    return kSectionFault;
  }
  if (!DxfOnlyPaddingLeft(&reader)) return kSectionFault;
  if (!IsBitmapInfoHeader(header, count)) return kSectionFault;
  if (tooLarge) return kSectionTooLarge;
  if (out != nullptr) {
    WriteBitmapFileHeaderStart(out, count);
    WritePixelDataOffset(out, PixelDataOffset(out + kBitmapFileHeaderBytes, count));
  }
  *dataBytes = count;
  return kSectionRead;
}

// A binary DXF: the latest section header in the tail window from which
// the section parses, tried at most kDxfHeaderCandidates times.
SectionResult ReadBinarySection(const OpenDrawing& drawing, std::uint8_t* out, std::uint32_t capacity,
                                std::uint32_t* dataBytes) {
  std::uint8_t* scratch = drawing.blocks;
  const std::size_t bytes =
      drawing.length < static_cast<std::int64_t>(kTrailerBytes) ? static_cast<std::size_t>(drawing.length) : kTrailerBytes;
  const std::int64_t tailStart = drawing.length - static_cast<std::int64_t>(bytes);
  if (bytes < kBinaryTrailerBytes + kDxfBinarySentinelBytes || !ReadAt(drawing, tailStart, scratch, bytes)) {
    return kSectionFault;
  }
  const std::size_t trailer = bytes - kBinaryTrailerBytes;
  if (std::memcmp(scratch + trailer, kBinaryTrailer, kBinaryTrailerBytes) != 0) return kSectionFault;
  if (!EndsChunk(scratch, trailer)) return kSectionFault;

  const std::int64_t windowFloor = drawing.length > kBinaryTailWindow ? drawing.length - kBinaryTailWindow : 0;
  const std::int64_t floor =
      windowFloor > static_cast<std::int64_t>(kDxfBinarySentinelBytes) ? windowFloor : kDxfBinarySentinelBytes;
  int candidates = 0;
  // Chunks overlap by the header's length less one, so that a header
  // across two chunks is seen once.
  std::int64_t chunkEnd = tailStart + static_cast<std::int64_t>(trailer);
  while (chunkEnd - floor >= static_cast<std::int64_t>(kBinaryHeaderBytes)) {
    const std::int64_t chunkStart =
        chunkEnd - floor > static_cast<std::int64_t>(kDxfReadBlockBytes) ? chunkEnd - kDxfReadBlockBytes : floor;
    const auto chunkBytes = static_cast<std::size_t>(chunkEnd - chunkStart);
    if (!ReadAt(drawing, chunkStart, scratch, chunkBytes)) return kSectionFault;
    for (std::size_t i = chunkBytes - kBinaryHeaderBytes + 1; i-- > 0;) {
      if (scratch[i] != 0 || std::memcmp(scratch + i, kBinaryHeader, kBinaryHeaderBytes) != 0) continue;
      const SectionResult result =
          ParseSection(drawing, chunkStart + static_cast<std::int64_t>(i + kBinaryHeaderBytes), out, capacity, dataBytes);
      if (result != kSectionFault) return result;
      if (++candidates >= kDxfHeaderCandidates) return kSectionFault;
    }
    chunkEnd = chunkStart + static_cast<std::int64_t>(kBinaryHeaderBytes) - 1;
    if (chunkStart == floor) break;
  }
  return kSectionFault;
}

SectionResult ReadSection(const OpenDrawing& drawing, std::uint8_t* out, std::uint32_t capacity,
                          std::uint32_t* dataBytes) {
  if (drawing.binary) return ReadBinarySection(drawing, out, capacity, dataBytes);
  const std::int64_t body = FindTextSection(drawing, drawing.blocks);
  if (body < 0) return kSectionFault;
  return ParseSection(drawing, body, out, capacity, dataBytes);
}

bool Prepare(OpenDrawing* drawing) {
  drawing->blocks = static_cast<std::uint8_t*>(HostMemoryAllocate(2 * kDxfReadBlockBytes));
  if (drawing->blocks == nullptr) return false;
  drawing->binary = IsBinary(*drawing);
  return true;
}

}  // namespace

std::int16_t IsDxfDrawing(const char* path) {
  OpenDrawing drawing;
  if (!Open(path, &drawing)) return 0;
  std::uint8_t start[kDxfBinarySentinelBytes] = {};
  const std::size_t have = drawing.length < static_cast<std::int64_t>(sizeof start)
                               ? static_cast<std::size_t>(drawing.length)
                               : sizeof start;
  bool dxf = false;
  if (ReadAt(drawing, 0, start, have)) {
    dxf = have == sizeof start && std::memcmp(start, kDxfBinarySentinel, sizeof start) == 0;
    // A DWG's version string: no need to read on.
    const bool dwg = have >= 4 && std::memcmp(start, "AC10", 4) == 0;
    if (!dxf && !dwg && (drawing.blocks = static_cast<std::uint8_t*>(HostMemoryAllocate(kDxfReadBlockBytes)))) {
      DxfTagReader reader;
      DxfTagReaderStart(&reader, drawing.descriptor, drawing.length, false, drawing.blocks, 0);
      DxfTag tag{};
      while (DxfReaderPosition(&reader) < kIdentifyBytes && DxfReadTag(&reader, &tag) == 1) {
        if (tag.code == 999) continue;
        dxf = tag.code == 0 && IsWord(tag.value, tag.valueLength, "SECTION");
        break;
      }
    }
  }
  Close(&drawing);
  return dxf ? 1 : 0;
}

std::uint32_t DxfPreviewImageSize(const char* path) {
  OpenDrawing drawing;
  if (!Open(path, &drawing)) {
    SetErrorNumber(kErrCannotOpenFile);
    return 0;
  }
  std::uint32_t dataBytes = 0;
  const bool read = Prepare(&drawing) && ReadSection(drawing, nullptr, 0, &dataBytes) == kSectionRead;
  Close(&drawing);
  return read ? dataBytes + kBitmapFileHeaderBytes : 0;
}

std::int16_t ExtractDxfPreviewImage(const char* path, std::uint8_t* buffer, std::uint32_t capacity,
                                    std::uint32_t* length) {
  OpenDrawing drawing;
  if (!Open(path, &drawing)) {
    SetErrorNumber(kErrCannotOpenFile);
    return 0;
  }
  if (!Prepare(&drawing)) {
    Close(&drawing);
    SetErrorNumber(kErrNoTransferBuffer);
    if (gToolkitContext != nullptr && gToolkitContext->criticalErrorHandler != nullptr) {
      gToolkitContext->criticalErrorHandler(kCriticalFatal);
    }
    return 0;
  }
  std::uint32_t dataBytes = 0;
  SectionResult result = kSectionFault;
  if (buffer != nullptr && capacity >= kBitmapFileHeaderBytes) {
    result = ReadSection(drawing, buffer, capacity, &dataBytes);
  } else if (ReadSection(drawing, nullptr, 0, &dataBytes) == kSectionRead) {
    result = kSectionTooLarge;  // a preview, but nowhere to put it
  }
  Close(&drawing);
  if (result == kSectionFault) {
    SetErrorNumber(kErrNoPreview);
    return 0;
  }
  if (result == kSectionTooLarge) {
    SetErrorNumber(kErrBadImageData);
    return 0;
  }
  SetErrorNumber(kErrNone);
  if (length != nullptr) *length = dataBytes + kBitmapFileHeaderBytes;
  return 1;
}
