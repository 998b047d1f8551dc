// The toolkit's init data, served from the block embedded in the program
// (type "INITDATA", name "#129") through the toolkit's five init data hooks,
// so that the program needs no file beside itself.
//
// There is one stream per process. It hands the toolkit the handle value 1
// and ignores the handle it is given; opening it again starts over at the
// first byte, closing it does nothing (the block stays with the program).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/resource.h"

struct InitDataStream {
  HGLOBAL loadedResource;        // from LoadResource
  HRSRC resource;                // from FindResourceA
  const std::uint8_t* position;  // next byte to deliver
  const std::uint8_t* base;      // first byte of the block
  const std::uint8_t* end;       // one past the block's last byte
};

// The process's stream.
InitDataStream& TheInitDataStream();

// The hook functions. Open ignores the name and returns null when the block
// is missing. Reads and seeks stay inside the block: a byte read at the end
// gives 0, a block read delivers the whole items left, and a seek that would
// leave the block does nothing.
void* InitDataOpen(const char* name);
int InitDataReadByte(void* handle);
std::size_t InitDataReadBlock(void* destination, std::size_t itemSize, std::size_t itemCount, void* handle);
// Origin 0: from the first byte; 1: from the position; 2: from one past the
// last byte. Returns 0.
int InitDataSeek(void* handle, std::int32_t offset, int origin);
int InitDataClose(void* handle);

// Installs the five hooks (open, read byte, read block, seek, close, in this
// order), then ToolkitCriticalError as the critical-error handler. Called
// before ToolkitStart.
void InstallToolkitHooks();
