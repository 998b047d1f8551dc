#include "imaging/writers/writer_support.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "imaging/tessera.h"

namespace tessera {
namespace {

thread_local char lastText[512];
std::atomic<WriterClock> clockOverride{nullptr};

}  // namespace

std::uint32_t finishSink(OperationContext& ctx, StreamRef& sink) {
  const std::uint32_t size = sink.streamSize();
  std::FILE* file = sink.handle()->file;
  if (size == 0 || (file != nullptr && std::ferror(file) != 0)) {
    ctx.fail(TSERR_WRITE);
    return 0;
  }
  return size;
}

void traceDiagnostic(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::vsnprintf(lastText, sizeof lastText, format, args);
  va_end(args);
  if (std::getenv("PICTROVE_TRACE") != nullptr) std::fputs(lastText, stderr);
}

const char* lastDiagnostic() { return lastText; }

void clearDiagnostic() { lastText[0] = '\0'; }

std::time_t writerNow() {
  const WriterClock clock = clockOverride.load();
  return clock != nullptr ? clock() : std::time(nullptr);
}

WriterClock setWriterClock(WriterClock clock) { return clockOverride.exchange(clock); }

}  // namespace tessera
