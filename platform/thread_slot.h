// Thread-local slots, a per-thread last-error value and a critical section:
// the little of the kernel's threading interface the image library uses.
#pragma once

#include <mutex>

#include "platform/win_types.h"

constexpr DWORD TLS_OUT_OF_INDEXES = 0xFFFFFFFFu;

// Allocates a slot whose value is null on every thread; TLS_OUT_OF_INDEXES
// when no slot is left.
DWORD TlsAlloc();
// Stores a value for the calling thread; FALSE (with the reason in
// GetLastError) when the slot is not allocated or the store fails.
BOOL TlsSetValue(DWORD slot, void* value);
// The calling thread's value, null when none was stored or the slot is bad.
void* TlsGetValue(DWORD slot);
BOOL TlsFree(DWORD slot);

DWORD GetLastError();
void SetLastError(DWORD code);

// A lock taken around short, non-recursive critical sections.
struct CRITICAL_SECTION {
  std::mutex mutex;
};
void InitializeCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
