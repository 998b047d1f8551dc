#include "toolkit/cached_file_direct.h"

#include <unistd.h>

#include <cerrno>

#include "toolkit/hooks.h"

namespace {

// One operating-system read of up to `bytes` at `position`, with the block
// load's failure handling: a failed read goes to the host's critical-error
// function with code 1 and is tried again while it asks for that; a read it
// gives up reads as the end of the file, its reason kept for the thread.
// Returns the bytes read; 0 at the end of the file.
std::size_t ReadOnce(int descriptor, std::uint8_t* destination, std::size_t bytes, std::int64_t position) {
  for (;;) {
    const ssize_t got = pread(descriptor, destination, bytes, static_cast<off_t>(position));
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno == EINTR) continue;
    const int reason = errno;
    if (ToolkitCriticalError(kCriticalFileRead) == kGiveUpRead) {
      CachedFileRecordReadError(reason);
      return 0;
    }
  }
}

}  // namespace

std::size_t CachedFileReadDirect(CachedFile* file, std::int64_t position, void* destination,
                                 std::size_t bytes) {
  if (file == nullptr || position < 0 || position > kCachedFileDirectLimit ||
      bytes > static_cast<std::size_t>(kCachedFileDirectLimit - position)) {
    return 0;
  }
  auto* out = static_cast<std::uint8_t*>(destination);
  std::size_t done = 0;
  // One request for the whole range; the loop only continues a read that
  // the system cut short (a signal, a share that answers in pieces).
  while (done < bytes) {
    const std::size_t got = ReadOnce(file->descriptor, out + done, bytes - done,
                                     position + static_cast<std::int64_t>(done));
    if (got == 0) break;
    done += got;
  }
  return done;
}
