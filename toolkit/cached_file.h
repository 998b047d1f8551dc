// A read-only file served from a small cache of 8192-byte blocks.
//
// Each open file keeps eight block buffers. A block is found again by its
// file position; when all eight hold blocks, the least recently used one is
// replaced (use stamps come from one counter shared by every open file).
// Blocks are never written back or invalidated while the file is open.
//
// Only regular files open (a symbolic link to one is fine): a folder, FIFO,
// socket or device fails like a missing file, so that it can neither hang a
// reader nor turn into a read error. Positions are 32-bit; bytes at or past
// 2 GiB - 8 KiB read as the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kCachedFileSlotsUsed = 8;
constexpr int kCachedFileSlotRecords = 16;  // room in the record; the first 8 are used
constexpr std::int32_t kCachedBlockBytes = 8192;

struct CachedFileSlot {
  std::uint8_t* buffer;         // kCachedBlockBytes bytes
  std::int32_t cachedPosition;  // file position of the block held; -1 when free
  std::uint16_t length;         // valid bytes in the buffer
  std::int32_t stamp;           // use stamp; -1 when never used
};

struct CachedFile {
  std::int32_t physicalPosition;  // descriptor position after the last read
  std::int32_t blockPosition;     // file position of the current block's first byte
  int descriptor;
  std::int32_t available;         // bytes left in the block from the cursor; <= 0: used up
  std::uint16_t blockLength;      // valid bytes in the current block
  std::uint8_t* cursor;           // next byte to deliver
  std::uint8_t* blockStart;       // first byte of the current block's buffer
  std::int16_t atEnd;
  std::int16_t currentSlot;       // slot of the current block; -1 when none
  CachedFileSlot slots[kCachedFileSlotRecords];
  std::int64_t openedLength;      // the file's length when it was opened
};

// Opens a regular file and loads its first block. Null when the path cannot
// be opened, is not a regular file, or the file is empty. Running out of
// memory for the block buffers is a critical error (code 2).
CachedFile* CachedFileOpen(const char* path);
// Frees the buffers and the record; returns the result of closing the
// descriptor (-1 for a null record).
std::int16_t CachedFileClose(CachedFile* file);
// The next byte; 0 with the end flag set once the data is exhausted.
int CachedFileGetByte(CachedFile* file);
// Pushes back the byte just read; returns 1. At the very start of a block,
// where no byte of this block was read, it steps back to the previous file
// position instead (the file's own byte is served again).
int CachedFileUngetByte(int byte, CachedFile* file);
// Reads up to itemCount items of itemSize bytes; returns the number of whole
// items delivered.
std::size_t CachedFileRead(void* destination, std::size_t itemSize, std::size_t itemCount,
                           CachedFile* file);
// Reads one line (ended by CR, LF, CR LF or LF CR) into buffer. Returns a
// pointer to the line's terminating zero, or null when capacity is 0 or the
// file is at its end. A line that ends before capacity runs out keeps its
// terminator; otherwise the last stored byte becomes the zero.
char* CachedFileGetLine(char* buffer, std::size_t capacity, CachedFile* file);
// Origin 0: absolute; 1: from the current position; 2: from the end of the
// file. A target before the start or beyond the 32-bit range, or another
// origin, leaves the position alone. Returns 0.
int CachedFileSeek(CachedFile* file, std::int32_t position, int origin);
std::int32_t CachedFileTell(const CachedFile* file);
// The file's length according to the operating system; -1 when unknown.
std::int64_t CachedFileLength(const CachedFile* file);
std::int16_t CachedFileAtEnd(const CachedFile* file);
// The file's length as it was when opened, from the same system call that
// checked its type: no further round trip to the storage. A reader that
// bounds its reads by it still meets the end of the data if the file has
// shrunk since.
std::int64_t CachedFileOpenedLength(const CachedFile* file);

// The system's reason (an errno value) for the last read that this thread
// gave up (see kGiveUpRead), 0 when none was given up since the last
// CachedFileClearReadError. A drawing whose read was given up is a drawing
// that cannot be read, not one without a preview.
int CachedFileReadError();
void CachedFileClearReadError();
// Keeps `error` as the reason of a read this thread gave up, for the
// toolkit's readers that go around the block cache.
void CachedFileRecordReadError(int error);
