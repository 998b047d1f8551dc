// tsOpenMemorySource, tsCloseSource, tsOpenFileSink, tsCloseSink, tsCleanup and
// tsGetLastError. Unlike the processing entry points, the stream entry points
// record an error only on failure and leave the last error alone on success.
#include <cstring>

#include "imaging/core/image_stream.h"
#include "imaging/core/thread_state.h"
#include "imaging/tessera.h"
#include "platform/global_memory.h"

using tessera::StreamRef;
using tessera::ThreadState;

namespace {

void recordError(ThreadState* state, std::int32_t code) { state->lastError = code; }

ImageStream* allocStream(ThreadState* state) {
  auto* stream = static_cast<ImageStream*>(GlobalAlloc(GPTR, sizeof(ImageStream)));
  if (stream == nullptr) recordError(state, TSERR_MEMORY);
  return stream;
}

template <bool kSink>
std::uint32_t closeStream(ImageStream* handle) {
  ThreadState* state = tessera::currentThreadState();
  if (state == nullptr) return 0;
  if (handle == nullptr) {
    recordError(state, TSERR_BAD_PARAM);
    return 0;
  }
  // A handle we never opened (or already closed) is refused rather than freed.
  if (!tessera::isRegisteredStream(handle)) {
    recordError(state, TSERR_BAD_STREAM);
    return 0;
  }
  StreamRef stream(handle);
  const std::uint32_t result = kSink ? stream.streamSize() : stream.streamTell();
  stream.streamClose();
  tessera::unregisterStream(handle);
  GlobalFree(handle->path);
  handle->signature1 = handle->signature2 = 0;
  GlobalFree(handle);
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
  std::FILE* file = std::fopen(path, "wb+");
  if (file == nullptr) {
    tessera::unregisterStream(stream);
    GlobalFree(copy);
    GlobalFree(stream);
    recordError(state, TSERR_FILE_CREATE);
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

std::uint32_t tsCloseSource(ImageStream* source) { return closeStream<false>(source); }

std::uint32_t tsCloseSink(ImageStream* sink) { return closeStream<true>(sink); }

void tsCleanup() { (void)tessera::currentThreadState(); }

std::int32_t tsGetLastError() {
  ThreadState* state = tessera::currentThreadState();
  return state == nullptr ? TSERR_NONE : state->lastError;
}
