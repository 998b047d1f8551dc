#include "imaging/core/thread_state.h"

#include <new>

#include "platform/thread_slot.h"

namespace tessera {
namespace {

struct StateNode {
  ThreadState* state;
  StateNode* next;
};

// The slot, the list of every thread's state and the lock around the list.
// Built on first use and torn down at process exit: the slot is released and
// every state and list node freed under the lock.
class Library {
 public:
  Library() {
    InitializeCriticalSection(&lock_);
    const DWORD slot = TlsAlloc();
    slot_ = slot == TLS_OUT_OF_INDEXES ? -1 : static_cast<std::int64_t>(slot);
  }

  ~Library() {
    if (slot_ != -1) TlsFree(static_cast<DWORD>(slot_));
    EnterCriticalSection(&lock_);
    while (head_ != nullptr) {
      StateNode* node = head_;
      head_ = node->next;
      delete node->state;
      delete node;
    }
    LeaveCriticalSection(&lock_);
    DeleteCriticalSection(&lock_);
  }

  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  ThreadState* lookup() {
    if (slot_ == -1) return nullptr;
    const auto slot = static_cast<DWORD>(slot_);
    if (auto* state = static_cast<ThreadState*>(TlsGetValue(slot))) return state;
    try {
      return create(slot);
    } catch (...) {
      return nullptr;
    }
  }

 private:
  ThreadState* create(DWORD slot) {
    auto* state = new ThreadState();
    if (!TlsSetValue(slot, state)) {
      const DWORD code = GetLastError();
      delete state;
      throw TlsException(code);
    }
    StateNode* node = new (std::nothrow) StateNode{state, nullptr};
    if (node == nullptr) {
      TlsSetValue(slot, nullptr);
      delete state;
      return nullptr;
    }
    EnterCriticalSection(&lock_);
    node->next = head_;
    head_ = node;
    LeaveCriticalSection(&lock_);
    return state;
  }

  CRITICAL_SECTION lock_;
  std::int64_t slot_ = -1;
  StateNode* head_ = nullptr;
};

Library& library() {
  static Library instance;
  return instance;
}

// Allocate the slot during static initialisation, as soon as the library is
// linked in, rather than on the first call.
[[maybe_unused]] const bool g_libraryReady = (library(), true);

}  // namespace

ThreadState* currentThreadState() { return library().lookup(); }

}  // namespace tessera
