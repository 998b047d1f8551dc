#include "imaging/core/image_stream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/global_memory.h"

namespace tessera {
namespace {

std::mutex& registryLock() {
  static std::mutex lock;
  return lock;
}

std::unordered_set<const ImageStream*>& registry() {
  static std::unordered_set<const ImageStream*> live;
  return live;
}

}  // namespace

bool registerStream(const ImageStream* stream) noexcept {
  try {
    std::lock_guard<std::mutex> guard(registryLock());
    registry().insert(stream);
    return true;
  } catch (...) {
    return false;
  }
}

void unregisterStream(const ImageStream* stream) {
  std::lock_guard<std::mutex> guard(registryLock());
  registry().erase(stream);
}

bool isRegisteredStream(const ImageStream* stream) {
  std::lock_guard<std::mutex> guard(registryLock());
  return registry().count(stream) != 0;
}

std::size_t liveStreamCount() {
  std::lock_guard<std::mutex> guard(registryLock());
  return registry().size();
}

namespace {

thread_local int t_systemError = 0;

// Runs a C library file operation with errno cleared first, and notes errno
// when `failed` says the operation failed.
template <class Operation, class Failed>
auto fileOperation(Operation operation, Failed failed) {
  errno = 0;
  auto result = operation();
  if (failed(result)) noteSystemError(errno);
  return result;
}

// Makes room in a memory sink for `end` bytes: the block at least doubles
// (from kMemorySinkFirstBlock), within the sink's limit; when the doubled
// size cannot be had, exactly `end` is tried. The caller has checked that
// `end` is within the limit. New bytes are zero.
bool growMemorySink(ImageStream* s, std::uint64_t end) {
  if (end <= s->capacity) return true;
  std::uint64_t wanted = std::max<std::uint64_t>(std::uint64_t{s->capacity} * 2, kMemorySinkFirstBlock);
  wanted = std::min<std::uint64_t>(std::max(wanted, end), s->limit);
  void* grown = GlobalReAlloc(s->block, static_cast<std::size_t>(wanted), GMEM_ZEROINIT);
  if (grown == nullptr && wanted > end) {
    wanted = end;
    grown = GlobalReAlloc(s->block, static_cast<std::size_t>(wanted), GMEM_ZEROINIT);
  }
  if (grown == nullptr) {
    noteSystemError(ENOMEM);
    return false;
  }
  s->block = static_cast<std::uint8_t*>(grown);
  s->capacity = static_cast<std::uint32_t>(wanted);
  return true;
}

}  // namespace

void resetSystemError() { t_systemError = 0; }

int pendingSystemError() { return t_systemError; }

void noteSystemError(int code) {
  if (t_systemError == 0) t_systemError = code;
}

std::uint32_t StreamRef::streamRead(void* dest, std::uint32_t n) {
  if (n == 0) return 0;
  if (s_->kind == kFileStream) {
    if (s_->file == nullptr) return 0;
    std::FILE* file = s_->file;
    // Running out of data is not a failure of the file.
    return fileOperation([&] { return static_cast<std::uint32_t>(std::fread(dest, 1, n, file)); },
                         [&](std::uint32_t got) { return got != n && std::ferror(file) != 0; });
  }
  if (s_->kind == kMemoryStream || s_->kind == kMemorySink) {
    const bool sink = s_->kind == kMemorySink;
    const std::uint32_t end = sink ? s_->length : s_->capacity;
    if (s_->position >= end) return 0;
    const std::uint32_t left = end - s_->position;
    const std::uint32_t count = n < left ? n : left;
    std::memcpy(dest, (sink ? s_->block : s_->buffer) + s_->position, count);
    s_->position += count;
    return count;
  }
  return 0;
}

bool StreamRef::streamReadExact(void* dest, std::uint32_t n) { return streamRead(dest, n) == n; }

bool StreamRef::streamWrite(const void* src, std::size_t size, std::size_t count) {
  if (!s_->writable) return false;
  if (s_->kind == kMemorySink) {
    if (size == 0 || count == 0) return true;
    // position <= limit, so the room left cannot wrap.
    const std::uint64_t room = s_->limit - std::uint64_t{s_->position};
    if (count > room / size || size * count > room) {
      noteSystemError(EFBIG);
      return false;
    }
    const std::size_t bytes = size * count;
    const std::uint64_t end = s_->position + std::uint64_t{bytes};
    if (!growMemorySink(s_, end)) return false;
    std::memcpy(s_->block + s_->position, src, bytes);
    s_->position = static_cast<std::uint32_t>(end);
    if (s_->position > s_->length) s_->length = s_->position;
    return true;
  }
  if (s_->kind != kFileStream || s_->file == nullptr) return false;
  if (size == 0 || count == 0) return true;
  std::FILE* file = s_->file;
  return fileOperation([&] { return std::fwrite(src, size, count, file); },
                       [&](std::size_t written) { return written != count; }) == count;
}

bool StreamRef::streamSeek(std::int64_t offset, int origin) {
  if (s_->kind == kFileStream) {
    if (s_->file == nullptr) return false;
    std::FILE* file = s_->file;
    return fileOperation([&] { return fseeko(file, static_cast<off_t>(offset), origin); },
                         [](int rc) { return rc != 0; }) == 0;
  }
  if (s_->kind == kMemoryStream) {
    std::int64_t target;
    if (origin == kSeekSet) {
      target = offset;
    } else if (origin == kSeekCur) {
      target = static_cast<std::int64_t>(s_->position) + offset;
    } else {
      return false;  // no caller seeks a memory source from its end
    }
    if (target < 0 || target >= static_cast<std::int64_t>(s_->capacity)) return false;
    s_->position = static_cast<std::uint32_t>(target);
    return true;
  }
  if (s_->kind == kMemorySink) {
    std::int64_t base;
    if (origin == kSeekSet) {
      base = 0;
    } else if (origin == kSeekCur) {
      base = s_->position;
    } else if (origin == kSeekEnd) {
      base = s_->length;
    } else {
      noteSystemError(EINVAL);
      return false;
    }
    // Offsets come from codec libraries as 64-bit values: keep the sum exact.
    if (offset < -base || offset > static_cast<std::int64_t>(s_->limit) - base) {
      noteSystemError(EINVAL);
      return false;
    }
    s_->position = static_cast<std::uint32_t>(base + offset);
    return true;
  }
  return false;
}

std::uint32_t StreamRef::streamTell() {
  if (s_->kind == kFileStream) {
    if (s_->file == nullptr) return 0;
    std::FILE* file = s_->file;
    const off_t pos = fileOperation([&] { return ftello(file); }, [](off_t p) { return p < 0; });
    return pos < 0 ? 0 : static_cast<std::uint32_t>(pos);
  }
  if (s_->kind == kMemoryStream || s_->kind == kMemorySink) return s_->position;
  return 0;
}

bool StreamRef::streamFlush() {
  if (s_->kind != kFileStream || !s_->writable) return true;
  if (s_->file == nullptr) return false;
  std::FILE* file = s_->file;
  return fileOperation([&] { return std::fflush(file); }, [](int rc) { return rc != 0; }) == 0;
}

std::uint32_t StreamRef::streamSize() {
  if (s_->kind == kFileStream) {
    if (s_->file == nullptr || !streamFlush()) return 0;
    std::FILE* file = s_->file;
    struct stat info {};
    if (fileOperation([&] { return fstat(fileno(file), &info); }, [](int rc) { return rc != 0; }) != 0) {
      return 0;
    }
    return static_cast<std::uint32_t>(info.st_size);
  }
  if (s_->kind == kMemoryStream) return s_->capacity;
  if (s_->kind == kMemorySink) return s_->length;
  return 0;
}

bool StreamRef::streamClose() {
  if (s_->kind == kFileStream) {
    if (s_->file == nullptr) return false;
    std::FILE* file = s_->file;
    s_->file = nullptr;
    return fileOperation([&] { return std::fclose(file); }, [](int rc) { return rc != 0; }) == 0;
  }
  if (s_->kind == kMemorySink) {
    GlobalFree(s_->block);
    s_->block = nullptr;
    s_->capacity = s_->length = s_->position = 0;
  }
  return true;
}

bool StreamRef::streamIsValid() const {
  if (s_ == nullptr || !isRegisteredStream(s_)) return false;
  if (GlobalSize(s_) < sizeof(ImageStream)) return false;
  if (s_->kind != kFileStream && s_->kind != kMemoryStream && s_->kind != kCallbackStream &&
      s_->kind != kMemorySink) {
    return false;
  }
  if (s_->signature1 != kSignature1 || s_->signature2 != kSignature2) return false;
  if (s_->kind == kFileStream && s_->file == nullptr) return false;
  if (s_->kind == kMemoryStream && (s_->buffer == nullptr || s_->capacity == 0)) return false;
  if (s_->kind == kMemorySink &&
      (s_->length > s_->capacity || s_->capacity > s_->limit ||
       (s_->block == nullptr ? s_->capacity != 0 : GlobalSize(s_->block) < s_->capacity))) {
    return false;
  }
  return true;
}

const char* StreamRef::path() const {
  return (s_->kind == kFileStream && s_->path != nullptr) ? s_->path : "";
}

}  // namespace tessera
