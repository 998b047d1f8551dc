#include "app/critical_error.h"

#include <cstdio>
#include <string>

#include "platform/message_box.h"
#include "platform/process.h"
#include "toolkit/messages.h"

namespace {

constexpr UINT kAskRetry = MB_RETRYCANCEL | MB_ICONEXCLAMATION;  // 53
constexpr UINT kTellOnly = MB_OK | MB_ICONEXCLAMATION;           // 48

std::string FatalText() {
  const std::int16_t number = CurrentErrorNumber();
  char text[128];
  std::snprintf(text, sizeof text, "Critical error: %s (%d)", ErrorText(number), number);
  return text;
}

[[noreturn]] void TellAndEnd(const std::string& text, UINT exitCode) {
  AfxMessageBox(text, kTellOnly);
  ExitProcess(exitCode);
}

}  // namespace

std::int16_t ToolkitCriticalError(std::int16_t code) {
  switch (code) {
    case kCriticalFileRead:
      if (AfxMessageBox("Critical error: File read", kAskRetry) == IDRETRY) return 0;
      ExitProcess(1);
    case kCriticalFatal:
      TellAndEnd(FatalText(), 2);
    case kCriticalDiskFull:
      return AfxMessageBox("Critical error: disk full", kAskRetry) == IDRETRY ? 1 : 0;
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
