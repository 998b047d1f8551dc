// tsOpenMemorySource, tsCloseSource, tsOpenFileSink, tsOpenMemorySink,
// tsMemorySinkData, tsCloseSink, tsCleanup, tsGetLastError and
// tsGetLastSystemError. Unlike the processing entry points, the stream entry
// points record an error (and its system reason) only on failure and leave
// the last error alone on success.
#include <cerrno>
#include <cstring>

#include "imaging/core/image_stream.h"
#include "imaging/core/thread_state.h"
#include "imaging/tessera.h"
#include "platform/global_memory.h"

using tessera::StreamRef;
using tessera::ThreadState;

namespace {

void recordError(ThreadState* state, std::int32_t code, std::int32_t systemError = 0) {
  state->lastError = code;
  state->systemError = systemError;
}

ImageStream* allocStream(ThreadState* state) {
  auto* stream = static_cast<ImageStream*>(GlobalAlloc(GPTR, sizeof(ImageStream)));
  if (stream == nullptr) recordError(state, TSERR_MEMORY);
  return stream;
}

// The handle, or null with TSERR_BAD_PARAM (null) or TSERR_BAD_STREAM (never
// opened, already closed) recorded.
ImageStream* registeredHandle(ThreadState* state, ImageStream* handle) {
  if (handle == nullptr) {
    recordError(state, TSERR_BAD_PARAM);
    return nullptr;
  }
  if (!tessera::isRegisteredStream(handle)) {
    recordError(state, TSERR_BAD_STREAM);
    return nullptr;
  }
  return handle;
}

template <bool kSink>
std::uint32_t closeStream(ImageStream* handle) {
  ThreadState* state = tessera::currentThreadState();
  if (state == nullptr) return 0;
  // A handle we never opened (or already closed) is refused rather than freed.
  if (registeredHandle(state, handle) == nullptr) return 0;
  StreamRef stream(handle);
  tessera::resetSystemError();
  // A sink's data must reach the file, and the file must close, for its
  // length to count: quotas and network file systems may refuse either only
  // now. The handle is released whatever happens.
  bool ok = !kSink || stream.streamFlush();
  std::uint32_t result = 0;
  if (ok) result = kSink ? stream.streamSize() : stream.streamTell();
  ok = stream.streamClose() && ok;
  tessera::unregisterStream(handle);
  GlobalFree(handle->path);
  handle->signature1 = handle->signature2 = 0;
  GlobalFree(handle);
  if (!ok) {
    recordError(state, TSERR_WRITE, tessera::pendingSystemError());
    return 0;
  }
  return result;
}

}  // namespace

ImageStream* tsOpenMemorySource(const void* buffer, std::uint32_t size) {
  ThreadState* state = tessera::currentThreadState();
  if (state == nullptr) return nullptr;
  ImageStream* stream = allocStream(state);
  if (stream == nullptr) return nullptr;
  if (buffer == nullptr || size == 0) {
    GlobalFree(stream);
    recordError(state, TSERR_BAD_PARAM);
    return nullptr;
  }
  stream->kind = tessera::kMemoryStream;
  stream->buffer = static_cast<const std::uint8_t*>(buffer);
  stream->capacity = size;
  stream->position = 0;
  stream->writable = 0;
  if (!tessera::registerStream(stream)) {
    GlobalFree(stream);
    recordError(state, TSERR_MEMORY);
    return nullptr;
  }
  stream->signature1 = tessera::kSignature1;
  stream->signature2 = tessera::kSignature2;
  return stream;
}

ImageStream* tsOpenFileSink(const char* path) {
  ThreadState* state = tessera::currentThreadState();
  if (state == nullptr) return nullptr;
  ImageStream* stream = allocStream(state);
  if (stream == nullptr) return nullptr;
  if (path == nullptr || path[0] == '\0') {
    GlobalFree(stream);
    recordError(state, TSERR_FILE_CREATE);
    return nullptr;
  }
  // Everything that needs memory comes before the file is opened, so that
  // running out of it never truncates an existing file. The path is kept
  // whole, however long: deep folders are common here.
  const std::size_t length = std::strlen(path);
  auto* copy = static_cast<char*>(GlobalAlloc(GPTR, length + 1));
  if (copy == nullptr || !tessera::registerStream(stream)) {
    GlobalFree(copy);
    GlobalFree(stream);
    recordError(state, TSERR_MEMORY);
    return nullptr;
  }
  std::memcpy(copy, path, length);
  errno = 0;
  std::FILE* file = std::fopen(path, "wb+");
  if (file == nullptr) {
    const int reason = errno;
    tessera::unregisterStream(stream);
    GlobalFree(copy);
    GlobalFree(stream);
    recordError(state, TSERR_FILE_CREATE, reason);
    return nullptr;
  }
  stream->file = file;
  stream->kind = tessera::kFileStream;
  stream->writable = 1;
  stream->path = copy;
  stream->signature1 = tessera::kSignature1;
  stream->signature2 = tessera::kSignature2;
  return stream;
}

ImageStream* tsOpenMemorySink(std::uint32_t maxBytes) {
  ThreadState* state = tessera::currentThreadState();
  if (state == nullptr) return nullptr;
  ImageStream* stream = allocStream(state);
  if (stream == nullptr) return nullptr;
  if (!tessera::registerStream(stream)) {
    GlobalFree(stream);
    recordError(state, TSERR_MEMORY);
    return nullptr;
  }
  // No bytes yet: the block is allocated by the first write.
  stream->kind = tessera::kMemorySink;
  stream->writable = 1;
  stream->limit = maxBytes == 0 || maxBytes > kGlobalMaxBlock
                      ? static_cast<std::uint32_t>(kGlobalMaxBlock)
                      : maxBytes;
  stream->signature1 = tessera::kSignature1;
  stream->signature2 = tessera::kSignature2;
  return stream;
}

const std::uint8_t* tsMemorySinkData(ImageStream* sink, std::uint32_t* size) {
  static const std::uint8_t kNothing = 0;  // what an empty sink points at
  ThreadState* state = tessera::currentThreadState();
  if (state == nullptr) return nullptr;
  if (registeredHandle(state, sink) == nullptr) return nullptr;
  if (size == nullptr) {
    recordError(state, TSERR_BAD_PARAM);
    return nullptr;
  }
  StreamRef stream(sink);
  if (!stream.streamIsValid() || sink->kind != tessera::kMemorySink) {
    recordError(state, TSERR_BAD_STREAM);
    return nullptr;
  }
  *size = sink->length;
  return sink->length == 0 ? &kNothing : sink->block;
}

std::uint32_t tsCloseSource(ImageStream* source) { return closeStream<false>(source); }

std::uint32_t tsCloseSink(ImageStream* sink) { return closeStream<true>(sink); }

void tsCleanup() { (void)tessera::currentThreadState(); }

std::int32_t tsGetLastError() {
  ThreadState* state = tessera::currentThreadState();
  return state == nullptr ? TSERR_NONE : state->lastError;
}

std::int32_t tsGetLastSystemError() {
  ThreadState* state = tessera::currentThreadState();
  return state == nullptr ? 0 : state->systemError;
}
