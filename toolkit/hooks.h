// The toolkit's replaceable init data hooks and its critical-error handler
// slot.
//
// The toolkit reads its init data only through the five hooks below. Each
// hook defaults to the matching block-cached file operation, so by default
// the init data name passed to ToolkitStart is a file path. A host that
// carries the init data elsewhere installs its own five functions, in the
// order open, read byte, read block, seek, close, before ToolkitStart.
//
// The handler slot holds the host's reaction to unrecoverable conditions.
// ToolkitStart copies the slot into the toolkit context, so a handler set
// after start-up takes effect at the next start only.
#pragma once

#include <cstddef>
#include <cstdint>

// Opens the init data; the name may be null. Returns an opaque handle, null
// on failure.
using InitOpenHook = void* (*)(const char* name);
// Returns the next byte (0 to 255).
using InitReadByteHook = int (*)(void* handle);
// Reads itemCount items of itemSize bytes into destination; returns the
// number of whole items delivered.
using InitReadBlockHook = std::size_t (*)(void* destination, std::size_t itemSize,
                                          std::size_t itemCount, void* handle);
// Repositions: origin 0 from the start, 1 from the current position, 2 from
// the end. Returns 0.
using InitSeekHook = int (*)(void* handle, std::int32_t offset, int origin);
using InitCloseHook = int (*)(void* handle);

// Receives a critical-error code; see CriticalErrorCode for what it returns.
using CriticalErrorHandler = std::int16_t (*)(std::int16_t code);

struct InitDataHooks {
  InitOpenHook open;
  InitReadByteHook readByte;
  InitReadBlockHook readBlock;
  InitSeekHook seek;
  InitCloseHook close;
};

// Conditions the toolkit cannot recover from by itself. The handler does not
// return for the fatal codes 2, 4, 5 and 6; for 1 it returns 0 to have the
// read retried, or kGiveUpRead to give that read up (the block-cached file
// then reads it as the end of the file and keeps the system's reason for
// the calling thread: CachedFileReadError); for 3 it returns 1 to retry and
// 0 to give up.
enum CriticalErrorCode : std::int16_t {
  kCriticalFileRead = 1,      // an operating-system read failed
  kCriticalFatal = 2,         // memory exhausted or another fatal error
  kCriticalDiskFull = 3,
  kCriticalWriteAbort = 4,
  kCriticalBufferOverrun = 5,
  kCriticalBadData = 6,
};

// The answer to kCriticalFileRead that gives the failed read up.
constexpr std::int16_t kGiveUpRead = 1;

// Setters store their argument without any check: install valid functions.
void SetInitOpenHook(InitOpenHook hook);
void SetInitReadByteHook(InitReadByteHook hook);
void SetInitReadBlockHook(InitReadBlockHook hook);
void SetInitSeekHook(InitSeekHook hook);
void SetInitCloseHook(InitCloseHook hook);
void SetCriticalErrorHandler(CriticalErrorHandler handler);

// Puts the five block-cached file defaults back.
void ResetInitDataHooks();

// The hooks and handler currently installed.
const InitDataHooks& CurrentInitDataHooks();
CriticalErrorHandler InstalledCriticalErrorHandler();

// The host's own critical-error function. The block-cached file calls it by
// name, whatever handler sits in the slot; the host that links the toolkit
// defines it.
std::int16_t ToolkitCriticalError(std::int16_t code);
