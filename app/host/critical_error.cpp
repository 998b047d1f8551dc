#include "app/host/critical_error.h"

#include <atomic>
#include <cstdio>

#include "platform/message_box.h"
#include "platform/process.h"
#include "toolkit/messages.h"

// This handler also reports that memory is exhausted, so nothing on its
// paths allocates or throws: texts are composed in a fixed buffer on the
// stack and shown through the message box call that needs no memory.
namespace {

std::atomic<bool> gFailUnreadableFiles{false};
thread_local bool tFailUnreadableFiles = false;

constexpr UINT kAskRetry = MB_RETRYCANCEL | MB_ICONEXCLAMATION;  // 53
constexpr UINT kTellOnly = MB_OK | MB_ICONEXCLAMATION;           // 48

// Big enough for the prefix, the longest error text and the number.
constexpr std::size_t kTextCapacity = 128;

void FatalText(char (&text)[kTextCapacity]) noexcept {
  const std::int16_t number = CurrentErrorNumber();
  std::snprintf(text, sizeof text, "Critical error: %s (%d)", ErrorText(number), number);
}

[[noreturn]] void TellAndEnd(const char* text, UINT exitCode) noexcept {
  AfxMessageBoxNoThrow(text, kTellOnly);
  ExitProcess(exitCode);
}

}  // namespace

void FailUnreadableFiles(bool fail) { gFailUnreadableFiles.store(fail, std::memory_order_relaxed); }

void FailUnreadableFilesOnThisThread(bool fail) { tFailUnreadableFiles = fail; }

std::int16_t ToolkitCriticalError(std::int16_t code) {
  switch (code) {
    case kCriticalFileRead:
      if (tFailUnreadableFiles || gFailUnreadableFiles.load(std::memory_order_relaxed)) return kGiveUpRead;
      if (AfxMessageBoxNoThrow("Critical error: File read", kAskRetry) == IDRETRY) return 0;
      ExitProcess(1);
    case kCriticalFatal: {
      char text[kTextCapacity];
      FatalText(text);
      TellAndEnd(text, 2);
    }
    case kCriticalDiskFull:
      return AfxMessageBoxNoThrow("Critical error: disk full", kAskRetry) == IDRETRY ? 1 : 0;
    case kCriticalWriteAbort:
      TellAndEnd("Critical error: write abort", 4);
    case kCriticalBufferOverrun:
      TellAndEnd("Critical error: buffer overrun", 5);
    case kCriticalBadData:
      TellAndEnd("Critical error: bad data detected", 6);
    default:
      return 0;
  }
}
