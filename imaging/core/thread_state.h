// Per-thread library state: each thread that calls into the library gets one
// ThreadState, found through a thread-local slot and kept on a process-wide
// list until the process ends.
#pragma once

#include <cstdint>
#include <stdexcept>

namespace tessera {

struct ThreadState {
  std::int32_t lastError = 0;
  // The system's reason (errno) for the failure in lastError, 0 when it had
  // none; recorded together with lastError.
  std::int32_t systemError = 0;
};

// Thrown when the thread-local slot cannot take the new state.
class TlsException : public std::runtime_error {
 public:
  explicit TlsException(std::uint32_t code)
      : std::runtime_error("thread-local slot store failed"), code_(code) {}
  std::uint32_t code() const { return code_; }

 private:
  std::uint32_t code_;
};

// The calling thread's state, created on first use; null when the slot could
// not be allocated or the state could not be created and stored.
ThreadState* currentThreadState();

}  // namespace tessera
