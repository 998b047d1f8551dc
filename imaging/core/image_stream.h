// The ImageStream record behind every source and sink handle, and StreamRef,
// the stack wrapper whose methods are the stream operations.
#pragma once

#include <cstdint>
#include <cstdio>

struct ImageStream {
  std::uint32_t signature1;  // kSignature1 once opened
  std::FILE* file;           // file kind: the C stream
  std::int32_t kind;         // kFileStream, kMemoryStream, kMemorySink (kCallbackStream is accepted but unused)
  const std::uint8_t* buffer;  // memory kind: the caller's buffer (not owned)
  std::uint32_t capacity;    // memory kind: buffer size in bytes; memory sink: bytes allocated
  std::uint32_t position;    // memory kinds: current offset
  char* path;                // file kind: the path it was opened with (owned copy)
  std::uint32_t writable;    // 1 for a sink, 0 for a source
  std::uint8_t* block;       // memory sink: the bytes, a global block (owned; null while empty)
  std::uint32_t length;      // memory sink: bytes written, up to the furthest one
  std::uint32_t limit;       // memory sink: the most bytes it may hold
  std::uint32_t signature2;  // kSignature2 once opened
};

namespace tessera {

constexpr std::uint32_t kSignature1 = 0x03031996u;
constexpr std::uint32_t kSignature2 = 0x09241996u;
constexpr std::int32_t kFileStream = 1;
constexpr std::int32_t kMemoryStream = 2;
constexpr std::int32_t kCallbackStream = 3;
constexpr std::int32_t kMemorySink = 4;
// A memory sink's first block; it then doubles as it fills.
constexpr std::uint32_t kMemorySinkFirstBlock = 4096;

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

// The reason (an errno value) of the first file operation that failed on
// the calling thread since the last reset; 0 when none failed or the
// failure had no system cause. Each entry point resets it when it starts
// and hands it to the thread's state with its error code.
void resetSystemError();
int pendingSystemError();
// Keeps `code` when no earlier failure was noted since the reset.
void noteSystemError(int code);

class StreamRef {
 public:
  explicit StreamRef(ImageStream* stream) : s_(stream) {}

  ImageStream* handle() const { return s_; }

  // Every operation on a file notes the system's reason when it fails
  // (noteSystemError); a memory sink notes ENOMEM when it cannot grow and
  // EFBIG when a write would take it past its limit.

  // Reads up to n bytes; returns the count delivered.
  std::uint32_t streamRead(void* dest, std::uint32_t n);
  // True only when all n bytes were delivered.
  bool streamReadExact(void* dest, std::uint32_t n);
  // Writes count elements of size bytes; false unless all were written. A
  // memory sink writes all or nothing, and a write beyond its end leaves
  // zeros in the gap, as a file does.
  bool streamWrite(const void* src, std::size_t size, std::size_t count);
  bool streamWriteBytes(const void* src, std::size_t n) { return streamWrite(src, 1, n); }
  // Memory source: origin 0 or 1 only, and the target must lie below
  // capacity. Memory sink: any origin, any target up to its limit (beyond
  // its end too, as with a file).
  bool streamSeek(std::int64_t offset, int origin);
  bool streamRewind() { return streamSeek(0, kSeekSet); }
  std::uint32_t streamTell();
  // Hands a writable file's buffered data to the system; true for the
  // other kinds.
  bool streamFlush();
  // A writable file stream is flushed first; 0 also when that fails.
  std::uint32_t streamSize();
  // Closes the file or frees a memory sink's bytes; false when the file's
  // last data could not be written or the close failed.
  bool streamClose();
  bool streamIsValid() const;

  // The path of a file stream ("" for other kinds).
  const char* path() const;

 private:
  ImageStream* s_;
};

}  // namespace tessera
