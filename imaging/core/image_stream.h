// The ImageStream record behind every source and sink handle, and StreamRef,
// the stack wrapper whose methods are the stream operations.
#pragma once

#include <cstdint>
#include <cstdio>

struct ImageStream {
  std::uint32_t signature1;  // kSignature1 once opened
  std::FILE* file;           // file kind: the C stream
  std::int32_t kind;         // kFileStream, kMemoryStream (kCallbackStream is accepted but unused)
  const std::uint8_t* buffer;  // memory kind: the caller's buffer (not owned)
  std::uint32_t capacity;    // memory kind: buffer size in bytes
  std::uint32_t position;    // memory kind: current offset
  char* path;                // file kind: the path it was opened with (owned copy)
  std::uint32_t writable;    // 1 for a sink, 0 for a source
  std::uint32_t signature2;  // kSignature2 once opened
};

namespace tessera {

constexpr std::uint32_t kSignature1 = 0x03031996u;
constexpr std::uint32_t kSignature2 = 0x09241996u;
constexpr std::int32_t kFileStream = 1;
constexpr std::int32_t kMemoryStream = 2;
constexpr std::int32_t kCallbackStream = 3;

// Seek origins, as for fseek.
constexpr int kSeekSet = 0;
constexpr int kSeekCur = 1;
constexpr int kSeekEnd = 2;

// Live-handle registry: a handle is only ever dereferenced by validation when
// it is registered, so stale or foreign pointers fail cleanly.
// registerStream is false when the registry cannot grow (memory exhausted);
// the handle is then unknown and must not be handed out.
bool registerStream(const ImageStream* stream) noexcept;
void unregisterStream(const ImageStream* stream);
bool isRegisteredStream(const ImageStream* stream);
// Handles open now (for tests: every open is matched by a close).
std::size_t liveStreamCount();

class StreamRef {
 public:
  explicit StreamRef(ImageStream* stream) : s_(stream) {}

  ImageStream* handle() const { return s_; }

  // Reads up to n bytes; returns the count delivered.
  std::uint32_t streamRead(void* dest, std::uint32_t n);
  // True only when all n bytes were delivered.
  bool streamReadExact(void* dest, std::uint32_t n);
  // Writes count elements of size bytes; false unless all were written.
  bool streamWrite(const void* src, std::size_t size, std::size_t count);
  bool streamWriteBytes(const void* src, std::size_t n) { return streamWrite(src, 1, n); }
  // Memory kind: origin 0 or 1 only, and the target must lie below capacity.
  bool streamSeek(std::int64_t offset, int origin);
  bool streamRewind() { return streamSeek(0, kSeekSet); }
  std::uint32_t streamTell();
  // A writable file stream is flushed first.
  std::uint32_t streamSize();
  bool streamClose();
  bool streamIsValid() const;

  // The path of a file stream ("" for other kinds).
  const char* path() const;

 private:
  ImageStream* s_;
};

}  // namespace tessera
