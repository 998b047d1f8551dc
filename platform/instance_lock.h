// A named lock that marks a running instance between the processes of one
// user's desktop, in the manner of a named mutex: creating it when another
// process holds it still yields a handle, and GetLastError() then reports
// ERROR_ALREADY_EXISTS.
//
// The lock is an flock() on "<name>.lock" in $XDG_RUNTIME_DIR (a per-user
// folder), or on "/tmp/<name>-<uid>.lock" when that folder is unusable. The
// kernel drops the lock when the holder's descriptor closes, so it never
// outlives its process, even one that crashed.
#pragma once

#include <string>

#include "platform/thread_slot.h"
#include "platform/win_types.h"

constexpr DWORD ERROR_ALREADY_EXISTS = 183;

struct NamedLock;

// Opens the lock called `name` and tries to take it. Returns null (with the
// reason in GetLastError) when the lock file cannot be made or locked, for
// instance on a file system without locks; otherwise a handle, with
// GetLastError() == ERROR_ALREADY_EXISTS when another holder has it and 0
// when this handle now holds it. `name` must be a plain file name.
NamedLock* CreateNamedLock(const char* name);

// Releases the lock if this handle holds it and frees the handle. Null is
// accepted and does nothing.
void CloseNamedLock(NamedLock* lock);

// The file that backs the lock called `name` for the current environment.
std::string NamedLockPath(const char* name);
