#include "imaging/core/image_stream.h"

#include <sys/stat.h>

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

std::uint32_t StreamRef::streamRead(void* dest, std::uint32_t n) {
  if (n == 0) return 0;
  if (s_->kind == kFileStream) {
    if (s_->file == nullptr) return 0;
    return static_cast<std::uint32_t>(std::fread(dest, 1, n, s_->file));
  }
  if (s_->kind == kMemoryStream) {
    if (s_->position >= s_->capacity) return 0;
    const std::uint32_t left = s_->capacity - s_->position;
    const std::uint32_t count = n < left ? n : left;
    std::memcpy(dest, s_->buffer + s_->position, count);
    s_->position += count;
    return count;
  }
  return 0;
}

bool StreamRef::streamReadExact(void* dest, std::uint32_t n) { return streamRead(dest, n) == n; }

bool StreamRef::streamWrite(const void* src, std::size_t size, std::size_t count) {
  if (s_->kind != kFileStream || !s_->writable || s_->file == nullptr) return false;
  if (size == 0 || count == 0) return true;
  return std::fwrite(src, size, count, s_->file) == count;
}

bool StreamRef::streamSeek(std::int64_t offset, int origin) {
  if (s_->kind == kFileStream) {
    if (s_->file == nullptr) return false;
    return fseeko(s_->file, static_cast<off_t>(offset), origin) == 0;
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
  return false;
}

std::uint32_t StreamRef::streamTell() {
  if (s_->kind == kFileStream) {
    if (s_->file == nullptr) return 0;
    const off_t pos = ftello(s_->file);
    return pos < 0 ? 0 : static_cast<std::uint32_t>(pos);
  }
  if (s_->kind == kMemoryStream) return s_->position;
  return 0;
}

std::uint32_t StreamRef::streamSize() {
  if (s_->kind == kFileStream) {
    if (s_->file == nullptr) return 0;
    if (s_->writable && std::fflush(s_->file) != 0) return 0;
    struct stat info {};
    if (fstat(fileno(s_->file), &info) != 0) return 0;
    return static_cast<std::uint32_t>(info.st_size);
  }
  if (s_->kind == kMemoryStream) return s_->capacity;
  return 0;
}

bool StreamRef::streamClose() {
  if (s_->kind == kFileStream) {
    if (s_->file == nullptr) return false;
    const bool closed = std::fclose(s_->file) == 0;
    s_->file = nullptr;
    return closed;
  }
  return true;
}

bool StreamRef::streamIsValid() const {
  if (s_ == nullptr || !isRegisteredStream(s_)) return false;
  if (GlobalSize(s_) < sizeof(ImageStream)) return false;
  if (s_->kind != kFileStream && s_->kind != kMemoryStream && s_->kind != kCallbackStream) {
    return false;
  }
  if (s_->signature1 != kSignature1 || s_->signature2 != kSignature2) return false;
  if (s_->kind == kFileStream && s_->file == nullptr) return false;
  if (s_->kind == kMemoryStream && (s_->buffer == nullptr || s_->capacity == 0)) return false;
  return true;
}

const char* StreamRef::path() const {
  return (s_->kind == kFileStream && s_->path != nullptr) ? s_->path : "";
}

}  // namespace tessera
