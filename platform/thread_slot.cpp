#include "platform/thread_slot.h"

#include <pthread.h>

#include <cerrno>
#include <limits>

namespace {
thread_local DWORD t_lastError = 0;
}

DWORD TlsAlloc() {
  pthread_key_t key;
  const int rc = pthread_key_create(&key, nullptr);
  if (rc != 0) {
    SetLastError(static_cast<DWORD>(rc));
    return TLS_OUT_OF_INDEXES;
  }
  if (static_cast<unsigned long>(key) >= TLS_OUT_OF_INDEXES) {
    pthread_key_delete(key);
    SetLastError(EAGAIN);
    return TLS_OUT_OF_INDEXES;
  }
  return static_cast<DWORD>(key);
}

BOOL TlsSetValue(DWORD slot, void* value) {
  if (slot == TLS_OUT_OF_INDEXES) {
    SetLastError(EINVAL);
    return FALSE;
  }
  const int rc = pthread_setspecific(static_cast<pthread_key_t>(slot), value);
  if (rc != 0) {
    SetLastError(static_cast<DWORD>(rc));
    return FALSE;
  }
  return TRUE;
}

void* TlsGetValue(DWORD slot) {
  if (slot == TLS_OUT_OF_INDEXES) return nullptr;
  return pthread_getspecific(static_cast<pthread_key_t>(slot));
}

BOOL TlsFree(DWORD slot) {
  if (slot == TLS_OUT_OF_INDEXES) return FALSE;
  return pthread_key_delete(static_cast<pthread_key_t>(slot)) == 0 ? TRUE : FALSE;
}

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD code) { t_lastError = code; }

void InitializeCriticalSection(CRITICAL_SECTION*) {}
void EnterCriticalSection(CRITICAL_SECTION* section) { section->mutex.lock(); }
void LeaveCriticalSection(CRITICAL_SECTION* section) { section->mutex.unlock(); }
void DeleteCriticalSection(CRITICAL_SECTION*) {}
