// Pieces the five writers share: little-endian field packing, the final
// flush-and-size step, the diagnostic channel for codec library messages and
// the clock that stamps written files.
#pragma once

#include <cstdint>
#include <ctime>

#include "imaging/core/image_stream.h"
#include "imaging/core/operation_context.h"
#include "platform/global_memory.h"

namespace tessera {

inline void putLE16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void putLE32(std::uint8_t* at, std::uint32_t value) {
  putLE16(at, value);
  putLE16(at + 2, value >> 16);
}

// Owns one global memory block for the length of a call.
class GlobalBuffer {
 public:
  explicit GlobalBuffer(std::uint8_t* block = nullptr) : block_(block) {}
  ~GlobalBuffer() { GlobalFree(block_); }
  GlobalBuffer(const GlobalBuffer&) = delete;
  GlobalBuffer& operator=(const GlobalBuffer&) = delete;
  std::uint8_t* get() const { return block_; }

 private:
  std::uint8_t* block_;
};

// The sink's size once everything written has reached the file. stdio keeps
// small writes in its buffer, so a full disk often shows only here: a failed
// flush, or an error the stream recorded on the way, is TSERR_WRITE and 0.
std::uint32_t finishSink(OperationContext& ctx, StreamRef& sink);

// Messages of the codec libraries (error texts, warnings). They are never
// shown to the user: the calling thread keeps the last one for inspection, and
// they go to stderr only when PICTROVE_TRACE is set in the environment.
void traceDiagnostic(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The calling thread's last diagnostic text ("" when none).
const char* lastDiagnostic();
void clearDiagnostic();

// The time stamped into written files. Tests install a fixed clock to make
// files reproducible; null restores the system clock. Returns the previous one.
using WriterClock = std::time_t (*)();
std::time_t writerNow();
WriterClock setWriterClock(WriterClock clock);

}  // namespace tessera
