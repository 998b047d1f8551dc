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

int AfxMessageBox(const std::string& text, UINT style) {
  const MessageBoxHandler& handler = InstalledHandler();
  if (handler) return handler(text, style);
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
  return (style & MB_TYPEMASK) == MB_RETRYCANCEL ? IDCANCEL : IDOK;
}
