#include "toolkit/cached_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

#include "toolkit/hooks.h"
#include "toolkit/host_functions.h"

namespace {

// Blocks are only loaded below this position, so that every position inside
// a block, and the position after its last byte, fits in 32 bits.
constexpr std::int64_t kLastBlockPosition = INT32_MAX - kCachedBlockBytes;

// One use counter for every open file. Unsigned so that it wraps without
// fault; a stamp that comes out negative is treated as oldest. Files open on
// several threads at once share it, so it counts atomically.
std::atomic<std::uint32_t> gUseCounter{0};

void StampSlot(CachedFileSlot& slot) {
  slot.stamp = static_cast<std::int32_t>(gUseCounter.fetch_add(1, std::memory_order_relaxed));
}

void StampCurrentSlot(CachedFile* file) {
  if (file->currentSlot >= 0) StampSlot(file->slots[file->currentSlot]);
}

void MakeCurrent(CachedFile* file, int index) {
  CachedFileSlot& slot = file->slots[index];
  file->blockStart = slot.buffer;
  file->cursor = slot.buffer;
  file->blockLength = slot.length;
  file->available = slot.length;
  file->currentSlot = static_cast<std::int16_t>(index);
}

int ChooseSlotToReplace(CachedFile* file) {
  for (int i = 0; i < kCachedFileSlotsUsed; ++i) {
    if (file->slots[i].cachedPosition == -1) return i;
  }
  for (int i = 0; i < kCachedFileSlotsUsed; ++i) {
    if (file->slots[i].stamp < 0) file->slots[i].stamp = 0;
  }
  int oldest = 0;
  for (int i = 1; i < kCachedFileSlotsUsed; ++i) {
    if (file->slots[i].stamp < file->slots[oldest].stamp) oldest = i;
  }
  return oldest;
}

// The reason for the last read this thread gave up.
thread_local int tReadError = 0;

// Reads up to one block at `position`, retrying for as long as the host's
// critical-error function asks for it after a failed read; a read it gives
// up reads as the end of the file.
std::uint16_t ReadBlock(CachedFile* file, std::uint8_t* buffer, std::int32_t position) {
  if (position < 0 || position > kLastBlockPosition) return 0;
  for (;;) {
    const ssize_t got = pread(file->descriptor, buffer, kCachedBlockBytes, position);
    if (got >= 0) return static_cast<std::uint16_t>(got);
    if (errno == EINTR) continue;
    const int reason = errno;
    if (ToolkitCriticalError(kCriticalFileRead) == kGiveUpRead) {
      tReadError = reason;
      return 0;
    }
  }
}

// Makes the block at file->blockPosition current, from the cache when it is
// held, else read into a free or the least recently used slot.
void LoadBlock(CachedFile* file) {
  file->currentSlot = -1;
  for (int i = 0; i < kCachedFileSlotsUsed; ++i) {
    CachedFileSlot& slot = file->slots[i];
    if (slot.cachedPosition != -1 && slot.cachedPosition == file->blockPosition) {
      MakeCurrent(file, i);
      StampSlot(slot);
      file->atEnd = slot.length == 0 ? 1 : 0;
      return;
    }
  }
  const int index = ChooseSlotToReplace(file);
  CachedFileSlot& slot = file->slots[index];
  const std::uint16_t got = ReadBlock(file, slot.buffer, file->blockPosition);
  file->physicalPosition = file->blockPosition + got;
  slot.cachedPosition = file->blockPosition;
  slot.length = got;
  StampSlot(slot);
  MakeCurrent(file, index);
  file->atEnd = got == 0 ? 1 : 0;
}

// Moves on to the block that follows the current one.
void LoadNextBlock(CachedFile* file) {
  const std::int64_t next = static_cast<std::int64_t>(file->blockPosition) + file->blockLength;
  // Past the 32-bit range the block stays put and reads as the end.
  file->blockPosition = static_cast<std::int32_t>(std::min<std::int64_t>(next, INT32_MAX));
  LoadBlock(file);
}

}  // namespace

CachedFile* CachedFileOpen(const char* path) {
  if (path == nullptr) return nullptr;
  auto* file = static_cast<CachedFile*>(HostMemoryAllocate(sizeof(CachedFile)));
  if (file == nullptr) return nullptr;
  // Without blocking, so that a FIFO cannot stall the open; only regular
  // files go on.
  const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat info {};
  if (descriptor < 0 || fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
    if (descriptor >= 0) close(descriptor);
    HostMemoryFree(file);
    return nullptr;
  }
  std::memset(file, 0, sizeof(CachedFile));
  file->descriptor = descriptor;
  file->openedLength = info.st_size;
  file->currentSlot = -1;
  for (CachedFileSlot& slot : file->slots) {
    slot.buffer = nullptr;
    slot.length = 0;
    slot.cachedPosition = -1;
    slot.stamp = -1;
  }
  for (int i = 0; i < kCachedFileSlotsUsed; ++i) {
    file->slots[i].buffer = static_cast<std::uint8_t*>(HostMemoryAllocate(kCachedBlockBytes));
    if (file->slots[i].buffer == nullptr) {
      CachedFileClose(file);
      ToolkitCriticalError(kCriticalFatal);
      return nullptr;
    }
  }
  CachedFileSeek(file, 0, 0);
  if (file->atEnd) {
    CachedFileClose(file);
    return nullptr;
  }
  return file;
}

std::int16_t CachedFileClose(CachedFile* file) {
  if (file == nullptr) return -1;
  for (CachedFileSlot& slot : file->slots) {
    if (slot.buffer != nullptr) HostMemoryFree(slot.buffer);
    slot.buffer = nullptr;
    slot.length = 0;
    slot.cachedPosition = -1;
    slot.stamp = -1;
  }
  const int result = close(file->descriptor);
  HostMemoryFree(file);
  return static_cast<std::int16_t>(result);
}

int CachedFileSeek(CachedFile* file, std::int32_t position, int origin) {
  std::int64_t target = 0;
  switch (origin) {
    case 0: target = position; break;
    case 1: target = static_cast<std::int64_t>(CachedFileTell(file)) + position; break;
    case 2: target = CachedFileLength(file) + position; break;
    default: return 0;
  }
  if (target < 0 || target > INT32_MAX) return 0;
  file->atEnd = 0;
  if (target < file->blockPosition ||
      target >= static_cast<std::int64_t>(file->blockPosition) + file->blockLength) {
    file->blockPosition = static_cast<std::int32_t>(target & ~static_cast<std::int64_t>(kCachedBlockBytes - 1));
    LoadBlock(file);
  }
  // Below kCachedBlockBytes either way: the target lies in the current
  // block's span or the block was just aligned to it.
  const auto offset = static_cast<std::uint16_t>(target - file->blockPosition);
  file->cursor = file->blockStart + offset;
  file->available = static_cast<std::int32_t>(file->blockLength) - offset;
  return 0;
}

std::int32_t CachedFileTell(const CachedFile* file) {
  return file->blockPosition + static_cast<std::int32_t>(file->cursor - file->blockStart);
}

std::int64_t CachedFileLength(const CachedFile* file) {
  struct stat info {};
  if (fstat(file->descriptor, &info) != 0) return -1;
  return info.st_size;
}

std::int16_t CachedFileAtEnd(const CachedFile* file) { return file->atEnd; }

std::int64_t CachedFileOpenedLength(const CachedFile* file) { return file->openedLength; }

int CachedFileGetByte(CachedFile* file) {
  StampCurrentSlot(file);
  if (file->available <= 0) {
    LoadNextBlock(file);
    if (file->blockLength == 0) {
      file->atEnd = 1;
      return 0;
    }
  }
  --file->available;
  return *file->cursor++;
}

int CachedFileUngetByte(int byte, CachedFile* file) {
  if (file->atEnd) {
    // The last "byte" came from past the end: nothing to step back over.
    file->atEnd = 0;
    return 1;
  }
  if (file->cursor == file->blockStart) {
    const std::int32_t here = CachedFileTell(file);
    if (here > 0) CachedFileSeek(file, here - 1, 0);
    return 1;
  }
  --file->cursor;
  ++file->available;
  *file->cursor = static_cast<std::uint8_t>(byte);
  return 1;
}

std::size_t CachedFileRead(void* destination, std::size_t itemSize, std::size_t itemCount,
                           CachedFile* file) {
  std::size_t total = 0;
  if (__builtin_mul_overflow(itemSize, itemCount, &total)) total = SIZE_MAX;  // stops at the end
  StampCurrentSlot(file);
  auto* out = static_cast<std::uint8_t*>(destination);
  std::size_t copied = 0;
  while (total > 0 && !file->atEnd) {
    if (file->available <= 0) {
      LoadNextBlock(file);
      if (file->blockLength == 0) break;
    }
    const std::size_t piece = std::min(static_cast<std::size_t>(file->available), total);
    std::memcpy(out, file->cursor, piece);
    out += piece;
    file->cursor += piece;
    file->available -= static_cast<std::int32_t>(piece);
    total -= piece;
    copied += piece;
  }
  if (total == 0) return itemCount;
  return copied / itemSize;
}

char* CachedFileGetLine(char* buffer, std::size_t capacity, CachedFile* file) {
  if (capacity == 0 || file->atEnd) return nullptr;
  StampCurrentSlot(file);
  char* out = buffer;
  int last = 0;
  for (;;) {
    last = CachedFileGetByte(file);
    *out++ = static_cast<char>(last);
    --capacity;
    if (last == '\r' || last == '\n' || capacity == 0 || file->atEnd) break;
  }
  char* end = out;
  if (file->atEnd || capacity == 0) {
    end = out - 1;  // the zero replaces the last stored byte
  }
  *end = '\0';
  if ((last == '\r' || last == '\n') && !file->atEnd) {
    const int partner = last == '\r' ? '\n' : '\r';
    const int next = CachedFileGetByte(file);
    if (file->atEnd) {
      file->atEnd = 0;
    } else if (next != partner) {
      CachedFileUngetByte(next, file);
    }
  }
  return end;
}

int CachedFileReadError() { return tReadError; }

void CachedFileClearReadError() { tReadError = 0; }

void CachedFileRecordReadError(int error) { tReadError = error; }
