#include "platform/message_box.h"

#include <cstdio>
#include <utility>

namespace {

MessageBoxHandler& InstalledHandler() {
  static MessageBoxHandler handler;
  return handler;
}

}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) { InstalledHandler() = std::move(handler); }

namespace {

int DefaultAnswer(UINT style) { return (style & MB_TYPEMASK) == MB_RETRYCANCEL ? IDCANCEL : IDOK; }

}  // namespace

int AfxMessageBoxNoThrow(const char* text, UINT style) noexcept {
  const MessageBoxHandler& handler = InstalledHandler();
  if (handler) {
    try {
      return handler(std::string(text), style);
    } catch (...) {
      // Shown the way it is without a handler.
    }
  }
  std::fputs(text, stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  return DefaultAnswer(style);
}

int AfxMessageBox(const std::string& text, UINT style) {
  const MessageBoxHandler& handler = InstalledHandler();
  if (handler) return handler(text, style);
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
  return DefaultAnswer(style);
}
