#include "toolkit/dxf_tags.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "toolkit/cached_file.h"

const std::uint8_t kDxfBinarySentinel[kDxfBinarySentinelBytes] = {
    'A', 'u', 't', 'o', 'C', 'A', 'D', ' ', 'B', 'i', 'n', 'a', 'r', 'y', ' ', 'D', 'X', 'F', '\r', '\n', 0x1A, 0};

namespace {

bool In(int code, int low, int high) { return code >= low && code <= high; }

// Keeps at least `wanted` unparsed bytes in the buffer when the file holds
// them: moves the rest to the front and reads behind it. False on a read
// error.
bool Fill(DxfTagReader* reader, std::size_t wanted) {
  std::size_t left = reader->bufferLength - reader->cursor;
  if (left >= wanted) return true;
  if (reader->cursor > 0) {
    std::memmove(reader->buffer, reader->buffer + reader->cursor, left);
    reader->bufferStart += static_cast<std::int64_t>(reader->cursor);
    reader->cursor = 0;
    reader->bufferLength = left;
  }
  while (reader->bufferLength < kDxfReadBlockBytes) {
    const std::int64_t at = reader->bufferStart + static_cast<std::int64_t>(reader->bufferLength);
    if (at >= reader->fileLength) break;
    const ssize_t got = pread(reader->descriptor, reader->buffer + reader->bufferLength,
                              kDxfReadBlockBytes - reader->bufferLength, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      CachedFileRecordReadError(errno);  // the drawing is unreadable
      return false;
    }
    if (got == 0) break;  // the file shrank
    reader->bufferLength += static_cast<std::size_t>(got);
    if (reader->bufferLength - reader->cursor >= wanted) break;
  }
  return true;
}

std::size_t Available(const DxfTagReader* reader) { return reader->bufferLength - reader->cursor; }

// One text line without its line end (LF, or CR LF). 1, 0 at the end of the
// file, -1 for a fault. A last line without a line end is accepted.
int ReadLine(DxfTagReader* reader, const std::uint8_t** line, std::size_t* length) {
  if (!Fill(reader, kDxfMaxValueBytes + 2)) return -1;
  if (Available(reader) == 0) return 0;
  const std::uint8_t* start = reader->buffer + reader->cursor;
  const std::size_t scan = Available(reader) < kDxfMaxValueBytes + 2 ? Available(reader) : kDxfMaxValueBytes + 2;
  const auto* end = static_cast<const std::uint8_t*>(std::memchr(start, '\n', scan));
  std::size_t consumed = 0;
  std::size_t bytes = 0;
  if (end != nullptr) {
    bytes = static_cast<std::size_t>(end - start);
    consumed = bytes + 1;
  } else if (scan == Available(reader) && reader->bufferStart + static_cast<std::int64_t>(reader->bufferLength) >=
                                               reader->fileLength) {
    bytes = scan;  // the last line of the file
    consumed = bytes;
  } else {
    return -1;  // longer than any real line
  }
  if (bytes > 0 && start[bytes - 1] == '\r') --bytes;
  if (bytes > kDxfMaxValueBytes) return -1;
  reader->cursor += consumed;
  *line = start;
  *length = bytes;
  return 1;
}

bool IsBlank(std::uint8_t c) { return c == ' ' || c == '\t'; }

// A decimal integer with optional blanks around it and an optional sign;
// at most 18 digits.
bool ParseInteger(const std::uint8_t* text, std::size_t length, std::int64_t* value) {
  std::size_t i = 0;
  while (i < length && IsBlank(text[i])) ++i;
  while (length > i && IsBlank(text[length - 1])) --length;
  bool negative = false;
  if (i < length && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == length || length - i > 18) return false;
  std::int64_t result = 0;
  for (; i < length; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    result = result * 10 + (text[i] - '0');
  }
  *value = negative ? -result : result;
  return true;
}

std::int64_t LittleEndian(const std::uint8_t* bytes, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  // Sign-extend from `count` bytes.
  if (count < 8 && (bytes[count - 1] & 0x80) != 0) value |= ~std::uint64_t{0} << (8 * count);
  return static_cast<std::int64_t>(value);
}

int ReadTextTag(DxfTagReader* reader, DxfTag* tag) {
  const std::uint8_t* line = nullptr;
  std::size_t length = 0;
  const int got = ReadLine(reader, &line, &length);
  if (got <= 0) return got;
  std::int64_t code = 0;
  if (!ParseInteger(line, length, &code) || code < 0 || code > 9999) return -1;
  tag->code = static_cast<int>(code);
  if (!DxfValueKindOf(tag->code, &tag->kind)) return -1;
  if (ReadLine(reader, &line, &length) != 1) return -1;
  tag->value = line;
  tag->valueLength = length;
  tag->integer = 0;
  if (tag->kind == kDxfInteger && !ParseInteger(line, length, &tag->integer)) return -1;
  return 1;
}

int IntegerBytes(int code) {
  if (In(code, 60, 79) || In(code, 170, 179) || In(code, 270, 289) || In(code, 370, 389) || In(code, 400, 409) ||
      In(code, 1060, 1070))
    return 2;
  if (In(code, 90, 99) || In(code, 420, 429) || In(code, 440, 459) || code == 1071) return 4;
  if (In(code, 160, 169)) return 8;
  return 1;  // booleans 290-299
}

int ReadBinaryTag(DxfTagReader* reader, DxfTag* tag) {
  if (!Fill(reader, kDxfMaxValueBytes + 2)) return -1;
  if (Available(reader) == 0) return 0;
  if (Available(reader) < 2) return -1;
  const std::uint8_t* at = reader->buffer + reader->cursor;
  tag->code = at[0] | (at[1] << 8);
  if (!DxfValueKindOf(tag->code, &tag->kind)) return -1;
  at += 2;
  const std::size_t left = Available(reader) - 2;
  std::size_t bytes = 0;
  tag->integer = 0;
  switch (tag->kind) {
    case kDxfString: {
      const std::size_t scan = left < kDxfMaxValueBytes + 1 ? left : kDxfMaxValueBytes + 1;
      const auto* end = static_cast<const std::uint8_t*>(std::memchr(at, 0, scan));
      if (end == nullptr) return -1;  // cut short or over-long
      tag->value = at;
      tag->valueLength = static_cast<std::size_t>(end - at);
      bytes = tag->valueLength + 1;
      break;
    }
    case kDxfBinaryChunk:
      if (left < 1 || left - 1 < at[0]) return -1;
      tag->value = at + 1;
      tag->valueLength = at[0];
      bytes = 1 + static_cast<std::size_t>(at[0]);
      break;
    case kDxfDouble:
      if (left < 8) return -1;
      tag->value = at;
      tag->valueLength = 8;
      bytes = 8;
      break;
    case kDxfInteger: {
      const int width = IntegerBytes(tag->code);
      if (left < static_cast<std::size_t>(width)) return -1;
      tag->integer = LittleEndian(at, width);
      tag->value = at;
      tag->valueLength = static_cast<std::size_t>(width);
      bytes = static_cast<std::size_t>(width);
      break;
    }
  }
  reader->cursor += 2 + bytes;
  return 1;
}

}  // namespace

bool DxfValueKindOf(int code, DxfValueKind* kind) {
  if (In(code, 0, 9) || In(code, 100, 102) || code == 105 || In(code, 300, 309) || In(code, 320, 369) ||
      In(code, 390, 399) || In(code, 410, 419) || In(code, 430, 439) || In(code, 470, 481) || code == 999 ||
      (In(code, 1000, 1009) && code != 1004)) {
    *kind = kDxfString;
  } else if (In(code, 10, 59) || In(code, 110, 149) || In(code, 210, 239) || In(code, 460, 469) ||
             In(code, 1010, 1059)) {
    *kind = kDxfDouble;
  } else if (In(code, 60, 79) || In(code, 170, 179) || In(code, 270, 289) || In(code, 370, 389) ||
             In(code, 400, 409) || In(code, 1060, 1071) || In(code, 90, 99) || In(code, 420, 429) ||
             In(code, 440, 459) || In(code, 160, 169) || In(code, 290, 299)) {
    *kind = kDxfInteger;
  } else if (In(code, 310, 319) || code == 1004) {
    *kind = kDxfBinaryChunk;
  } else {
    return false;
  }
  return true;
}

void DxfTagReaderStart(DxfTagReader* reader, int descriptor, std::int64_t fileLength, bool binary,
                       std::uint8_t* buffer, std::int64_t position) {
  *reader = DxfTagReader{descriptor, fileLength, binary, buffer, position, 0, 0};
}

int DxfReadTag(DxfTagReader* reader, DxfTag* tag) {
  return reader->binary ? ReadBinaryTag(reader, tag) : ReadTextTag(reader, tag);
}

std::int64_t DxfReaderPosition(const DxfTagReader* reader) {
  return reader->bufferStart + static_cast<std::int64_t>(reader->cursor);
}

bool DxfOnlyPaddingLeft(DxfTagReader* reader) {
  for (;;) {
    if (!Fill(reader, 1)) return false;
    if (Available(reader) == 0) return true;
    for (; reader->cursor < reader->bufferLength; ++reader->cursor) {
      const std::uint8_t c = reader->buffer[reader->cursor];
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != 0 && c != 0x1A) return false;
    }
  }
}
