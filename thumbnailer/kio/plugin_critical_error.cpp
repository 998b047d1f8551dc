// ToolkitCriticalError for the plugin, in place of the application's (see
// plugin_critical_error.h). The toolkit calls the host's handler by name;
// this object is linked into the plugin directly, so the application's
// definition in the glue library is never pulled in.
#include "thumbnailer/kio/plugin_critical_error.h"

#include <cstdio>

#include "platform/message_box.h"
#include "toolkit/hooks.h"
#include "toolkit/messages.h"

namespace {

// Without a message box handler (the plugin installs none) the text goes to
// standard error and the box answers Cancel, or OK, at once.
constexpr UINT kAskRetry = MB_RETRYCANCEL | MB_ICONEXCLAMATION;
constexpr UINT kTellOnly = MB_OK | MB_ICONEXCLAMATION;

[[noreturn]] void TellAndGiveUp(const char* text, std::int16_t code) {
  AfxMessageBoxNoThrow(text, kTellOnly);
  throw pictrove::kio::ToolkitGaveUp{code};
}

}  // namespace

std::int16_t ToolkitCriticalError(std::int16_t code) {
  switch (code) {
    case kCriticalFileRead:
      // Nobody is asked: the read is given up and the drawing being read
      // fails on its own, its file closed as usual.
      return kGiveUpRead;
    case kCriticalFatal: {
      // Composed on the stack: this also reports exhausted memory.
      char text[128];
      const std::int16_t number = CurrentErrorNumber();
      std::snprintf(text, sizeof text, "Critical error: %s (%d)", ErrorText(number), number);
      TellAndGiveUp(text, code);
    }
    case kCriticalDiskFull:
      return AfxMessageBoxNoThrow("Critical error: disk full", kAskRetry) == IDRETRY ? 1 : 0;
    case kCriticalWriteAbort:
      TellAndGiveUp("Critical error: write abort", code);
    case kCriticalBufferOverrun:
      TellAndGiveUp("Critical error: buffer overrun", code);
    case kCriticalBadData:
      TellAndGiveUp("Critical error: bad data detected", code);
    default:
      return 0;
  }
}
