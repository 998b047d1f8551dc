// Tells ThreadSanitizer about hand-offs that a library it cannot see into
// makes between threads. oneTBB passes work between its threads with its own
// atomics, which an uninstrumented build of it hides from the sanitizer; a
// Release on one side and an Acquire on the other, at the same address,
// draw the same happens-before edge that the library really provides.
// Outside a ThreadSanitizer build every call is empty.
#pragma once

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#define PICTROVE_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#include <sanitizer/tsan_interface.h>
#define PICTROVE_TSAN 1
#endif
#endif

namespace pictrove {

class HandOff {
 public:
  // Everything this thread did before is visible to a later Acquire(at).
  static void Release([[maybe_unused]] const void* at) {
#ifdef PICTROVE_TSAN
    __tsan_release(const_cast<void*>(at));
#endif
  }
  static void Acquire([[maybe_unused]] const void* at) {
#ifdef PICTROVE_TSAN
    __tsan_acquire(const_cast<void*>(at));
#endif
  }

  // The same at this object's own address.
  void Publish() const { Release(this); }
  void Receive() const { Acquire(this); }
};

// Acquires at an address now and releases it when the scope ends, however
// it ends: one stage's view of an object handed along.
class HandOffScope {
 public:
  explicit HandOffScope(const void* at) : at_(at) { HandOff::Acquire(at_); }
  ~HandOffScope() { HandOff::Release(at_); }
  HandOffScope(const HandOffScope&) = delete;
  HandOffScope& operator=(const HandOffScope&) = delete;

 private:
  const void* at_;
};

}  // namespace pictrove
